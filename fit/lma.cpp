#include "fit/lma.h"

#include <cmath>
#include <utility>
#include <vector>

#include "core/guardedinverse.h"
#include "core/products.h"
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

/// Pλ = Nλ⁻¹·Dᵀ (9 × N): element (k, i) is the sum over K of Nλ⁻¹[k][K]·D[i][K].
template <int N>
Matrix<9, N> DampedProjection(const Matrix9& dampedInverse, const BasicPointSet<N>& points) {
  const design::Design columns{design::Coordinates(points)};
  Matrix<9, N> projection(9, points.Size());
  for (int k = 1; k <= 9; ++k) {
    design::VisitRowTimesTransposed(dampedInverse, columns, points.Size(), k,
                                    [&](int i, Extended p) { projection.at(k, i) = p; });
  }
  return projection;
}

/// Pλ = Nλ⁻¹·Dᵀ for the λ of each cycle, remembered by Nλ. λ goes down and up by the same
/// factor, so a run meets the same Nλ again and again (once λ·N[k][k] vanishes beside N[k][k],
/// every cycle meets N itself), and its Pλ is the same each time; only the residuals it is
/// multiplied by change. Nλ differs from N only on its diagonal.
template <int N>
class RememberedProjections {
 public:
  // Room for every entry at once, so that a projection handed out never moves.
  RememberedProjections() { m_entries.reserve(Size); }

  const Matrix<9, N>& Get(const Matrix9& normal, const BasicPointSet<N>& points, Extended lambda,
                          Extended precision) {
    const Matrix9 damped = BuildDampedNormalMatrix(normal, lambda);
    QuadricParams diagonal;
    for (int k = 1; k <= 9; ++k) diagonal.at(k) = damped.at(k, k);
    for (const Entry& entry : m_entries) {
      if (SameBits(entry.diagonal, diagonal)) return entry.projection;
    }
    Entry entry{diagonal, DampedProjection(InvertGuarded(damped, precision), points)};
    if (m_entries.size() < Size) {
      m_entries.push_back(std::move(entry));
      return m_entries.back().projection;
    }
    Entry& replaced = m_entries[m_next];
    m_next = (m_next + 1) % Size;
    replaced = std::move(entry);
    return replaced.projection;
  }

 private:
  struct Entry {
    QuadricParams diagonal;
    Matrix<9, N> projection;
  };

  static constexpr std::size_t Size = 8;
  std::vector<Entry> m_entries;
  std::size_t m_next = 0;
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
  return Multiply(DampedProjection(dampedInverse, points), NegatedResiduals(points, a));
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
  RememberedProjections<N> projections;
  for (int cycle = 0; cycle < settings.refinementCycles; ++cycle) {
    // δ = Pλ·r, each row's sum over the atoms in ascending order.
    const QuadricParams step =
        Multiply(projections.Get(normal, points, lambda, precision), Negated(quadric));
    const QuadricParams tried = AddParams(a, step);
    Vector<N> triedQuadric = EvaluateQuadricWithoutConstant(points, tried);
    const Extended after = NormOfQuadric(triedQuadric);
    if (before >= after) {
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
