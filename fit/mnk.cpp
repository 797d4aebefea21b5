#include "fit/mnk.h"

#include <cmath>
#include <utility>
#include <vector>

#include "core/guardedinverse.h"
#include "core/products.h"
#include "fit/designproducts.h"

namespace ovalon {

namespace {

using design::Coordinates;
using design::CrossProduct;

/// The columns of D and of ΔD for the products of an error estimate: ΔD reads only its
/// elements in quadrature, computed once here.
struct DesignAndUncertainty {
  design::Design d;
  std::vector<Extended> quadrature;
  design::Uncertainty delta;

  DesignAndUncertainty(Coordinates coords, Coordinates errors)
      : d{coords},
        quadrature(design::QuadratureTerms(coords, errors)),
        delta{coords, errors, quadrature.data()} {}
};

/// ΔN = (Dᵀ·ΔD + ΔDᵀ·D) + ΔDᵀ·ΔD. ΔDᵀ·D is the transpose of Dᵀ·ΔD (the same products in the
/// same order), and ΔDᵀ·ΔD is symmetric, so only Dᵀ·ΔD and one triangle of ΔDᵀ·ΔD are summed.
Matrix9 NormalIncrement(const DesignAndUncertainty& columns, int count) {
  const Matrix9 m1 = CrossProduct<false>(columns.d, columns.delta, count);
  const Matrix9 m3 = CrossProduct<true>(columns.delta, columns.delta, count);
  Matrix9 increment;
  for (int r = 1; r <= 9; ++r) {
    for (int c = 1; c <= 9; ++c) increment.at(r, c) = (m1.at(r, c) + m1.at(c, r)) + m3.at(r, c);
  }
  return increment;
}

/// The 9 columns of `columns` at every atom, as a matrix of `count` rows.
template <int N, typename Columns>
Matrix<N, 9> Materialise(const Columns& columns, int count) {
  Matrix<N, 9> m(count, 9);
  for (int i = 0; i < count; ++i) {
    [&]<int... K>(std::integer_sequence<int, K...>) {
      ((m.data[i * 9 + K] = columns.template At<K>(i)), ...);
    }(std::make_integer_sequence<int, 9>());
  }
  return m;
}

Matrix9 NormalMatrix(Coordinates coords) {
  const design::Design d{coords};
  return CrossProduct<true>(d, d, coords.count);
}

}  // namespace

template <int N>
Matrix<N, 9> BuildDesignMatrix(const BasicPointSet<N>& points) {
  return Materialise<N>(design::Design{Coordinates(points)}, points.Size());
}

template <int N>
Matrix<9, N> TransposeDesignMatrix(const BasicPointSet<N>& points) {
  return Transpose(BuildDesignMatrix(points));
}

template <int N>
Matrix9 BuildNormalMatrix(const BasicPointSet<N>& points) {
  return NormalMatrix(Coordinates(points));
}

template <int N>
LeastSquaresSolution SolveLeastSquares(const BasicPointSet<N>& points, Extended precision) {
  const Coordinates coords(points);
  LeastSquaresSolution solution;
  solution.normal = NormalMatrix(coords);
  solution.inverseNormal = InvertGuarded(solution.normal, precision);
  // A = P·(−1) with P = N⁻¹·Dᵀ: each row sum of P is a running difference from zero, taken
  // as the elements of the row are formed.
  for (int r = 1; r <= 9; ++r) {
    Extended difference = 0;
    design::VisitRowTimesTransposed(solution.inverseNormal, design::Design{coords}, coords.count,
                                    r, [&](int, Extended p) { difference = difference - p; });
    solution.params.at(r) = difference;
  }
  return solution;
}

template <int N>
QuadricParams FitQuadricLeastSquares(const BasicPointSet<N>& points, Extended precision) {
  return SolveLeastSquares(points, precision).params;
}

template <int N>
Matrix9 InvertNormalMatrix(const BasicPointSet<N>& points, Extended precision) {
  return InvertGuarded(BuildNormalMatrix(points), precision);
}

template <int N>
Vector<N> EvaluateQuadricWithoutConstant(const BasicPointSet<N>& points, const QuadricParams& a) {
  const int atoms = points.Size();
  Vector<N> s(atoms);
  for (int i = 1; i <= atoms; ++i) {
    const Extended x = points.X.at(i);
    const Extended y = points.Y.at(i);
    const Extended z = points.Z.at(i);
    Extended sum = (x * x) * a.at(1);
    sum = (y * y) * a.at(2) + sum;
    sum = (z * z) * a.at(3) + sum;
    sum = sum + (a.at(4) * x) * y;
    sum = sum + (a.at(5) * y) * z;
    sum = sum + (a.at(6) * x) * z;
    sum = sum + a.at(7) * x;
    sum = sum + a.at(8) * y;
    sum = sum + a.at(9) * z;
    s.at(i) = sum;
  }
  return s;
}

template <int N>
Vector<N> EvaluateQuadric(const BasicPointSet<N>& points, const QuadricParams& a) {
  Vector<N> f = EvaluateQuadricWithoutConstant(points, a);
  for (int i = 1; i <= f.Size(); ++i) f.at(i) = f.at(i) + 1;
  return f;
}

template <int N>
Extended ScaledResidualNorm(const BasicPointSet<N>& points, const QuadricParams& a) {
  const Vector<N> f = EvaluateQuadric(points, a);
  Extended sum = 0;
  for (int i = 1; i <= f.Size(); ++i) sum = f.at(i) * f.at(i) + sum;
  return std::sqrt(sum) / points.Size();
}

template <int N>
Matrix<N, 9> BuildDesignUncertainty(const BasicPointSet<N>& coords,
                                    const BasicPointSet<N>& errors) {
  // Columns 1 to 3 take the absolute value; the linear columns 7 to 9 keep the sign of the
  // uncertainty as it was read.
  const DesignAndUncertainty columns{Coordinates(coords), Coordinates(errors)};
  return Materialise<N>(columns.delta, coords.Size());
}

template <int N>
Matrix9 BuildNormalIncrement(const BasicPointSet<N>& coords, const BasicPointSet<N>& errors) {
  return NormalIncrement(DesignAndUncertainty(Coordinates(coords), Coordinates(errors)),
                         coords.Size());
}

template <int N>
QuadricParams EstimateQuadricErrors(const BasicPointSet<N>& coords, const BasicPointSet<N>& errors,
                                    Extended precision) {
  return EstimateQuadricErrors(coords, errors, FitQuadricLeastSquares(coords, precision),
                               precision);
}

template <int N>
QuadricParams EstimateQuadricErrors(const BasicPointSet<N>& coords, const BasicPointSet<N>& errors,
                                    const QuadricParams& fit, Extended precision) {
  return EstimateQuadricErrors(coords, errors, fit, BuildNormalMatrix(coords), precision);
}

template <int N>
QuadricParams EstimateQuadricErrors(const BasicPointSet<N>& coords, const BasicPointSet<N>& errors,
                                    const QuadricParams& fit, const Matrix9& normal,
                                    Extended precision) {
  const int count = coords.Size();
  const DesignAndUncertainty columns{Coordinates(coords), Coordinates(errors)};
  const Matrix9 increment = NormalIncrement(columns, count);
  Matrix9 shifted;
  for (int r = 1; r <= 9; ++r) {
    for (int c = 1; c <= 9; ++c) shifted.at(r, c) = normal.at(r, c) + increment.at(r, c);
  }
  const Matrix9 shiftedInverse = InvertGuarded(shifted, precision);

  // b = (D + ΔD)ᵀ·(−1): each pair D[i][r] + ΔD[i][r] is formed first, then subtracted in turn.
  QuadricParams b;
  [&]<int... K>(std::integer_sequence<int, K...>) {
    ((b.data[K] = [&] {
       Extended difference = 0;
       for (int i = 0; i < count; ++i)
         difference = difference - (columns.d.template At<K>(i) + columns.delta.template At<K>(i));
       return difference;
     }()),
     ...);
  }(std::make_integer_sequence<int, 9>());

  // A′ is formed as the row sums first and the product second, unlike A: with zero
  // uncertainties dA therefore holds the rounding difference of the two orders.
  const QuadricParams shiftedFit = Multiply(shiftedInverse, b);
  QuadricParams da;
  for (int r = 1; r <= 9; ++r) da.at(r) = fit.at(r) - shiftedFit.at(r);
  return da;
}

// The two sizes: the window's 60 atoms and a count chosen at run time.
#define OVALON_MNK_FOR_SIZE(N)                                                                    \
  template Matrix<N, 9> BuildDesignMatrix(const BasicPointSet<N>&);                               \
  template Matrix<9, N> TransposeDesignMatrix(const BasicPointSet<N>&);                           \
  template Matrix9 BuildNormalMatrix(const BasicPointSet<N>&);                                    \
  template LeastSquaresSolution SolveLeastSquares(const BasicPointSet<N>&, Extended);             \
  template QuadricParams FitQuadricLeastSquares(const BasicPointSet<N>&, Extended);               \
  template Matrix9 InvertNormalMatrix(const BasicPointSet<N>&, Extended);                         \
  template Vector<N> EvaluateQuadricWithoutConstant(const BasicPointSet<N>&,                      \
                                                    const QuadricParams&);                        \
  template Vector<N> EvaluateQuadric(const BasicPointSet<N>&, const QuadricParams&);              \
  template Extended ScaledResidualNorm(const BasicPointSet<N>&, const QuadricParams&);            \
  template Matrix<N, 9> BuildDesignUncertainty(const BasicPointSet<N>&, const BasicPointSet<N>&); \
  template Matrix9 BuildNormalIncrement(const BasicPointSet<N>&, const BasicPointSet<N>&);        \
  template QuadricParams EstimateQuadricErrors(const BasicPointSet<N>&, const BasicPointSet<N>&,  \
                                               Extended);                                         \
  template QuadricParams EstimateQuadricErrors(const BasicPointSet<N>&, const BasicPointSet<N>&,  \
                                               const QuadricParams&, Extended);                   \
  template QuadricParams EstimateQuadricErrors(const BasicPointSet<N>&, const BasicPointSet<N>&,  \
                                               const QuadricParams&, const Matrix9&, Extended);
OVALON_MNK_FOR_SIZE(AtomCount)
OVALON_MNK_FOR_SIZE(Dynamic)
#undef OVALON_MNK_FOR_SIZE

}  // namespace ovalon
