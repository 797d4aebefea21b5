#include "analysis/cagesummary.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "analysis/normalsampler.h"
#include "core/singularmatrixerror.h"
#include "ellipsoid/carlson.h"
#include "ellipsoid/ellipsoid.h"
#include "ellipsoid/uncertainty.h"
#include "fit/mnk.h"

namespace ovalon {

const char* StatusName(SummaryStatus status) {
  switch (status) {
    case SummaryStatus::Ok:
      return "ok";
    case SummaryStatus::NotEllipsoid:
      return "not-ellipsoid";
    case SummaryStatus::Unreadable:
      return "unreadable";
    case SummaryStatus::OpenCage:
      return "open-cage";
    case SummaryStatus::NoCage:
      return "no-cage";
    case SummaryStatus::TooFewAtoms:
      return "too-few-atoms";
    case SummaryStatus::NoFit:
      return "no-fit";
    case SummaryStatus::Singular:
      return "singular";
    case SummaryStatus::FileError:
      return "file-error";
  }
  return "";
}

bool IsErrorStatus(SummaryStatus status) {
  return status != SummaryStatus::Ok && status != SummaryStatus::NotEllipsoid &&
         status != SummaryStatus::OpenCage;
}

void MarkOpenCage(CageSummary& summary, int openBonds, std::string_view hint) {
  if (openBonds <= 0 || summary.status != SummaryStatus::Ok) return;
  summary.status = SummaryStatus::OpenCage;
  summary.message = std::to_string(openBonds) + (openBonds == 1 ? " bond" : " bonds") +
                    " of the cage " + (openBonds == 1 ? "is" : "are") +
                    " not in exactly two of its rings: atoms are missing, or an addend's ring "
                    "is fused onto it; " +
                    std::string(hint);
}

std::string EllipsoidVerdict(const Vector3& eigenvalues, Extended freeTerm) {
  int positive = 0, negative = 0;
  for (int k = 1; k <= 3; ++k) {
    if (!std::isfinite(eigenvalues.at(k))) return "the fitted quadric is not finite";
    if (eigenvalues.at(k) > 0) ++positive;
    if (eigenvalues.at(k) < 0) ++negative;
  }
  if (!std::isfinite(freeTerm)) return "the fitted quadric is not finite";
  if (positive + negative < 3)
    return "an eigenvalue of the quadratic part is zero: the quadric is degenerate";
  if (positive > 0 && negative > 0)
    return "the eigenvalues have both signs: the quadric is a hyperboloid or a cone";
  if (freeTerm == 0) return "the canonical constant is zero: the quadric is a single point";
  if ((freeTerm > 0) != (positive == 3))
    return "the canonical constant and the eigenvalues have opposite signs: "
           "an imaginary ellipsoid without real points";
  return "";
}

std::array<int, 3> SortAndOrientAxes(const Vector3& semiAxes, const Matrix3& vectors,
                                     std::array<std::array<double, 3>, 3>& axes) {
  std::array<int, 3> order = {0, 1, 2};
  std::stable_sort(order.begin(), order.end(),
                   [&](int l, int r) { return semiAxes.at(l + 1) > semiAxes.at(r + 1); });
  Extended u[3][3];
  for (int n = 0; n < 3; ++n) {
    for (int r = 0; r < 3; ++r) u[n][r] = vectors.at(r + 1, order[n] + 1);
  }
  for (int n = 0; n < 2; ++n) {
    int largest = 0;
    for (int r = 1; r < 3; ++r) {
      if (std::fabs(u[n][r]) > std::fabs(u[n][largest])) largest = r;
    }
    if (u[n][largest] < 0) {
      for (int r = 0; r < 3; ++r) u[n][r] = -u[n][r];
    }
  }
  const Extended determinant = u[0][0] * (u[1][1] * u[2][2] - u[1][2] * u[2][1]) -
                               u[0][1] * (u[1][0] * u[2][2] - u[1][2] * u[2][0]) +
                               u[0][2] * (u[1][0] * u[2][1] - u[1][1] * u[2][0]);
  if (determinant < 0) {
    for (int r = 0; r < 3; ++r) u[2][r] = -u[2][r];
  }
  // Adding +0 turns the −0 of a negated zero component into 0.
  for (int n = 0; n < 3; ++n) {
    for (int r = 0; r < 3; ++r) axes[n][r] = static_cast<double>(u[n][r]) + 0.0;
  }
  return order;
}

namespace {

/// The semi-axes as the window stores them: 64-bit values in the order of the eigenvalues.
std::array<double, 3> StoredSemiAxes(const CanonicalForm& form) {
  return {static_cast<double>(form.semiAxes.at(1)), static_cast<double>(form.semiAxes.at(2)),
          static_cast<double>(form.semiAxes.at(3))};
}

/// Running mean and sum of squared deviations (Welford), in extended precision.
struct RunningSpread {
  long long count = 0;
  Extended mean = 0, squares = 0;

  void Add(Extended x) {
    ++count;
    const Extended delta = x - mean;
    mean += delta / count;
    squares += delta * (x - mean);
  }
  std::optional<double> StandardDeviation() const {
    if (count < 2) return std::nullopt;
    return static_cast<double>(std::sqrt(squares / (count - 1)));
  }
};

template <int N>
MonteCarloSpread RunMonteCarlo(const BasicPointSet<N>& coords, const BasicPointSet<N>& sigma,
                               const SummarySettings& settings, long long frameNumber) {
  NormalSampler normal(settings.seed, static_cast<std::uint64_t>(frameNumber));
  RunningSpread spreads[5];  // a, b, c, volume, exact surface
  for (int draw = 0; draw < settings.monteCarloDraws; ++draw) {
    // Atom by atom, x, y, z: every coordinate takes one draw, whatever its σ, so that the
    // draws of one atom do not depend on the uncertainties of the others.
    BasicPointSet<N> drawn(coords.Size());
    for (int i = 1; i <= coords.Size(); ++i) {
      drawn.X.at(i) = coords.X.at(i) + sigma.X.at(i) * normal.Next();
      drawn.Y.at(i) = coords.Y.at(i) + sigma.Y.at(i) * normal.Next();
      drawn.Z.at(i) = coords.Z.at(i) + sigma.Z.at(i) * normal.Next();
    }
    try {
      const QuadricForm q = ToQuadricForm(FitQuadric(drawn, settings.fit), 1.0L);
      const CanonicalForm form =
          ReduceToCanonicalForm(q, settings.fit.inversePrecision, settings.rotationPrecision);
      if (!EllipsoidVerdict(form.eigen.values, form.freeTerm).empty()) continue;
      std::array<double, 3> axes = StoredSemiAxes(form);
      const Extended volume = MeasureEllipsoid(axes).volume;
      std::sort(axes.begin(), axes.end(), std::greater<>());
      for (int k = 0; k < 3; ++k) spreads[k].Add(axes[k]);
      spreads[3].Add(volume);
      spreads[4].Add(EllipsoidSurfaceArea(axes[0], axes[1], axes[2]));
    } catch (const SingularMatrixError&) {
      // A draw that cannot be fitted does not count.
    }
  }
  MonteCarloSpread result;
  result.draws = static_cast<int>(spreads[0].count);
  for (int k = 0; k < 3; ++k) result.semiAxes[k] = spreads[k].StandardDeviation();
  result.volume = spreads[3].StandardDeviation();
  result.surface = spreads[4].StandardDeviation();
  return result;
}

/// The first-order uncertainties of the semi-axes, sorted with their semi-axes: the error
/// estimate runs its own rotations, so its eigenvalues are paired with the canonical form's by
/// the rank of their semi-axes, not by their position.
std::array<double, 3> SortedSemiAxisErrors(const QuadricForm& q, const QuadricForm& e,
                                           const SummarySettings& settings) {
  const ValuesWithErrors semi =
      PropagateUncertainties(q, e, settings.fit.inversePrecision, settings.rotationPrecision)
          .semiAxes;
  std::array<int, 3> order = {1, 2, 3};
  std::stable_sort(order.begin(), order.end(),
                   [&](int l, int r) { return semi.values.at(l) > semi.values.at(r); });
  return {static_cast<double>(semi.errors.at(order[0])),
          static_cast<double>(semi.errors.at(order[1])),
          static_cast<double>(semi.errors.at(order[2]))};
}

}  // namespace

template <int N>
CageSummary SummariseCage(const BasicPointSet<N>& coords, const BasicPointSet<N>& sigma,
                          const SummarySettings& settings, long long frameNumber) {
  assert(sigma.Size() == coords.Size());
  CageSummary summary;
  summary.chord = FindLongestChord(coords);
  if (coords.Size() < MinimumFitAtoms) {
    summary.status = SummaryStatus::TooFewAtoms;
    summary.message = std::to_string(coords.Size()) + (coords.Size() == 1 ? " atom" : " atoms") +
                      ": fitting the nine coefficients of the quadric needs at least " +
                      std::to_string(MinimumFitAtoms);
    return summary;
  }
  if (!CoordinatesLoaded(coords)) {
    summary.status = SummaryStatus::NoFit;
    summary.message = "every coordinate is zero: the fit does not run";
    return summary;
  }
  const Extended inversePrecision = settings.fit.inversePrecision;
  try {
    const FittedQuadric fit = FitQuadricWithInverseNormal(coords, settings.fit);
    const QuadricParams& a = fit.params;
    summary.coefficients = a;
    summary.residual = static_cast<double>(ScaledResidualNorm(coords, a));
    const QuadricForm q = ToQuadricForm(a, 1.0L);
    const Vector3 centre = QuadricCentre(q, inversePrecision);
    summary.centre = {static_cast<double>(centre.at(1)), static_cast<double>(centre.at(2)),
                      static_cast<double>(centre.at(3))};
    const CanonicalForm form =
        ReduceToCanonicalForm(q, inversePrecision, settings.rotationPrecision);
    const std::string verdict = EllipsoidVerdict(form.eigen.values, form.freeTerm);
    if (!verdict.empty()) {
      summary.status = SummaryStatus::NotEllipsoid;
      summary.message = "not an ellipsoid: " + verdict;
      summary.ellipsoid = false;
      return summary;
    }
    if (settings.fit.leastSquares) {
      // `a` and DᵀD come from the least-squares fit of these coordinates: the estimate does
      // not form them again.
      summary.coefficientErrors =
          EstimateQuadricErrors(coords, sigma, a, *fit.normal, inversePrecision);
      const QuadricForm e = ToQuadricForm(*summary.coefficientErrors, 0.0L);
      summary.semiAxisErrors = SortedSemiAxisErrors(q, e, settings);
    }
    summary.ellipsoid = true;
    if (fit.inverseNormal) {
      summary.uncertainties = PropagateShapeUncertainties(ColumnsOf(coords), ColumnsOf(sigma), a,
                                                          *fit.inverseNormal, form);
    }

    const std::array<double, 3> stored = StoredSemiAxes(form);
    const EllipsoidMeasures measures = MeasureEllipsoid(stored);
    const std::array<int, 3> order =
        SortAndOrientAxes(form.semiAxes, form.eigen.vectors, summary.axes);
    for (int n = 0; n < 3; ++n) summary.semiAxes[n] = stored[order[n]];
    const Extended sa = summary.semiAxes[0], sb = summary.semiAxes[1], sc = summary.semiAxes[2];
    const Extended surface = EllipsoidSurfaceArea(sa, sb, sc);
    summary.volume = static_cast<double>(measures.volume);
    summary.surfaceThomsen = static_cast<double>(measures.surface);
    summary.surfaceExact = static_cast<double>(surface);
    summary.volumeRadius = static_cast<double>(measures.volumeRadius);
    summary.surfaceRadiusThomsen = static_cast<double>(measures.surfaceRadius);
    summary.surfaceRadiusExact = static_cast<double>(std::sqrt(surface / FourPi));
    summary.eccentricityB = static_cast<double>(std::sqrt(1 - (sb * sb) / (sa * sa)));
    summary.eccentricityC = static_cast<double>(std::sqrt(1 - (sc * sc) / (sa * sa)));
  } catch (const SingularMatrixError& error) {
    const std::optional<double> residual = summary.residual;
    const std::optional<QuadricParams> coefficients = summary.coefficients;
    const std::optional<std::array<double, 3>> centre = summary.centre;
    const LongestChord chord = summary.chord;
    summary = CageSummary();
    summary.status = SummaryStatus::Singular;
    summary.message = error.what();
    summary.chord = chord;
    summary.residual = residual;
    summary.coefficients = coefficients;
    summary.centre = centre;
    return summary;
  }
  if (settings.monteCarloDraws > 0)
    summary.monteCarlo = RunMonteCarlo(coords, sigma, settings, frameNumber);
  return summary;
}

template CageSummary SummariseCage(const PointSet&, const PointSet&, const SummarySettings&,
                                   long long);
template CageSummary SummariseCage(const AtomPoints&, const AtomPoints&, const SummarySettings&,
                                   long long);

}  // namespace ovalon
