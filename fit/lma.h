#pragma once
// The Levenberg–Marquardt fit of the quadric with Marquardt's diagonal scaling (module LMA).
//
// The arithmetic follows module MNK: extended precision, sums in ascending index order with
// every product rounded before it is added; every operation on points is compiled for the
// window's 60 atoms and for a count chosen at run time.

#include <functional>
#include <optional>

#include "core/extended.h"

namespace ovalon {

/// The settings of a run, the window's Edit1..Edit4 (an empty field gives these defaults).
struct MarquardtSettings {
  int refinementCycles = 100;               ///< the cycles to run; none when 0 or less
  Extended startValue = 1.0L;               ///< the start of all nine coefficients
  Extended regularisationParameter = 1.0L;  ///< λ at the start
  Extended regularisationStep = 10.0L;      ///< ν, the factor λ is divided or multiplied by
};

/// Nλ: the normal matrix N = Dᵀ·D with every diagonal element replaced by λ·N[k][k] + N[k][k].
Matrix9 BuildDampedNormalMatrix(const Matrix9& normal, Extended lambda);

/// r_i = −1 − s_i, where s_i is the quadric at atom i without its constant 1 (r = −F).
template <int N>
Vector<N> NegatedResiduals(const BasicPointSet<N>& points, const QuadricParams& a);

/// The step δ that solves (N + λ·diag N)·δ = Dᵀ·r, formed as (Nλ⁻¹·Dᵀ)·r, from the normal
/// matrix N of `points` (it depends on the coordinates alone, so a run builds it once).
/// Throws SingularMatrixError when Nλ has a pivot not larger than `precision`.
template <int N>
QuadricParams ComputeMarquardtStep(const Matrix9& normal, const BasicPointSet<N>& points,
                                   const QuadricParams& a, Extended lambda, Extended precision);

/// √(Σ F_i²), not divided by the number of atoms.
template <int N>
Extended ResidualNorm(const BasicPointSet<N>& points, const QuadricParams& a);

/// a + b, element by element.
QuadricParams AddParams(const QuadricParams& a, const QuadricParams& b);

/// a − b, element by element.
QuadricParams SubtractParams(const QuadricParams& a, const QuadricParams& b);

/// Runs exactly `settings.refinementCycles` cycles (none when it is 0 or less) from nine copies
/// of the start value with damping λ = the regularisation parameter: a step that does not raise
/// the residual norm stands and λ is divided by the regularisation step; any other step (a NaN
/// norm included) is undone by subtraction and λ is multiplied by it.
/// Throws SingularMatrixError when a damped normal matrix is singular to `precision`.
template <int N>
QuadricParams FitQuadricLevenbergMarquardt(const BasicPointSet<N>& points,
                                           const MarquardtSettings& settings, Extended precision);

/// Called after every completed cycle with the number of cycles done so far (1, 2, …);
/// returning false abandons the run.
using CycleCallback = std::function<bool(int cyclesDone)>;

/// The same run, calling `afterCycle` (when set) after every cycle; it changes nothing in the
/// arithmetic, so a run that is not abandoned returns the coefficients of the run above.
/// Returns nothing when `afterCycle` returns false.
template <int N>
std::optional<QuadricParams> FitQuadricLevenbergMarquardt(const BasicPointSet<N>& points,
                                                          const MarquardtSettings& settings,
                                                          Extended precision,
                                                          const CycleCallback& afterCycle);

}  // namespace ovalon
