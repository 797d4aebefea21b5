#pragma once
// The shape of one cage, as the summary reports it: the window's fit and canonical form, sorted
// semi-axes with their directions, the exact surface, the longest chord, and Monte Carlo
// spreads. Everything here is a pure function of its arguments, with no text state, and safe to
// call from worker threads.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "analysis/diagonals.h"
#include "analysis/propagation.h"
#include "core/extended.h"
#include "fit/quadricfit.h"

namespace ovalon {

/// The settings of every cage's analysis.
struct SummarySettings {
  FitPlan fit;                     ///< method, Levenberg–Marquardt settings, inverse precision
  Extended rotationPrecision = 0;  ///< the stop threshold of the rotation method
  int monteCarloDraws = 0;         ///< re-fits per cage; 0 for none
  std::uint64_t seed = 0;          ///< of the Monte Carlo draws
};

/// What became of a frame, from best to worst.
enum class SummaryStatus {
  Ok,            ///< analysed; the fitted quadric is an ellipsoid
  NotEllipsoid,  ///< analysed; the fitted quadric is not an ellipsoid
  OpenCage,      ///< analysed, but some bonds of the cage are not in exactly two of its rings
  Unreadable,    ///< the frame cannot be read
  NoCage,        ///< the frame holds no cage by the rule asked for
  TooFewAtoms,   ///< fewer than 9 atoms: the nine coefficients of the quadric cannot be fitted
  NoFit,         ///< every coordinate is zero: the fit does not run, as in the window
  Singular,      ///< a matrix is singular to the inverse precision
  FileError,     ///< the file cannot be opened or read
};

/// The status as the CSV writes it: "ok", "not-ellipsoid", "open-cage", "unreadable",
/// "no-cage", "too-few-atoms", "no-fit", "singular" or "file-error".
const char* StatusName(SummaryStatus status);

/// True for the statuses of frames that were not analysed (all but Ok, NotEllipsoid and
/// OpenCage).
bool IsErrorStatus(SummaryStatus status);

/// The verdict on a canonical form Σ λk·xk² = K: empty for an ellipsoid (all λ of one sign and
/// K of the same sign), otherwise why not.
std::string EllipsoidVerdict(const Vector3& eigenvalues, Extended freeTerm);

/// The sample standard deviations of the Monte Carlo re-fits.
struct MonteCarloSpread {
  int draws = 0;  ///< re-fits that gave an ellipsoid; only they count
  std::optional<double> semiAxes[3], volume, surface;  ///< set from 2 draws on
};

/// Everything the summary reports about one cage; optional values are the ones a failed step
/// left out.
struct CageSummary {
  SummaryStatus status = SummaryStatus::Ok;
  std::string message;  ///< why, for every status but Ok
  LongestChord chord;
  std::optional<double> residual;                  ///< |F|/N of the fit, N the number of atoms
  std::optional<QuadricParams> coefficients;       ///< A1..A9 of the fit
  std::optional<QuadricParams> coefficientErrors;  ///< their errors dA; least squares, ellipsoid
  std::optional<std::array<double, 3>> centre;
  std::optional<bool> ellipsoid;  ///< set once the canonical form is known
  // Set for an ellipsoid only:
  std::array<double, 3> semiAxes{};  ///< a ≥ b ≥ c, the window's semi-axes rounded to 64 bits
  std::optional<std::array<double, 3>> semiAxisErrors;  ///< first order; least squares only
  std::array<std::array<double, 3>, 3> axes{};  ///< unit directions of a, b, c, right-handed
  double volume = 0, surfaceThomsen = 0, surfaceExact = 0;
  double volumeRadius = 0, surfaceRadiusThomsen = 0, surfaceRadiusExact = 0;
  double eccentricityB = 0, eccentricityC = 0;  ///< √(1 − b²/a²), √(1 − c²/a²)
  ShapeUncertainties uncertainties;  ///< from the coordinates' uncertainties and the fit's scatter
  std::optional<MonteCarloSpread> monteCarlo;  ///< with monteCarloDraws > 0
};

/// The fewest atoms a quadric can be fitted to: one per coefficient.
constexpr int MinimumFitAtoms = 9;

/// Analyses a cage of N atoms with its coordinate uncertainties (`sigma` has as many atoms);
/// compiled for the window's PointSet and for AtomPoints of any size, which give the same
/// results for the same 60 atoms. Fewer than MinimumFitAtoms atoms give TooFewAtoms with the
/// longest chord only. `frameNumber` keys the Monte Carlo draws, so a cage's spreads depend only
/// on the seed and its number.
template <int N>
CageSummary SummariseCage(const BasicPointSet<N>& coords, const BasicPointSet<N>& sigma,
                          const SummarySettings& settings, long long frameNumber);

/// Marks an Ok cage with `openBonds` > 0 bonds that are not in exactly two of its rings
/// (FoundCage::openBonds) as OpenCage, with a message that counts them and ends with `hint`, the
/// way to give the cage's atoms by hand. Other statuses stay as they are.
void MarkOpenCage(CageSummary& summary, int openBonds, std::string_view hint);

/// Sorts the semi-axes a ≥ b ≥ c (ties keep their order) and orients their eigenvector columns
/// of V: in the directions of a and of b the component of largest magnitude (the first of
/// equal ones) is positive; the direction of c makes (a, b, c) right-handed. Returns the order
/// of the eigenvalue indices (0-based) and fills `axes` with the unit directions.
std::array<int, 3> SortAndOrientAxes(const Vector3& semiAxes, const Matrix3& vectors,
                                     std::array<std::array<double, 3>, 3>& axes);

}  // namespace ovalon
