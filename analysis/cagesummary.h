#pragma once
// The shape of one cage for the summary: the window's fit and canonical form, sorted semi-axes
// with their directions, the exact surface, the longest chord, and Monte Carlo spreads.
// Everything here is a pure function of its arguments and safe to call from worker threads:
// nothing reads or writes the process-wide decimal separator.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/extended.h"
#include "report/fitrun.h"

namespace ovalon {

/// The settings of every frame's analysis, read once from the option texts.
struct SummarySettings {
  bool leastSquares = true;
  MarquardtSettings marquardt;  ///< used when leastSquares is false
  Extended inversePrecision = 0;
  Extended rotationPrecision = 0;
  int monteCarloDraws = 0;  ///< re-fits per frame; 0 for none
  std::uint64_t seed = 0;
};

/// Reads the precisions and, for the Levenberg–Marquardt method, Edit1..Edit4 by the rules of
/// the fit run (ParseNumber, defaults for empty texts, the 32-bit cycle count). Sets the
/// process-wide decimal separator, so call it on the main thread only. Throws EConvertError.
SummarySettings ReadSummarySettings(const FitSettings& texts);

/// What became of a frame, from best to worst.
enum class SummaryStatus {
  Ok,            ///< analysed; the fitted quadric is an ellipsoid
  NotEllipsoid,  ///< analysed; the fitted quadric is not an ellipsoid
  Unreadable,    ///< the frame cannot be read
  CageSize,      ///< the frame does not hold exactly 60 carbon atoms
  NoFit,         ///< every coordinate is zero: the fit does not run, as in the window
  Singular,      ///< a matrix is singular to the inverse precision
  FileError,     ///< the file cannot be opened or read
};

/// The status as the CSV writes it: "ok", "not-ellipsoid", "unreadable", "cage-size", "no-fit",
/// "singular" or "file-error".
const char* StatusName(SummaryStatus status);

/// True for the statuses of frames that were not analysed (all but Ok and NotEllipsoid).
bool IsErrorStatus(SummaryStatus status);

/// The longest atom-to-atom chord, found as the window finds its maximum diagonal.
struct LongestChord {
  double length = 0;
  int startAtom = 0;  ///< cage atom 1..60 nearer to the origin; 0 when all atoms coincide
  int endAtom = 0;
};

/// The same chord as FindMaximumDiagonals (the first pair i < j of the largest 64-bit distance,
/// its start the atom nearer to the origin, atom i on a tie) for finite coordinates, without
/// report lines and with the window's extended distance only for the pairs that may reach the
/// maximum.
LongestChord FindLongestChord(const PointSet& atoms);

/// The verdict on a canonical form Σ λk·xk² = K: empty for an ellipsoid (all λ of one sign and
/// K of the same sign), otherwise why not.
std::string EllipsoidVerdict(Vector3 eigenvalues, Extended freeTerm);

/// The sample standard deviations of the Monte Carlo re-fits.
struct MonteCarloSpread {
  int draws = 0;  ///< re-fits that gave an ellipsoid; only they count
  std::optional<double> semiAxes[3], volume, surface;  ///< set from 2 draws on
};

/// Everything the summary reports about one cage; optional values are the ones a failed step
/// left out.
struct CageSummary {
  SummaryStatus status = SummaryStatus::Ok;
  std::string message;
  LongestChord chord;
  std::optional<double> residual;  ///< |F|/60 of the fit
  std::optional<std::array<double, 3>> centre;
  std::optional<bool> ellipsoid;  ///< set once the canonical form is known
  // Set for an ellipsoid only:
  std::array<double, 3> semiAxes{};  ///< a ≥ b ≥ c, the window's semi-axes rounded to 64 bits
  std::optional<std::array<double, 3>> semiAxisErrors;  ///< first order; least squares only
  std::array<std::array<double, 3>, 3> axes{};  ///< unit directions of a, b, c, right-handed
  double volume = 0, surfaceThomsen = 0, surfaceExact = 0;
  double volumeRadius = 0, surfaceRadiusThomsen = 0, surfaceRadiusExact = 0;
  double eccentricityB = 0, eccentricityC = 0;  ///< √(1 − b²/a²), √(1 − c²/a²)
  std::optional<MonteCarloSpread> monteCarlo;   ///< with monteCarloDraws > 0
};

/// Analyses a cage of 60 atoms with its coordinate uncertainties. `frameNumber` keys the Monte
/// Carlo draws, so a frame's spreads depend only on the seed and its number.
CageSummary SummariseCage(const PointSet& coords, const PointSet& sigma,
                          const SummarySettings& settings, long long frameNumber);

/// Sorts the semi-axes a ≥ b ≥ c (ties keep their order) and orients their eigenvector columns
/// of V: in the directions of a and of b the component of largest magnitude (the first of
/// equal ones) is positive; the direction of c makes (a, b, c) right-handed. Returns the order
/// of the eigenvalue indices (0-based) and fills `axes` with the unit directions.
std::array<int, 3> SortAndOrientAxes(const Vector3& semiAxes, const Matrix3& vectors,
                                     std::array<std::array<double, 3>, 3>& axes);

/// A standard normal generator for the Monte Carlo draws: xoshiro256** seeded by splitmix64
/// from (seed, key), and the Box–Muller transform; the same sequence on every machine with an
/// IEEE 754 libm of the same results.
class NormalSampler {
 public:
  NormalSampler(std::uint64_t seed, std::uint64_t key);
  double Next();

 private:
  std::uint64_t NextBits();
  std::uint64_t m_state[4];
  double m_spare = 0;
  bool m_hasSpare = false;
};

}  // namespace ovalon
