#include "fit/quadricfit.h"

#include <cmath>

#include "core/singularmatrixerror.h"
#include "fit/mnk.h"

namespace ovalon {

template <int N>
bool CoordinatesLoaded(const BasicPointSet<N>& coords) {
  Extended sum = 0;
  for (int i = 1; i <= coords.Size(); ++i) {
    sum = std::fabs(static_cast<Extended>(coords.X.at(i))) + sum;
    sum = std::fabs(static_cast<Extended>(coords.Y.at(i))) + sum;
    sum = std::fabs(static_cast<Extended>(coords.Z.at(i))) + sum;
  }
  // The sum cannot be negative, so this is "not equal to 0" with a NaN counted as equal.
  return sum > 0;
}

template <int N>
QuadricParams FitQuadric(const BasicPointSet<N>& coords, const FitPlan& plan) {
  if (plan.leastSquares) return FitQuadricLeastSquares(coords, plan.inversePrecision);
  return FitQuadricLevenbergMarquardt(coords, plan.marquardt, plan.inversePrecision);
}

template <int N>
FittedQuadric FitQuadricWithInverseNormal(const BasicPointSet<N>& coords, const FitPlan& plan) {
  if (plan.leastSquares) {
    const LeastSquaresSolution solution = SolveLeastSquares(coords, plan.inversePrecision);
    return {solution.params, solution.inverseNormal, solution.normal};
  }
  FittedQuadric fit;
  fit.params = FitQuadricLevenbergMarquardt(coords, plan.marquardt, plan.inversePrecision);
  try {
    fit.inverseNormal = InvertNormalMatrix(coords, plan.inversePrecision);
  } catch (const SingularMatrixError&) {
    // The coefficients stand; only what needs the inverse is left out.
  }
  return fit;
}

template <int N>
FitOutcome ComputeFit(const BasicPointSet<N>& coords, const BasicPointSet<N>& errors,
                      const FitPlan& plan, const CycleCallback& afterCycle) {
  FitOutcome outcome;
  try {
    if (plan.leastSquares) {
      const LeastSquaresSolution fit = SolveLeastSquares(coords, plan.inversePrecision);
      outcome.params = fit.params;
      outcome.errors =
          EstimateQuadricErrors(coords, errors, fit.params, fit.normal, plan.inversePrecision);
    } else {
      const std::optional<QuadricParams> a =
          FitQuadricLevenbergMarquardt(coords, plan.marquardt, plan.inversePrecision, afterCycle);
      if (!a) {
        outcome.end = FitEnd::Cancelled;
        return outcome;
      }
      outcome.params = *a;
    }
  } catch (const SingularMatrixError&) {
    outcome.end = FitEnd::SingularMatrix;
  }
  return outcome;
}

QuadricForm ToQuadricForm(const QuadricParams& a, Extended constant) {
  QuadricForm form;
  for (int k = 1; k <= 3; ++k) form.at(k) = a.at(k);
  for (int k = 4; k <= 9; ++k) form.at(k) = a.at(k) / 2.0L;
  form.at(10) = constant;
  return form;
}

// The two sizes: the window's 60 atoms and a count chosen at run time.
template bool CoordinatesLoaded(const PointSet&);
template bool CoordinatesLoaded(const AtomPoints&);
template QuadricParams FitQuadric(const PointSet&, const FitPlan&);
template QuadricParams FitQuadric(const AtomPoints&, const FitPlan&);
template FittedQuadric FitQuadricWithInverseNormal(const PointSet&, const FitPlan&);
template FittedQuadric FitQuadricWithInverseNormal(const AtomPoints&, const FitPlan&);
template FitOutcome ComputeFit(const PointSet&, const PointSet&, const FitPlan&,
                               const CycleCallback&);
template FitOutcome ComputeFit(const AtomPoints&, const AtomPoints&, const FitPlan&,
                               const CycleCallback&);

}  // namespace ovalon
