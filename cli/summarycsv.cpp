#include "cli/summarycsv.h"

#include <charconv>
#include <cmath>

#include "input/textfile.h"
#include "report/messages.h"

namespace ovalon {

namespace {

// clang-format off
constexpr const char* Columns[] = {
    "file", "frame", "line", "comment", "status", "message",
    "centre_x", "centre_y", "centre_z",
    "a", "b", "c", "sigma_a", "sigma_b", "sigma_c",
    "axis_a_x", "axis_a_y", "axis_a_z", "axis_b_x", "axis_b_y", "axis_b_z",
    "axis_c_x", "axis_c_y", "axis_c_z",
    "volume", "surface_thomsen", "surface_exact",
    "radius_volume", "radius_surface_thomsen", "radius_surface_exact",
    "eccentricity_b", "eccentricity_c",
    "residual", "chord", "chord_start_atom", "chord_end_atom", "ellipsoid"};
// clang-format on

constexpr const char* MonteCarloColumns[] = {"mc_draws", "mc_sd_a",      "mc_sd_b",
                                             "mc_sd_c",  "mc_sd_volume", "mc_sd_surface_exact"};

constexpr int ColumnCount = sizeof Columns / sizeof Columns[0];
constexpr int MonteCarloColumnCount = sizeof MonteCarloColumns / sizeof MonteCarloColumns[0];

/// Fields are appended in column order; a skipped field stays empty.
class RowBuilder {
 public:
  void Text(std::string_view text) { Next() += CsvText(text); }
  void Number(double value) { Next() += CsvNumber(value); }
  void Number(const std::optional<double>& value) {
    if (value)
      Number(*value);
    else
      Empty();
  }
  void Integer(long long value) { Next() += std::to_string(value); }
  void Empty() { Next(); }
  void Empties(int count) {
    for (int n = 0; n < count; ++n) Empty();
  }
  std::string Finish() { return std::move(m_row); }

 private:
  std::string& Next() {
    if (m_fields++ > 0) m_row += ',';
    return m_row;
  }
  std::string m_row;
  int m_fields = 0;
};

void AppendShape(RowBuilder& row, const CageSummary& s) {
  for (double v : s.semiAxes) row.Number(v);
  for (int k = 0; k < 3; ++k) {
    if (s.semiAxisErrors)
      row.Number((*s.semiAxisErrors)[k]);
    else
      row.Empty();
  }
  for (const auto& axis : s.axes) {
    for (double v : axis) row.Number(v);
  }
  row.Number(s.volume);
  row.Number(s.surfaceThomsen);
  row.Number(s.surfaceExact);
  row.Number(s.volumeRadius);
  row.Number(s.surfaceRadiusThomsen);
  row.Number(s.surfaceRadiusExact);
  row.Number(s.eccentricityB);
  row.Number(s.eccentricityC);
}

constexpr int ShapeColumnCount = 3 + 3 + 9 + 6 + 2;

void AppendMonteCarlo(RowBuilder& row, const std::optional<MonteCarloSpread>& spread) {
  if (!spread) {
    row.Empties(MonteCarloColumnCount);
    return;
  }
  row.Integer(spread->draws);
  for (const auto& sd : spread->semiAxes) row.Number(sd);
  row.Number(spread->volume);
  row.Number(spread->surface);
}

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
  for (int n = 0; n < ColumnCount; ++n) {
    if (n > 0) header += ',';
    header += Columns[n];
  }
  if (monteCarlo) {
    for (const char* column : MonteCarloColumns) header += std::string(",") + column;
  }
  return header;
}

std::string SummaryRow(std::string_view file, const CageFrame& frame, const CageSummary& summary,
                       bool monteCarlo) {
  RowBuilder row;
  row.Text(file);
  row.Integer(frame.frame);
  row.Integer(frame.line);
  row.Text(frame.comment);
  if (frame.problem != FrameProblem::None) {
    const SummaryStatus status = frame.problem == FrameProblem::CageSize
                                     ? SummaryStatus::CageSize
                                     : SummaryStatus::Unreadable;
    row.Text(StatusName(status));
    row.Text(frame.message);
    row.Empties(ColumnCount - 6 + (monteCarlo ? MonteCarloColumnCount : 0));
    return row.Finish();
  }
  row.Text(StatusName(summary.status));
  // The message of a singular matrix is the one the window shows.
  row.Text(summary.status == SummaryStatus::Singular ? SingularMatrixMessage : summary.message);
  if (summary.centre) {
    for (double v : *summary.centre) row.Number(v);
  } else {
    row.Empties(3);
  }
  const bool ellipsoid = summary.ellipsoid.value_or(false);
  if (ellipsoid)
    AppendShape(row, summary);
  else
    row.Empties(ShapeColumnCount);
  row.Number(summary.residual);
  if (summary.chord.startAtom > 0) {
    row.Number(summary.chord.length);
    row.Integer(frame.atomNumbers[summary.chord.startAtom - 1]);
    row.Integer(frame.atomNumbers[summary.chord.endAtom - 1]);
  } else {
    // All atoms at one point: a chord of length 0 between no particular atoms.
    row.Number(summary.chord.length);
    row.Empties(2);
  }
  if (summary.ellipsoid)
    row.Integer(*summary.ellipsoid ? 1 : 0);
  else
    row.Empty();
  if (monteCarlo) AppendMonteCarlo(row, summary.monteCarlo);
  return row.Finish();
}

std::string FileErrorRow(std::string_view file, std::string_view message, bool monteCarlo) {
  RowBuilder row;
  row.Text(file);
  row.Empties(3);
  row.Text(StatusName(SummaryStatus::FileError));
  row.Text(message);
  row.Empties(ColumnCount - 6 + (monteCarlo ? MonteCarloColumnCount : 0));
  return row.Finish();
}

}  // namespace ovalon
