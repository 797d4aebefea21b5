#include "fit/mnk.h"

#include <cmath>

#include "core/guardedinverse.h"
#include "core/products.h"

namespace ovalon {

namespace {

/// ΔN = (Dᵀ·ΔD + ΔDᵀ·D) + ΔDᵀ·ΔD. ΔDᵀ·D is the transpose of Dᵀ·ΔD (the same products in the
/// same order), and ΔDᵀ·ΔD is symmetric, so only Dᵀ·ΔD and one triangle of ΔDᵀ·ΔD are summed.
template <int N>
Matrix9 NormalIncrement(const Matrix<N, 9>& d, const Matrix<N, 9>& delta) {
  const Matrix9 m1 = MultiplyTransposed(d, delta);
  const Matrix9 m3 = MultiplyTransposedSelf(delta);
  Matrix9 increment;
  for (int r = 1; r <= 9; ++r) {
    for (int c = 1; c <= 9; ++c) increment.at(r, c) = (m1.at(r, c) + m1.at(c, r)) + m3.at(r, c);
  }
  return increment;
}

}  // namespace

template <int N>
Matrix<N, 9> BuildDesignMatrix(const BasicPointSet<N>& points) {
  const int atoms = points.Size();
  Matrix<N, 9> d(atoms, 9);
  for (int i = 1; i <= atoms; ++i) {
    const Extended x = points.X.at(i);
    const Extended y = points.Y.at(i);
    const Extended z = points.Z.at(i);
    d.at(i, 1) = x * x;
    d.at(i, 2) = y * y;
    d.at(i, 3) = z * z;
    d.at(i, 4) = x * y;
    d.at(i, 5) = y * z;
    d.at(i, 6) = x * z;
    d.at(i, 7) = x;
    d.at(i, 8) = y;
    d.at(i, 9) = z;
  }
  return d;
}

template <int N>
Matrix<9, N> TransposeDesignMatrix(const BasicPointSet<N>& points) {
  return Transpose(BuildDesignMatrix(points));
}

template <int N>
Matrix9 BuildNormalMatrix(const BasicPointSet<N>& points) {
  return MultiplyTransposedSelf(BuildDesignMatrix(points));
}

template <int N>
LeastSquaresSolution SolveLeastSquares(const BasicPointSet<N>& points, Extended precision) {
  const Matrix<N, 9> d = BuildDesignMatrix(points);
  LeastSquaresSolution solution;
  solution.inverseNormal = InvertGuarded(MultiplyTransposedSelf(d), precision);
  // A = P·(−1) with P = N⁻¹·Dᵀ: each row sum of P is a running difference from zero, taken
  // as the elements of the row are formed.
  for (int r = 1; r <= 9; ++r) {
    Extended difference = 0;
    VisitRowTimesTransposed(solution.inverseNormal, d, r,
                            [&](int, Extended p) { difference = difference - p; });
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
  // The uncertainty of a product of two coordinates adds the two contributions in quadrature.
  const auto quadrature = [](Extended u, Extended v) { return std::sqrt(u * u + v * v); };
  const int atoms = coords.Size();
  Matrix<N, 9> delta(atoms, 9);
  for (int i = 1; i <= atoms; ++i) {
    const Extended x = coords.X.at(i);
    const Extended y = coords.Y.at(i);
    const Extended z = coords.Z.at(i);
    const Extended dx = errors.X.at(i);
    const Extended dy = errors.Y.at(i);
    const Extended dz = errors.Z.at(i);
    delta.at(i, 1) = std::fabs((2 * x) * dx);
    delta.at(i, 2) = std::fabs((2 * y) * dy);
    delta.at(i, 3) = std::fabs((2 * z) * dz);
    delta.at(i, 4) = quadrature(dx * y, x * dy);
    delta.at(i, 5) = quadrature(dy * z, y * dz);
    delta.at(i, 6) = quadrature(dx * z, x * dz);
    // The linear columns keep the sign of the uncertainty as it was read.
    delta.at(i, 7) = dx;
    delta.at(i, 8) = dy;
    delta.at(i, 9) = dz;
  }
  return delta;
}

template <int N>
Matrix9 BuildNormalIncrement(const BasicPointSet<N>& coords, const BasicPointSet<N>& errors) {
  const Matrix<N, 9> d = BuildDesignMatrix(coords);
  const Matrix<N, 9> delta = BuildDesignUncertainty(coords, errors);
  return NormalIncrement(d, delta);
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
  const Matrix<N, 9> d = BuildDesignMatrix(coords);
  const Matrix<9, N> t = Transpose(d);
  const Matrix<N, 9> delta = BuildDesignUncertainty(coords, errors);
  const Matrix<9, N> deltaT = Transpose(delta);

  const Matrix9 normal = MultiplyTransposedSelf(d);
  const Matrix9 increment = NormalIncrement(d, delta);
  Matrix9 shifted;
  for (int r = 1; r <= 9; ++r) {
    for (int c = 1; c <= 9; ++c) shifted.at(r, c) = normal.at(r, c) + increment.at(r, c);
  }
  const Matrix9 shiftedInverse = InvertGuarded(shifted, precision);

  // b = (D + ΔD)ᵀ·(−1): each pair T + ΔDᵀ is formed first, then subtracted in turn.
  QuadricParams b;
  for (int r = 1; r <= 9; ++r) {
    Extended difference = 0;
    for (int c = 1; c <= t.Cols(); ++c) difference = difference - (t.at(r, c) + deltaT.at(r, c));
    b.at(r) = difference;
  }

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
                                               const QuadricParams&, Extended);
OVALON_MNK_FOR_SIZE(AtomCount)
OVALON_MNK_FOR_SIZE(Dynamic)
#undef OVALON_MNK_FOR_SIZE

}  // namespace ovalon
