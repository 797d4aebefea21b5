#include "cli/summarytext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "input/textfile.h"

namespace ovalon {

namespace {

/// The columns that place a row in its input, before those of the cage's analysis.
constexpr const char* PlacementColumns[] = {"file", "frame", "line", "comment"};

/// Every column name of the rows, in order.
const std::vector<const char*>& ColumnNames(bool monteCarlo) {
  static const auto names = [](bool withMonteCarlo) {
    std::vector<const char*> all(std::begin(PlacementColumns), std::end(PlacementColumns));
    for (const SummaryColumn& column : CageColumns(withMonteCarlo)) all.push_back(column.name);
    return all;
  };
  static const std::vector<const char*> plain = names(false), withDraws = names(true);
  return monteCarlo ? withDraws : plain;
}

/// The width of the names column of a table: that of the longest name.
size_t NameWidth() {
  static const size_t width = [] {
    size_t longest = 0;
    for (const char* name : ColumnNames(true)) longest = std::max(longest, std::strlen(name));
    return longest;
  }();
  return width;
}

/// Printable ASCII that needs no quoting in a CSV field or escaping in a JSON string.
bool IsPlainText(std::string_view text) {
  if (!text.empty() && (text.front() == ' ' || text.back() == ' ')) return false;
  for (char c : text)
    if (c < ' ' || c > '~' || c == ',' || c == '"' || c == '\\') return false;
  return true;
}

/// Appends CsvNumber(value) without a string of its own.
void AppendNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += CsvNumber(value);
    return;
  }
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

/// Fields are appended in column order, each in the spelling of the format; a skipped field
/// stays empty (null in JSON). Atoms are numbered by their atom lines in the frame.
class RowBuilder : public FieldSink {
 public:
  RowBuilder(SummaryFormat format, bool monteCarlo, const std::vector<int>* frameAtoms = nullptr)
      : m_format(format), m_names(ColumnNames(monteCarlo)), m_frameAtoms(frameAtoms) {
    m_row.reserve(1024);
    if (m_format == SummaryFormat::Json) m_row = "{";
  }

  void Empty() override {
    if (m_format == SummaryFormat::Json)
      Next() += "null";
    else
      Next();
  }
  void Text(std::string_view text) override {
    // Most texts need neither quotes, escapes nor repair in any format.
    if (IsPlainText(text)) {
      Next() += m_format == SummaryFormat::Json ? "\"" + std::string(text) + "\"" : text;
      return;
    }
    switch (m_format) {
      case SummaryFormat::Csv:
        Next() += CsvText(text);
        break;
      case SummaryFormat::Json:
        Next() += JsonText(text);
        break;
      case SummaryFormat::Table:
        Next() += ValidUtf8(text);
        break;
    }
  }
  void Integer(long long value) override { Next() += std::to_string(value); }
  void Number(double value) override {
    // JSON has no spelling for the values that are not finite: they stay strings.
    if (m_format == SummaryFormat::Json && !std::isfinite(value))
      Next() += "\"" + CsvNumber(value) + "\"";
    else
      AppendNumber(Next(), value);
  }
  void Atom(int cageAtom) override { Integer((*m_frameAtoms)[cageAtom - 1] + 1); }

  /// Fields of the placement columns: a number 0 is an empty field.
  void Place(const RowPlace& place) {
    Text(place.file);
    Count(place.frame);
    Count(place.line);
    Text(place.comment);
  }

  std::string Finish() {
    switch (m_format) {
      case SummaryFormat::Csv:
        m_row += CsvLineEnd;
        break;
      case SummaryFormat::Json:
        m_row += "}\n";
        break;
      case SummaryFormat::Table:
        EndTableLine();
        break;
    }
    return std::move(m_row);
  }

 private:
  void Count(long long value) {
    if (value > 0)
      Integer(value);
    else
      Empty();
  }

  /// Starts the next field and returns the row to append its value to.
  std::string& Next() {
    // CSV, the common case, is kept short enough to be inlined.
    if (m_format == SummaryFormat::Csv) {
      if (m_field++ > 0) m_row += ',';
      return m_row;
    }
    return NextNamed();
  }

  /// Next() of the formats that name every field.
  std::string& NextNamed() {
    const char* name = m_names[m_field];
    switch (m_format) {
      case SummaryFormat::Csv:
        break;
      case SummaryFormat::Json:
        if (m_field > 0) m_row += ',';
        m_row += '"';
        m_row += name;
        m_row += "\":";
        break;
      case SummaryFormat::Table:
        if (m_field > 0) EndTableLine();
        m_row += name;
        m_row.append(NameWidth() + 2 - std::strlen(name), ' ');
        break;
    }
    ++m_field;
    return m_row;
  }

  /// Ends a table line, without the padding of an empty value.
  void EndTableLine() {
    while (!m_row.empty() && m_row.back() == ' ') m_row.pop_back();
    m_row += '\n';
  }

  SummaryFormat m_format;
  const std::vector<const char*>& m_names;
  const std::vector<int>* m_frameAtoms;
  std::string m_row;
  size_t m_field = 0;
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

std::string JsonText(std::string_view bytes) {
  std::string field = "\"";
  for (char c : ValidUtf8(bytes)) {
    switch (c) {
      case '"':
        field += "\\\"";
        break;
      case '\\':
        field += "\\\\";
        break;
      case '\n':
        field += "\\n";
        break;
      case '\r':
        field += "\\r";
        break;
      case '\t':
        field += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
          field += escape;
        } else {
          field += c;
        }
    }
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
  for (const char* column : ColumnNames(monteCarlo)) {
    if (!header.empty()) header += ',';
    header += column;
  }
  return header;
}

std::string AnalysedRow(SummaryFormat format, const RowPlace& place, const CageSummary& summary,
                        const CagePlace& cage, const std::vector<int>& frameAtoms,
                        bool monteCarlo) {
  RowBuilder row(format, monteCarlo, &frameAtoms);
  row.Place(place);
  WriteCageFields(summary, cage, monteCarlo, row);
  return row.Finish();
}

std::string UnanalysedRow(SummaryFormat format, const RowPlace& place, SummaryStatus status,
                          std::string_view message, bool monteCarlo) {
  RowBuilder row(format, monteCarlo);
  row.Place(place);
  WriteUnanalysedFields(status, message, monteCarlo, row);
  return row.Finish();
}

}  // namespace ovalon
