#include "cli/summarycsv.h"

#include <charconv>
#include <cmath>

#include "input/textfile.h"
#include "report/summarytable.h"

namespace ovalon {

namespace {

/// The columns that place a row in its input, before those of the cage's analysis.
constexpr const char* PlacementColumns[] = {"file", "frame", "line", "comment"};

/// Fields are appended in column order; a skipped field stays empty. Atoms are numbered by
/// their atom lines in the frame.
class RowBuilder : public FieldSink {
 public:
  explicit RowBuilder(const CageFrame* frame = nullptr) : m_frame(frame) {}

  void Empty() override { Next(); }
  void Text(std::string_view text) override { Next() += CsvText(text); }
  void Integer(long long value) override { Next() += std::to_string(value); }
  void Number(double value) override { Next() += CsvNumber(value); }
  void Atom(int cageAtom) override { Integer(m_frame->atomNumbers[cageAtom - 1]); }

  std::string Finish() { return std::move(m_row); }

 private:
  std::string& Next() {
    if (m_fields++ > 0) m_row += ',';
    return m_row;
  }
  const CageFrame* m_frame;
  std::string m_row;
  int m_fields = 0;
};

}  // namespace

std::string CsvText(std::string_view bytes) {
  // Comments and file names come as bytes; the table is always valid UTF-8.
  const std::string valid = ValidUtf8(bytes);
  const std::string_view text = valid;
  const bool quote = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                     (!text.empty() && (text.front() == ' ' || text.front() == '\t' ||
                                        text.back() == ' ' || text.back() == '\t'));
  if (!quote) return std::string(text);
  std::string field = "\"";
  for (char c : text) {
    if (c == '"') field += '"';
    field += c;
  }
  field += '"';
  return field;
}

std::string CsvNumber(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string SummaryHeader(bool monteCarlo) {
  std::string header;
  for (const char* column : PlacementColumns) header += std::string(header.empty() ? "" : ",") + column;
  for (const SummaryColumn& column : CageColumns(monteCarlo)) header += std::string(",") + column.name;
  return header;
}

std::string SummaryRow(std::string_view file, const CageFrame& frame, const CageSummary& summary,
                       bool monteCarlo) {
  RowBuilder row(&frame);
  row.Text(file);
  row.Integer(frame.frame);
  row.Integer(frame.line);
  row.Text(frame.comment);
  if (frame.problem != FrameProblem::None) {
    const SummaryStatus status = frame.problem == FrameProblem::CageSize
                                     ? SummaryStatus::CageSize
                                     : SummaryStatus::Unreadable;
    WriteUnanalysedFields(status, frame.message, monteCarlo, row);
  } else {
    WriteCageFields(summary, monteCarlo, row);
  }
  return row.Finish();
}

std::string FileErrorRow(std::string_view file, std::string_view message, bool monteCarlo) {
  RowBuilder row;
  row.Text(file);
  row.Empty();
  row.Empty();
  row.Empty();
  WriteUnanalysedFields(SummaryStatus::FileError, message, monteCarlo, row);
  return row.Finish();
}

}  // namespace ovalon
