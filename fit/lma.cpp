#include "fit/lma.h"

#include <cmath>

#include "core/guardedinverse.h"
#include "core/products.h"
#include "fit/mnk.h"

namespace ovalon {

Matrix9 BuildDampedNormalMatrix(const Matrix9& normal, Extended lambda) {
  // The diagonal is multiplied by 1 + λ as λ·N[k][k] + N[k][k]; nothing is added to it.
  Matrix9 damped = normal;
  for (int k = 1; k <= 9; ++k) damped.at(k, k) = lambda * normal.at(k, k) + normal.at(k, k);
  return damped;
}

template <int N>
Vector<N> NegatedResiduals(const BasicPointSet<N>& points, const QuadricParams& a) {
  Vector<N> r = EvaluateQuadricWithoutConstant(points, a);
  for (int i = 1; i <= r.Size(); ++i) r.at(i) = -1 - r.at(i);
  return r;
}

template <int N>
QuadricParams ComputeMarquardtStep(const Matrix9& normal, const Matrix<9, N>& transpose,
                                   const BasicPointSet<N>& points, const QuadricParams& a,
                                   Extended lambda, Extended precision) {
  const Vector<N> r = NegatedResiduals(points, a);
  const Matrix9 dampedInverse = InvertGuarded(BuildDampedNormalMatrix(normal, lambda), precision);
  return Multiply(Multiply(dampedInverse, transpose), r);
}

template <int N>
Extended ResidualNorm(const BasicPointSet<N>& points, const QuadricParams& a) {
  const Vector<N> f = EvaluateQuadric(points, a);
  Extended sum = 0;
  for (int i = 1; i <= f.Size(); ++i) sum = f.at(i) * f.at(i) + sum;
  return std::sqrt(sum);
}

QuadricParams AddParams(const QuadricParams& a, const QuadricParams& b) {
  QuadricParams sum;
  for (int k = 1; k <= 9; ++k) sum.at(k) = a.at(k) + b.at(k);
  return sum;
}

QuadricParams SubtractParams(const QuadricParams& a, const QuadricParams& b) {
  QuadricParams difference;
  for (int k = 1; k <= 9; ++k) difference.at(k) = a.at(k) - b.at(k);
  return difference;
}

template <int N>
QuadricParams FitQuadricLevenbergMarquardt(const BasicPointSet<N>& points,
                                           const MarquardtSettings& settings, Extended precision) {
  // Without a callback the run is never abandoned.
  return *FitQuadricLevenbergMarquardt(points, settings, precision, CycleCallback());
}

template <int N>
std::optional<QuadricParams> FitQuadricLevenbergMarquardt(const BasicPointSet<N>& points,
                                                          const MarquardtSettings& settings,
                                                          Extended precision,
                                                          const CycleCallback& afterCycle) {
  QuadricParams a;
  a.data.fill(settings.startValue);
  Extended lambda = settings.regularisationParameter;
  const Matrix9 normal = BuildNormalMatrix(points);
  const Matrix<9, N> transpose = TransposeDesignMatrix(points);
  for (int cycle = 0; cycle < settings.refinementCycles; ++cycle) {
    const QuadricParams step =
        ComputeMarquardtStep(normal, transpose, points, a, lambda, precision);
    const Extended before = ResidualNorm(points, a);
    a = AddParams(a, step);
    const Extended after = ResidualNorm(points, a);
    if (before >= after) {
      lambda = lambda / settings.regularisationStep;
    } else {
      // A NaN norm lands here too. The old coefficients are not kept: the undo is (A + δ) − δ,
      // which may differ from A in the last bit.
      a = SubtractParams(a, step);
      lambda = lambda * settings.regularisationStep;
    }
    if (afterCycle && !afterCycle(cycle + 1)) return std::nullopt;
  }
  return a;
}

// The two sizes: the window's 60 atoms and a count chosen at run time.
#define OVALON_LMA_FOR_SIZE(N)                                                               \
  template Vector<N> NegatedResiduals(const BasicPointSet<N>&, const QuadricParams&);        \
  template QuadricParams ComputeMarquardtStep(const Matrix9&, const Matrix<9, N>&,           \
                                              const BasicPointSet<N>&, const QuadricParams&, \
                                              Extended, Extended);                           \
  template Extended ResidualNorm(const BasicPointSet<N>&, const QuadricParams&);             \
  template QuadricParams FitQuadricLevenbergMarquardt(const BasicPointSet<N>&,               \
                                                      const MarquardtSettings&, Extended);   \
  template std::optional<QuadricParams> FitQuadricLevenbergMarquardt(                        \
      const BasicPointSet<N>&, const MarquardtSettings&, Extended, const CycleCallback&);
OVALON_LMA_FOR_SIZE(AtomCount)
OVALON_LMA_FOR_SIZE(Dynamic)
#undef OVALON_LMA_FOR_SIZE

}  // namespace ovalon
