#pragma once
// The Levenberg–Marquardt fit of the quadric with Marquardt's diagonal scaling (module LMA).
//
// The arithmetic follows module MNK: extended precision, sums in ascending index order with
// every product rounded before it is added.

#include <functional>
#include <optional>

#include "core/extended.h"

namespace ovalon {

/// Nλ: N = Dᵀ·D with every diagonal element replaced by λ·N[k][k] + N[k][k].
Matrix9 BuildDampedNormalMatrix(PointSet points, Extended lambda);

/// r_i = −1 − s_i, where s_i is the quadric at atom i without its constant 1 (r = −F).
Vector60 NegatedResiduals(PointSet points, QuadricParams a);

/// The step δ that solves (N + λ·diag N)·δ = Dᵀ·r, formed as (Nλ⁻¹·Dᵀ)·r.
/// Throws SingularMatrixError when Nλ has a pivot not larger than `precision`.
QuadricParams ComputeMarquardtStep(PointSet points, QuadricParams a, Extended lambda,
                                   Extended precision);

/// √(Σ F_i²), not divided by 60.
Extended ResidualNorm(PointSet points, QuadricParams a);

/// a + b, element by element.
QuadricParams AddParams(QuadricParams a, QuadricParams b);

/// a − b, element by element.
QuadricParams SubtractParams(QuadricParams a, QuadricParams b);

/// Runs exactly `refinementCycles` cycles (none when it is 0 or less) from nine copies of
/// `startValue` with damping λ = `regularisationParameter`: a step that does not raise the
/// residual norm stands and λ is divided by `regularisationStep`; any other step (a NaN norm
/// included) is undone by subtraction and λ is multiplied by it.
/// Throws SingularMatrixError when a damped normal matrix is singular to `precision`.
QuadricParams FitQuadricLevenbergMarquardt(PointSet points, int refinementCycles,
                                           Extended startValue, Extended regularisationParameter,
                                           Extended regularisationStep, Extended precision);

/// Called after every completed cycle with the number of cycles done so far (1, 2, …);
/// returning false abandons the run.
using CycleCallback = std::function<bool(int cyclesDone)>;

/// The same run, calling `afterCycle` (when set) after every cycle; it changes nothing in the
/// arithmetic, so a run that is not abandoned returns the coefficients of the run above.
/// Returns nothing when `afterCycle` returns false.
std::optional<QuadricParams> FitQuadricLevenbergMarquardt(
    PointSet points, int refinementCycles, Extended startValue, Extended regularisationParameter,
    Extended regularisationStep, Extended precision, const CycleCallback& afterCycle);

}  // namespace ovalon
