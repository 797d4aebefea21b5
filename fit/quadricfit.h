#pragma once
// One fit of the quadric by the chosen method, with plain numbers in and out: the numerical step
// of the window's fit run and of the summary's analysis.

#include <optional>

#include "core/extended.h"
#include "fit/lma.h"

namespace ovalon {

/// What a fit needs besides the points.
struct FitPlan {
  Extended inversePrecision = 0;  ///< the threshold of every guarded inversion
  bool leastSquares = true;       ///< else Levenberg–Marquardt
  MarquardtSettings marquardt;    ///< used by a Levenberg–Marquardt fit only
};

/// How a fit ended.
enum class FitEnd {
  Done,            ///< the coefficients are set
  SingularMatrix,  ///< an inversion met a pivot not larger than the inverse precision
  Cancelled,       ///< the cycle callback abandoned a Levenberg–Marquardt run
};

/// The fitted coefficients.
struct FitOutcome {
  FitEnd end = FitEnd::Done;
  QuadricParams params;                 ///< on Done
  std::optional<QuadricParams> errors;  ///< on Done by least squares: the signed dA
};

/// False when Σ |X[i]| + |Y[i]| + |Z[i]| over the atoms is 0 or not a number: no coordinates
/// were read, and no fit runs.
template <int N>
bool CoordinatesLoaded(const BasicPointSet<N>& coords);

/// The coefficients by the plan's method, without error estimate.
/// Throws SingularMatrixError when a matrix is singular to the inverse precision.
template <int N>
QuadricParams FitQuadric(const BasicPointSet<N>& coords, const FitPlan& plan);

/// A fit with the inverse normal matrix (DᵀD)⁻¹ of its coordinates.
struct FittedQuadric {
  QuadricParams params;
  std::optional<Matrix9> inverseNormal;  ///< empty when DᵀD is singular (Levenberg–Marquardt)
  std::optional<Matrix9> normal;         ///< DᵀD of the least-squares fit; empty otherwise
};

/// FitQuadric with (DᵀD)⁻¹: the least-squares fit's own matrix, or for Levenberg–Marquardt,
/// which does not need DᵀD to be invertible, the matrix inverted once after the fit (empty
/// when a pivot is not larger than the inverse precision). Throws SingularMatrixError as
/// FitQuadric.
template <int N>
FittedQuadric FitQuadricWithInverseNormal(const BasicPointSet<N>& coords, const FitPlan& plan);

/// The fit of "Аппроксимация": least squares with its error estimate from `errors`, or
/// Levenberg–Marquardt calling `afterCycle` (when set) after every cycle, Cancelled when it
/// returns false. A small pivot ends it SingularMatrix. It may run on a thread of its own once
/// that thread has called SetExtendedFloatingPointEnvironment().
template <int N>
FitOutcome ComputeFit(const BasicPointSet<N>& coords, const BasicPointSet<N>& errors,
                      const FitPlan& plan, const CycleCallback& afterCycle = {});

/// The stored form of a fit: A1, A2, A3, then A4..A9 divided by 2, then `constant`.
QuadricForm ToQuadricForm(const QuadricParams& a, Extended constant);

}  // namespace ovalon
