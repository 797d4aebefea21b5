#include "tests/characterisation/characterise.h"

#include <cstdio>
#include <functional>
#include <optional>

#include "analysis/cagesummary.h"
#include "core/guardedinverse.h"
#include "core/singularmatrixerror.h"
#include "ellipsoid/carlson.h"
#include "ellipsoid/ellipsoid.h"
#include "ellipsoid/uncertainty.h"
#include "fit/lma.h"
#include "fit/mnk.h"
#include "input/parsenumber.h"
#include "report/characteristics.h"
#include "report/diagonals.h"
#include "report/fitrun.h"

namespace ovalon::characterisation {

namespace {

std::string Hex(Extended value) {
  char text[64];
  std::snprintf(text, sizeof text, "%La", value);
  return text;
}

std::string Hex(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%a", value);
  return text;
}

std::string Hex(const std::optional<double>& value) { return value ? Hex(*value) : "-"; }

/// Collects the quantities of one cage in the order they are added.
class Recorder {
 public:
  std::vector<std::string>& Start(const std::string& name, bool alwaysHashed = false) {
    m_quantities.push_back({name, {}, alwaysHashed});
    return m_quantities.back().values;
  }
  template <int R, int C, typename T>
  void Add(const std::string& name, const FixedMatrix<R, C, T>& m) {
    Append(Start(name), m);
  }
  template <int N, typename T>
  void Add(const std::string& name, const FixedVector<N, T>& v) {
    Append(Start(name), v);
  }
  void Add(const std::string& name, const std::vector<std::string>& lines) { Start(name) = lines; }
  /// Runs `step`; a SingularMatrixError is recorded as the quantity's one value "singular".
  bool Guard(const std::string& name, const std::function<void()>& step) {
    try {
      step();
      return true;
    } catch (const SingularMatrixError&) {
      Start(name) = {"singular"};
      return false;
    }
  }
  std::vector<Quantity> Take() { return std::move(m_quantities); }

  template <typename Values>
  static void Append(std::vector<std::string>& out, const Values& values) {
    for (const auto& v : values.data) out.push_back(Hex(v));
  }

 private:
  std::vector<Quantity> m_quantities;
};

void AddPointSet(std::vector<std::string>& out, const PointSet& points) {
  Recorder::Append(out, points.X);
  Recorder::Append(out, points.Y);
  Recorder::Append(out, points.Z);
}

FitSettings Texts(const CaseSettings& settings) {
  FitSettings texts;
  texts.inversePrecision = settings.inversePrecision;
  texts.rotationPrecision = settings.rotationPrecision;
  texts.leastSquares = settings.leastSquares;
  texts.cycles = settings.cycles;
  texts.start = settings.start;
  texts.lambda = settings.lambda;
  texts.step = settings.step;
  return texts;
}

void RecordCanonicalForm(Recorder& record, const QuadricForm& q, Extended inversePrecision,
                         Extended rotationPrecision) {
  record.Guard("canonical_form", [&] {
    const CanonicalForm form = ReduceToCanonicalForm(q, inversePrecision, rotationPrecision);
    record.Add("eigenvalues", form.eigen.values);
    record.Add("eigenvectors", form.eigen.vectors);
    record.Start("rotations") = {std::to_string(form.eigen.rotations)};
    record.Add("inverse_eigenvectors", form.inverseVectors);
    record.Add("rotated_linear_terms", form.linearTerms);
    record.Start("free_term") = {Hex(form.freeTerm)};
    record.Add("semi_axes", form.semiAxes);
    record.Add("canonical_shift", form.shift);
    const std::array<double, 3> stored = {static_cast<double>(form.semiAxes.at(1)),
                                          static_cast<double>(form.semiAxes.at(2)),
                                          static_cast<double>(form.semiAxes.at(3))};
    const EllipsoidMeasures measures = MeasureEllipsoid(stored);
    record.Start("measures") = {Hex(measures.volume), Hex(measures.volumeRadius),
                                Hex(measures.surface), Hex(measures.surfaceRadius),
                                Hex(EllipsoidSurfaceArea(stored[0], stored[1], stored[2]))};
  });
}

void RecordUncertainties(Recorder& record, const QuadricForm& q, const QuadricForm& e,
                         Extended inversePrecision, Extended rotationPrecision) {
  const EigenWithErrorsResult eigen =
      EigenWithErrors(QuadricMatrix(q), QuadricMatrix(e), rotationPrecision);
  record.Add("error_eigenvalues", eigen.values);
  record.Add("eigenvalue_errors", eigen.errors);
  record.Add("error_eigenvectors", eigen.vectors);
  record.Guard("linear_term_errors", [&] {
    const ValuesWithErrors linear =
        RotatedLinearTermsWithErrors(eigen.vectors, q, e, inversePrecision);
    record.Add("error_linear_terms", linear.values);
    record.Add("linear_term_errors", linear.errors);
    const ValuesWithErrors semi =
        SemiAxesWithErrors(q, e, eigen.values, linear.values, eigen.errors, linear.errors);
    record.Add("error_semi_axes", semi.values);
    record.Add("semi_axis_errors", semi.errors);
  });
}

/// The three reports the check boxes give: transformed, transformed and listed, neither.
void RecordCharacteristics(Recorder& record, const Cage& cage, const QuadricForm& q,
                           const QuadricForm& e, Extended inversePrecision,
                           Extended rotationPrecision) {
  CharacteristicsInput input;
  input.fitParams = q;
  input.fitErrors = e;
  input.inversePrecision = inversePrecision;
  input.rotationPrecision = rotationPrecision;
  input.atomCoords = cage.coords;
  input.coordErrors = cage.sigma;
  const struct {
    const char* name;
    bool transform, show;
  } variants[] = {{"characteristics_report", true, false},
                  {"characteristics_report_listed", true, true},
                  {"characteristics_report_untransformed", false, false}};
  for (const auto& variant : variants) {
    input.transformCoordinates = variant.transform;
    input.showCoordinates = variant.show;
    record.Guard(variant.name, [&] {
      const CharacteristicsResult result = RunCharacteristics(input, ".");
      record.Add(variant.name, result.lines);
      if (!variant.show) return;
      std::vector<std::string>& stored = record.Start("characteristics_stored");
      for (double v : result.ellipsoidCentre) stored.push_back(Hex(v));
      for (double v : result.semiAxes) stored.push_back(Hex(v));
      AddPointSet(stored, result.transformedCoords);
    });
  }
}

void RecordFitRun(Recorder& record, const Cage& cage) {
  const FitRunResult run = RunFit(cage.coords, cage.sigma, Texts(cage.settings), ".");
  std::vector<std::string>& stored = record.Start("fit_run");
  stored.push_back("status " + std::to_string(static_cast<int>(run.status)));
  if (run.inversePrecision) stored.push_back(Hex(*run.inversePrecision));
  if (run.rotationPrecision) stored.push_back(Hex(*run.rotationPrecision));
  if (run.fitParams) Recorder::Append(stored, *run.fitParams);
  if (run.fitErrors) Recorder::Append(stored, *run.fitErrors);
  record.Add("fit_report", run.lines);
}

void RecordDiagonals(Recorder& record, const Cage& cage) {
  const DiagonalResult result = FindMaximumDiagonals(cage.coords);
  std::vector<std::string>& values = record.Start("diagonals");
  Recorder::Append(values, result.atomMaxDistance);
  for (const auto* point : {&result.start, &result.end, &result.vector}) {
    for (double v : *point) values.push_back(Hex(v));
  }
  values.push_back(Hex(result.length));
  record.Add("diagonals_report", DiagonalLines(cage.coords, result, "."));
}

/// What the summary's columns show: the numbers of its status, as the CSV writes them.
template <int N>
void RecordSummary(Recorder& record, const Cage& cage, const BasicPointSet<N>& coords,
                   const BasicPointSet<N>& sigma, const FitPlan& plan, Extended rotationPrecision) {
  SummarySettings settings;
  settings.fit = plan;
  settings.rotationPrecision = rotationPrecision;
  settings.monteCarloDraws = cage.settings.monteCarloDraws;
  settings.seed = cage.settings.seed;
  const CageSummary s = SummariseCage(coords, sigma, settings, cage.index + 1);
  std::vector<std::string>& values = record.Start("summary");
  values.push_back(std::string("status ") + StatusName(s.status));
  if (s.status == SummaryStatus::NotEllipsoid) values.push_back(s.message);
  values.push_back(Hex(s.chord.length));
  values.push_back(std::to_string(s.chord.startAtom) + " " + std::to_string(s.chord.endAtom));
  values.push_back(Hex(s.residual));
  if (s.centre) {
    for (double v : *s.centre) values.push_back(Hex(v));
  }
  if (s.ellipsoid) values.push_back(*s.ellipsoid ? "ellipsoid" : "not ellipsoid");
  if (s.ellipsoid.value_or(false)) {
    for (double v : s.semiAxes) values.push_back(Hex(v));
    if (s.semiAxisErrors) {
      for (double v : *s.semiAxisErrors) values.push_back(Hex(v));
    }
    for (const auto& axis : s.axes) {
      for (double v : axis) values.push_back(Hex(v));
    }
    for (double v :
         {s.volume, s.surfaceThomsen, s.surfaceExact, s.volumeRadius, s.surfaceRadiusThomsen,
          s.surfaceRadiusExact, s.eccentricityB, s.eccentricityC})
      values.push_back(Hex(v));
  }
  if (s.monteCarlo) {
    values.push_back("draws " + std::to_string(s.monteCarlo->draws));
    for (const auto& sd : s.monteCarlo->semiAxes) values.push_back(Hex(sd));
    values.push_back(Hex(s.monteCarlo->volume));
    values.push_back(Hex(s.monteCarlo->surface));
  }
}

/// The settings the cage is analysed with: its texts read as the window reads them.
struct ReadSettings {
  Extended inversePrecision = 0, rotationPrecision = 0;
  FitPlan plan;
};

ReadSettings Read(const Cage& cage) {
  const FitSettings texts = Texts(cage.settings);
  ReadSettings read;
  read.inversePrecision = ParseNumber(texts.inversePrecision);
  read.rotationPrecision = ParseNumber(texts.rotationPrecision);
  read.plan.inversePrecision = read.inversePrecision;
  read.plan.leastSquares = texts.leastSquares;
  if (!texts.leastSquares) read.plan.marquardt = ReadMarquardtSettings(texts);
  return read;
}

/// The fit's results, which depend on the number of atoms; `a` and `da` receive the
/// coefficients and their errors when the fits succeed.
template <int N>
void RecordFits(Recorder& record, const BasicPointSet<N>& coords, const BasicPointSet<N>& sigma,
                const ReadSettings& read, std::optional<QuadricParams>& a,
                std::optional<QuadricParams>& da) {
  const Extended inversePrecision = read.inversePrecision;
  const bool leastSquares = read.plan.leastSquares;
  const Matrix9 normal = BuildNormalMatrix(coords);
  record.Add("normal", normal);
  record.Guard("normal_inverse",
               [&] { record.Add("normal_inverse", InvertGuarded(normal, inversePrecision)); });
  record.Add("normal_increment", BuildNormalIncrement(coords, sigma));

  record.Guard("coefficients", [&] {
    a = leastSquares ? FitQuadricLeastSquares(coords, inversePrecision)
                     : FitQuadricLevenbergMarquardt(coords, read.plan.marquardt, inversePrecision);
    record.Add("coefficients", *a);
  });
  if (leastSquares) {
    record.Guard("coefficient_errors", [&] {
      da = EstimateQuadricErrors(coords, sigma, inversePrecision);
      record.Add("coefficient_errors", *da);
    });
  }
  if (a) {
    record.Add("quadric_values", EvaluateQuadric(coords, *a));
    record.Add("negated_residuals", NegatedResiduals(coords, *a));
    record.Start("residual_norms") = {Hex(ScaledResidualNorm(coords, *a)),
                                      Hex(ResidualNorm(coords, *a))};
  }
}

}  // namespace

std::vector<Quantity> CharacteriseAtRunTimeSize(const Cage& cage) {
  Recorder record;
  const AtomPoints coords(cage.coords), sigma(cage.sigma);
  const ReadSettings read = Read(cage);
  std::optional<QuadricParams> a, da;
  RecordFits(record, coords, sigma, read, a, da);
  if (cage.finite) RecordSummary(record, cage, coords, sigma, read.plan, read.rotationPrecision);
  return record.Take();
}

std::vector<Quantity> Characterise(const Cage& cage) {
  Recorder record;
  std::vector<std::string>& input = record.Start("input", true);
  AddPointSet(input, cage.coords);
  AddPointSet(input, cage.sigma);

  const ReadSettings read = Read(cage);
  const Extended inversePrecision = read.inversePrecision;
  const Extended rotationPrecision = read.rotationPrecision;
  // The reports are built with the point as decimal separator, as after any text was read.

  std::optional<QuadricParams> a, da;
  RecordFits(record, cage.coords, cage.sigma, read, a, da);
  if (a) {
    const QuadricForm q = ToQuadricForm(*a, 1.0L);
    const QuadricForm e = da ? ToQuadricForm(*da, 0.0L) : QuadricForm{};
    record.Guard("centre", [&] { record.Add("centre", QuadricCentre(q, inversePrecision)); });
    record.Add("invariants", QuadricInvariants(q));
    RecordCanonicalForm(record, q, inversePrecision, rotationPrecision);
    RecordUncertainties(record, q, e, inversePrecision, rotationPrecision);
    RecordCharacteristics(record, cage, q, e, inversePrecision, rotationPrecision);
  }
  RecordFitRun(record, cage);
  RecordDiagonals(record, cage);
  // The summary reads only finite numbers; its chord is defined for finite coordinates.
  if (cage.finite)
    RecordSummary(record, cage, cage.coords, cage.sigma, read.plan, read.rotationPrecision);
  return record.Take();
}

}  // namespace ovalon::characterisation
