#include "report/summarytable.h"

#include "input/parsenumber.h"
#include "report/messages.h"

namespace ovalon {

namespace {

// clang-format off
constexpr SummaryColumn Columns[] = {
    {"cage", ColumnType::Integer}, {"atoms", ColumnType::Integer},
    {"status", ColumnType::Text}, {"message", ColumnType::Text},
    {"centre_x", ColumnType::Number}, {"centre_y", ColumnType::Number},
    {"centre_z", ColumnType::Number},
    {"a", ColumnType::Number}, {"b", ColumnType::Number}, {"c", ColumnType::Number},
    {"sigma_a", ColumnType::Number}, {"sigma_b", ColumnType::Number},
    {"sigma_c", ColumnType::Number},
    {"axis_a_x", ColumnType::Number}, {"axis_a_y", ColumnType::Number},
    {"axis_a_z", ColumnType::Number}, {"axis_b_x", ColumnType::Number},
    {"axis_b_y", ColumnType::Number}, {"axis_b_z", ColumnType::Number},
    {"axis_c_x", ColumnType::Number}, {"axis_c_y", ColumnType::Number},
    {"axis_c_z", ColumnType::Number},
    {"volume", ColumnType::Number}, {"surface_thomsen", ColumnType::Number},
    {"surface_exact", ColumnType::Number},
    {"radius_volume", ColumnType::Number}, {"radius_surface_thomsen", ColumnType::Number},
    {"radius_surface_exact", ColumnType::Number},
    {"eccentricity_b", ColumnType::Number}, {"eccentricity_c", ColumnType::Number},
    {"residual", ColumnType::Number}, {"chord", ColumnType::Number},
    {"chord_start_atom", ColumnType::Atom}, {"chord_end_atom", ColumnType::Atom},
    {"ellipsoid", ColumnType::Integer},
    {"lin_sd_a", ColumnType::Number}, {"lin_sd_b", ColumnType::Number},
    {"lin_sd_c", ColumnType::Number}, {"lin_sd_volume", ColumnType::Number},
    {"lin_sd_surface_exact", ColumnType::Number}, {"lin_sd_centre_x", ColumnType::Number},
    {"lin_sd_centre_y", ColumnType::Number}, {"lin_sd_centre_z", ColumnType::Number},
    {"fit_sd_a", ColumnType::Number}, {"fit_sd_b", ColumnType::Number},
    {"fit_sd_c", ColumnType::Number}, {"fit_sd_volume", ColumnType::Number},
    {"fit_sd_surface_exact", ColumnType::Number}, {"fit_sd_centre_x", ColumnType::Number},
    {"fit_sd_centre_y", ColumnType::Number}, {"fit_sd_centre_z", ColumnType::Number}};

constexpr SummaryColumn MonteCarloColumns[] = {
    {"mc_draws", ColumnType::Integer}, {"mc_sd_a", ColumnType::Number},
    {"mc_sd_b", ColumnType::Number}, {"mc_sd_c", ColumnType::Number},
    {"mc_sd_volume", ColumnType::Number}, {"mc_sd_surface_exact", ColumnType::Number}};
// clang-format on

constexpr int ColumnCount = sizeof Columns / sizeof Columns[0];
constexpr int MonteCarloColumnCount = sizeof MonteCarloColumns / sizeof MonteCarloColumns[0];
constexpr int ShapeColumnCount = 3 + 3 + 9 + 6 + 2;
constexpr int DeviationColumnCount = 8;

void Empties(FieldSink& sink, int count) {
  for (int n = 0; n < count; ++n) sink.Empty();
}

void Number(FieldSink& sink, const std::optional<double>& value) {
  if (value)
    sink.Number(*value);
  else
    sink.Empty();
}

void WriteShape(const CageSummary& s, FieldSink& sink) {
  for (double v : s.semiAxes) sink.Number(v);
  for (int k = 0; k < 3; ++k) {
    if (s.semiAxisErrors)
      sink.Number((*s.semiAxisErrors)[k]);
    else
      sink.Empty();
  }
  for (const auto& axis : s.axes) {
    for (double v : axis) sink.Number(v);
  }
  sink.Number(s.volume);
  sink.Number(s.surfaceThomsen);
  sink.Number(s.surfaceExact);
  sink.Number(s.volumeRadius);
  sink.Number(s.surfaceRadiusThomsen);
  sink.Number(s.surfaceRadiusExact);
  sink.Number(s.eccentricityB);
  sink.Number(s.eccentricityC);
}

/// The eight fields of one uncertainty set, empty where the set is not given.
void WriteDeviations(const std::optional<ShapeDeviations>& set, FieldSink& sink) {
  if (!set) {
    Empties(sink, DeviationColumnCount);
    return;
  }
  for (double v : set->semiAxes) sink.Number(v);
  sink.Number(set->volume);
  sink.Number(set->surfaceExact);
  for (double v : set->centre) sink.Number(v);
}

void WriteMonteCarlo(const std::optional<MonteCarloSpread>& spread, FieldSink& sink) {
  if (!spread) {
    Empties(sink, MonteCarloColumnCount);
    return;
  }
  sink.Integer(spread->draws);
  for (const auto& sd : spread->semiAxes) Number(sink, sd);
  Number(sink, spread->volume);
  Number(sink, spread->surface);
}

}  // namespace

SummarySettings ReadSummarySettings(const FitSettings& texts) {
  SummarySettings settings;
  settings.fit.leastSquares = texts.leastSquares;
  settings.fit.inversePrecision = ParseNumber(texts.inversePrecision);
  settings.rotationPrecision = ParseNumber(texts.rotationPrecision);
  if (!texts.leastSquares) settings.fit.marquardt = ReadMarquardtSettings(texts);
  return settings;
}

std::vector<SummaryColumn> CageColumns(bool monteCarlo) {
  std::vector<SummaryColumn> columns(std::begin(Columns), std::end(Columns));
  if (monteCarlo) columns.insert(columns.end(), std::begin(MonteCarloColumns), std::end(MonteCarloColumns));
  return columns;
}

void WriteCageFields(const CageSummary& summary, const CagePlace& place, bool monteCarlo,
                     FieldSink& sink) {
  sink.Integer(place.cage);
  sink.Integer(place.atoms);
  sink.Text(StatusName(summary.status));
  sink.Text(summary.status == SummaryStatus::Singular ? SingularMatrixMessage : summary.message);
  if (summary.centre) {
    for (double v : *summary.centre) sink.Number(v);
  } else {
    Empties(sink, 3);
  }
  if (summary.ellipsoid.value_or(false))
    WriteShape(summary, sink);
  else
    Empties(sink, ShapeColumnCount);
  Number(sink, summary.residual);
  sink.Number(summary.chord.length);
  if (summary.chord.startAtom > 0) {
    sink.Atom(summary.chord.startAtom);
    sink.Atom(summary.chord.endAtom);
  } else {
    // All atoms at one point: a chord of length 0 between no particular atoms.
    Empties(sink, 2);
  }
  if (summary.ellipsoid)
    sink.Integer(*summary.ellipsoid ? 1 : 0);
  else
    sink.Empty();
  WriteDeviations(summary.uncertainties.linear, sink);
  WriteDeviations(summary.uncertainties.fitScatter, sink);
  if (monteCarlo) WriteMonteCarlo(summary.monteCarlo, sink);
}

void WriteUnanalysedFields(SummaryStatus status, std::string_view message, bool monteCarlo,
                           FieldSink& sink) {
  Empties(sink, 2);
  sink.Text(StatusName(status));
  sink.Text(message);
  Empties(sink, ColumnCount - 4 + (monteCarlo ? MonteCarloColumnCount : 0));
}

}  // namespace ovalon
