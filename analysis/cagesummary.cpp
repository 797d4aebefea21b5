#include "analysis/cagesummary.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/singularmatrixerror.h"
#include "ellipsoid/carlson.h"
#include "analysis/diagonals.h"
#include "ellipsoid/ellipsoid.h"
#include "ellipsoid/uncertainty.h"
#include "fit/lma.h"
#include "fit/mnk.h"
#include "input/parsenumber.h"
#include "report/messages.h"

namespace ovalon {

SummarySettings ReadSummarySettings(const FitSettings& texts) {
  SummarySettings settings;
  settings.leastSquares = texts.leastSquares;
  settings.inversePrecision = ParseNumber(texts.inversePrecision);
  settings.rotationPrecision = ParseNumber(texts.rotationPrecision);
  if (!texts.leastSquares) settings.marquardt = ReadMarquardtSettings(texts);
  return settings;
}

const char* StatusName(SummaryStatus status) {
  switch (status) {
    case SummaryStatus::Ok:
      return "ok";
    case SummaryStatus::NotEllipsoid:
      return "not-ellipsoid";
    case SummaryStatus::Unreadable:
      return "unreadable";
    case SummaryStatus::CageSize:
      return "cage-size";
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
  return status != SummaryStatus::Ok && status != SummaryStatus::NotEllipsoid;
}

LongestChord FindLongestChord(const PointSet& atoms) {
  // A first pass in 64-bit arithmetic finds the pairs that can hold the longest chord. Its
  // squared distances are within a few parts in 10^15 of the window's extended ones, and a
  // pair whose rounded distance reaches the maximum has a square within about 5E-16 of the
  // largest; the margin of 1E-9 keeps every such pair. When the squares overflow or underflow
  // 64 bits, every pair is a candidate.
  constexpr int Pairs = AtomCount * (AtomCount - 1) / 2;
  std::array<double, Pairs> squares;
  double largest = 0;
  int n = 0;
  for (int i = 1; i <= AtomCount; ++i) {
    for (int j = i + 1; j <= AtomCount; ++j, ++n) {
      const double dx = atoms.X.at(i) - atoms.X.at(j);
      const double dy = atoms.Y.at(i) - atoms.Y.at(j);
      const double dz = atoms.Z.at(i) - atoms.Z.at(j);
      squares[n] = dx * dx + dy * dy + dz * dz;
      largest = std::max(largest, squares[n]);
    }
  }
  const bool rough = largest > 0 && std::isfinite(largest);
  const double threshold = largest * (1 - 1e-9);
  const auto candidate = [&](int pair) { return !rough || squares[pair] >= threshold; };

  LongestChord chord;
  n = 0;
  for (int i = 1; i <= AtomCount; ++i) {
    for (int j = i + 1; j <= AtomCount; ++j, ++n) {
      if (candidate(n)) chord.length = std::max(chord.length, AtomDistance(atoms, i, j));
    }
  }
  if (!(chord.length > 0)) return chord;
  // The window keeps the first pair, in the order (i, j) with i < j, that reaches the maximum.
  n = 0;
  for (int i = 1; i <= AtomCount; ++i) {
    for (int j = i + 1; j <= AtomCount; ++j, ++n) {
      if (!candidate(n) || AtomDistance(atoms, i, j) != chord.length) continue;
      const bool iFarther = OriginDistance(atoms, i) > OriginDistance(atoms, j);
      chord.startAtom = iFarther ? j : i;
      chord.endAtom = iFarther ? i : j;
      return chord;
    }
  }
  return chord;
}

std::string EllipsoidVerdict(Vector3 eigenvalues, Extended freeTerm) {
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

constexpr std::uint64_t Rotate(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

std::uint64_t SplitMix64(std::uint64_t& state) {
  state += 0x9E3779B97F4A7C15ull;
  std::uint64_t z = state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

NormalSampler::NormalSampler(std::uint64_t seed, std::uint64_t key) {
  std::uint64_t state = seed;
  state = SplitMix64(state) ^ key;
  for (std::uint64_t& word : m_state) word = SplitMix64(state);
}

std::uint64_t NormalSampler::NextBits() {
  const std::uint64_t result = Rotate(m_state[1] * 5, 7) * 9;
  const std::uint64_t t = m_state[1] << 17;
  m_state[2] ^= m_state[0];
  m_state[3] ^= m_state[1];
  m_state[1] ^= m_state[2];
  m_state[0] ^= m_state[3];
  m_state[2] ^= t;
  m_state[3] = Rotate(m_state[3], 45);
  return result;
}

double NormalSampler::Next() {
  if (m_hasSpare) {
    m_hasSpare = false;
    return m_spare;
  }
  constexpr double Unit = 1.0 / 9007199254740992.0;                      // 2^−53
  const double u1 = static_cast<double>((NextBits() >> 11) + 1) * Unit;  // (0, 1]: log is finite
  const double u2 = static_cast<double>(NextBits() >> 11) * Unit;        // [0, 1)
  const double radius = std::sqrt(-2 * std::log(u1));
  const double angle = 2 * std::numbers::pi * u2;
  m_spare = radius * std::sin(angle);
  m_hasSpare = true;
  return radius * std::cos(angle);
}

namespace {

QuadricParams Fit(const PointSet& coords, const SummarySettings& settings) {
  if (settings.leastSquares) return FitQuadricLeastSquares(coords, settings.inversePrecision);
  return FitQuadricLevenbergMarquardt(coords, settings.marquardt, settings.inversePrecision);
}

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

MonteCarloSpread RunMonteCarlo(const PointSet& coords, const PointSet& sigma,
                               const SummarySettings& settings, long long frameNumber) {
  NormalSampler normal(settings.seed, static_cast<std::uint64_t>(frameNumber));
  RunningSpread spreads[5];  // a, b, c, volume, exact surface
  for (int draw = 0; draw < settings.monteCarloDraws; ++draw) {
    // Atom by atom, x, y, z: every coordinate takes one draw, whatever its σ, so that the
    // draws of one atom do not depend on the uncertainties of the others.
    PointSet drawn;
    for (int i = 1; i <= AtomCount; ++i) {
      drawn.X.at(i) = coords.X.at(i) + sigma.X.at(i) * normal.Next();
      drawn.Y.at(i) = coords.Y.at(i) + sigma.Y.at(i) * normal.Next();
      drawn.Z.at(i) = coords.Z.at(i) + sigma.Z.at(i) * normal.Next();
    }
    try {
      const QuadricForm q = ToQuadricForm(Fit(drawn, settings), 1.0L);
      const CanonicalForm form =
          ReduceToCanonicalForm(q, settings.inversePrecision, settings.rotationPrecision);
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
  const EigenWithErrorsResult eigen =
      EigenWithErrors(QuadricMatrix(q), QuadricMatrix(e), settings.rotationPrecision);
  const ValuesWithErrors linear =
      RotatedLinearTermsWithErrors(eigen.vectors, q, e, settings.inversePrecision);
  const ValuesWithErrors semi =
      SemiAxesWithErrors(q, e, eigen.values, linear.values, eigen.errors, linear.errors);
  std::array<int, 3> order = {1, 2, 3};
  std::stable_sort(order.begin(), order.end(),
                   [&](int l, int r) { return semi.values.at(l) > semi.values.at(r); });
  return {static_cast<double>(semi.errors.at(order[0])),
          static_cast<double>(semi.errors.at(order[1])),
          static_cast<double>(semi.errors.at(order[2]))};
}

}  // namespace

CageSummary SummariseCage(const PointSet& coords, const PointSet& sigma,
                          const SummarySettings& settings, long long frameNumber) {
  CageSummary summary;
  summary.chord = FindLongestChord(coords);
  if (!CoordinatesLoaded(coords)) {
    summary.status = SummaryStatus::NoFit;
    summary.message = "every coordinate is zero: the fit does not run";
    return summary;
  }
  const Extended inversePrecision = settings.inversePrecision;
  try {
    const QuadricParams a = Fit(coords, settings);
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
    if (settings.leastSquares) {
      const QuadricForm e =
          ToQuadricForm(EstimateQuadricErrors(coords, sigma, inversePrecision), 0.0L);
      summary.semiAxisErrors = SortedSemiAxisErrors(q, e, settings);
    }
    summary.ellipsoid = true;

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
  } catch (const SingularMatrixError&) {
    const std::optional<double> residual = summary.residual;
    const std::optional<std::array<double, 3>> centre = summary.centre;
    const LongestChord chord = summary.chord;
    summary = CageSummary();
    summary.status = SummaryStatus::Singular;
    summary.message = SingularMatrixMessage;
    summary.chord = chord;
    summary.residual = residual;
    summary.centre = centre;
    return summary;
  }
  if (settings.monteCarloDraws > 0)
    summary.monteCarlo = RunMonteCarlo(coords, sigma, settings, frameNumber);
  return summary;
}

}  // namespace ovalon
