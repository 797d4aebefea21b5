#include "fit/lma.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "core/guardedinverse.h"
#include "fit/designproducts.h"
#include "fit/mnk.h"

namespace ovalon {

Matrix9 BuildDampedNormalMatrix(const Matrix9& normal, Extended lambda) {
  // The diagonal is multiplied by 1 + λ as λ·N[k][k] + N[k][k]; nothing is added to it.
  Matrix9 damped = normal;
  for (int k = 1; k <= 9; ++k) damped.at(k, k) = lambda * normal.at(k, k) + normal.at(k, k);
  return damped;
}

namespace {

/// r_i = −1 − s_i from the quadric without its constant.
template <int N>
Vector<N> Negated(Vector<N> s) {
  for (int i = 1; i <= s.Size(); ++i) s.at(i) = -1 - s.at(i);
  return s;
}

/// √(Σ F_i²) with F_i = s_i + 1, from the quadric without its constant.
template <int N>
Extended NormOfQuadric(const Vector<N>& s) {
  Extended sum = 0;
  for (int i = 1; i <= s.Size(); ++i) {
    const Extended f = s.at(i) + 1;
    sum = f * f + sum;
  }
  return std::sqrt(sum);
}

/// δ = Pλ·r with Pλ = Nλ⁻¹·Dᵀ: every element of Pλ is formed and at once multiplied into its
/// row's sum, in ascending atom order.
template <int N>
QuadricParams MarquardtStep(const Matrix9& dampedInverse, const BasicPointSet<N>& points,
                            const Vector<N>& negatedResiduals) {
  const design::Design columns{design::Coordinates(points)};
  QuadricParams step;
  for (int k = 1; k <= 9; ++k) {
    Extended sum = 0;
    design::VisitRowTimesTransposed(dampedInverse, columns, points.Size(), k,
                                    [&](int i, Extended p) {
                                      sum = p * negatedResiduals.at(i) + sum;
                                    });
    step.at(k) = sum;
  }
  return step;
}

/// The steps of a run, remembered by the Nλ they were made with. λ goes down and up by the
/// same factor, so a run meets the same Nλ again and again (once λ·N[k][k] vanishes beside
/// N[k][k], every cycle meets N itself); its inverse is the same each time, and so is the step
/// while the residuals have not changed since. Nλ differs from N only on its diagonal.
class RememberedSteps {
 public:
  /// The step for Nλ and the residuals of `generation`, a number the caller changes whenever
  /// the residuals change.
  template <int N>
  QuadricParams Step(const Matrix9& normal, const BasicPointSet<N>& points,
                     const Vector<N>& negatedResiduals, long long generation, Extended lambda,
                     Extended precision) {
    const Matrix9 damped = BuildDampedNormalMatrix(normal, lambda);
    Vector<9> diagonal;
    for (int k = 1; k <= 9; ++k) diagonal.at(k) = damped.at(k, k);
    Entry* entry = Find(diagonal);
    if (entry == nullptr) {
      entry = &m_entries[m_next];
      entry->inverse = InvertGuarded(damped, precision);
      entry->diagonal = diagonal;
      entry->generation = -1;
      m_next = (m_next + 1) % Size;
      m_used = std::min(m_used + 1, Size);
    }
    if (entry->generation != generation) {
      entry->step = MarquardtStep(entry->inverse, points, negatedResiduals);
      entry->generation = generation;
    }
    return entry->step;
  }

 private:
  struct Entry {
    Vector<9> diagonal;
    Matrix9 inverse;
    QuadricParams step;
    long long generation = -1;
  };

  Entry* Find(const Vector<9>& diagonal) {
    for (int n = 0; n < m_used; ++n) {
      if (SameBits(m_entries[n].diagonal, diagonal)) return &m_entries[n];
    }
    return nullptr;
  }

  static constexpr int Size = 8;
  std::array<Entry, Size> m_entries;
  int m_used = 0;
  int m_next = 0;
};

}  // namespace

template <int N>
Vector<N> NegatedResiduals(const BasicPointSet<N>& points, const QuadricParams& a) {
  return Negated(EvaluateQuadricWithoutConstant(points, a));
}

template <int N>
QuadricParams ComputeMarquardtStep(const Matrix9& normal, const BasicPointSet<N>& points,
                                   const QuadricParams& a, Extended lambda, Extended precision) {
  const Matrix9 dampedInverse = InvertGuarded(BuildDampedNormalMatrix(normal, lambda), precision);
  return MarquardtStep(dampedInverse, points, NegatedResiduals(points, a));
}

template <int N>
Extended ResidualNorm(const BasicPointSet<N>& points, const QuadricParams& a) {
  return NormOfQuadric(EvaluateQuadricWithoutConstant(points, a));
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
  // The quadric at A (without its constant) gives both the residuals of the step and the norm
  // before it; it is carried into the next cycle whenever A keeps its bits.
  Vector<N> quadric = EvaluateQuadricWithoutConstant(points, a);
  Extended before = NormOfQuadric(quadric);
  // Counts the changes of the quadric at A, and with it of the residuals of the step.
  long long generation = 0;
  RememberedSteps steps;
  for (int cycle = 0; cycle < settings.refinementCycles; ++cycle) {
    const QuadricParams step =
        steps.Step(normal, points, Negated(quadric), generation, lambda, precision);
    const QuadricParams tried = AddParams(a, step);
    Vector<N> triedQuadric = EvaluateQuadricWithoutConstant(points, tried);
    const Extended after = NormOfQuadric(triedQuadric);
    if (before >= after) {
      if (!SameBits(tried, a)) ++generation;
      a = tried;
      quadric = std::move(triedQuadric);
      before = after;
      lambda = lambda / settings.regularisationStep;
    } else {
      // A NaN norm lands here too. The old coefficients are not kept: the undo is (A + δ) − δ,
      // which may differ from A in the last bit.
      const QuadricParams undone = SubtractParams(tried, step);
      if (!SameBits(undone, a)) {
        quadric = EvaluateQuadricWithoutConstant(points, undone);
        before = NormOfQuadric(quadric);
        ++generation;
      }
      a = undone;
      lambda = lambda * settings.regularisationStep;
    }
    if (afterCycle && !afterCycle(cycle + 1)) return std::nullopt;
  }
  return a;
}

// The two sizes: the window's 60 atoms and a count chosen at run time.
#define OVALON_LMA_FOR_SIZE(N)                                                               \
  template Vector<N> NegatedResiduals(const BasicPointSet<N>&, const QuadricParams&);        \
  template QuadricParams ComputeMarquardtStep(const Matrix9&, const BasicPointSet<N>&,       \
                                              const QuadricParams&, Extended, Extended);     \
  template Extended ResidualNorm(const BasicPointSet<N>&, const QuadricParams&);             \
  template QuadricParams FitQuadricLevenbergMarquardt(const BasicPointSet<N>&,               \
                                                      const MarquardtSettings&, Extended);   \
  template std::optional<QuadricParams> FitQuadricLevenbergMarquardt(                        \
      const BasicPointSet<N>&, const MarquardtSettings&, Extended, const CycleCallback&);
OVALON_LMA_FOR_SIZE(AtomCount)
OVALON_LMA_FOR_SIZE(Dynamic)
#undef OVALON_LMA_FOR_SIZE

}  // namespace ovalon
