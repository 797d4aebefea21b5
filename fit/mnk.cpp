#include "fit/mnk.h"

#include <cmath>

#include "core/guardedinverse.h"
#include "core/products.h"

namespace ovalon {

Matrix60x9 BuildDesignMatrix(const PointSet& points) {
  Matrix60x9 d;
  for (int i = 1; i <= AtomCount; ++i) {
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

Matrix9x60 TransposeDesignMatrix(const PointSet& points) {
  return Transpose(BuildDesignMatrix(points));
}

Matrix9 BuildNormalMatrix(const PointSet& points) {
  const Matrix60x9 d = BuildDesignMatrix(points);
  return Multiply(Transpose(d), d);
}

Matrix9x60 BuildPseudoInverse(const PointSet& points, Extended precision) {
  const Matrix9 inverse = InvertGuarded(BuildNormalMatrix(points), precision);
  return Multiply(inverse, TransposeDesignMatrix(points));
}

QuadricParams FitQuadricLeastSquares(const PointSet& points, Extended precision) {
  const Matrix9x60 p = BuildPseudoInverse(points, precision);
  // A = P·(−1): the row sums are taken as a running difference from zero.
  QuadricParams a;
  for (int r = 1; r <= 9; ++r) {
    Extended difference = 0;
    for (int c = 1; c <= AtomCount; ++c) difference = difference - p.at(r, c);
    a.at(r) = difference;
  }
  return a;
}

Vector60 EvaluateQuadricWithoutConstant(const PointSet& points, const QuadricParams& a) {
  Vector60 s;
  for (int i = 1; i <= AtomCount; ++i) {
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

Vector60 EvaluateQuadric(const PointSet& points, const QuadricParams& a) {
  Vector60 f = EvaluateQuadricWithoutConstant(points, a);
  for (int i = 1; i <= AtomCount; ++i) f.at(i) = f.at(i) + 1;
  return f;
}

Extended ScaledResidualNorm(const PointSet& points, const QuadricParams& a) {
  const Vector60 f = EvaluateQuadric(points, a);
  Extended sum = 0;
  for (int i = 1; i <= AtomCount; ++i) sum = f.at(i) * f.at(i) + sum;
  return std::sqrt(sum) / AtomCount;
}

Matrix60x9 BuildDesignUncertainty(const PointSet& coords, const PointSet& errors) {
  // The uncertainty of a product of two coordinates adds the two contributions in quadrature.
  const auto quadrature = [](Extended u, Extended v) { return std::sqrt(u * u + v * v); };
  Matrix60x9 delta;
  for (int i = 1; i <= AtomCount; ++i) {
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

Matrix9 BuildNormalIncrement(const PointSet& coords, const PointSet& errors) {
  const Matrix60x9 d = BuildDesignMatrix(coords);
  const Matrix9x60 t = Transpose(d);
  const Matrix60x9 delta = BuildDesignUncertainty(coords, errors);
  const Matrix9x60 deltaT = Transpose(delta);
  const Matrix9 m1 = Multiply(t, delta);
  const Matrix9 m2 = Multiply(deltaT, d);
  const Matrix9 m3 = Multiply(deltaT, delta);
  Matrix9 increment;
  for (int r = 1; r <= 9; ++r) {
    for (int c = 1; c <= 9; ++c) increment.at(r, c) = (m1.at(r, c) + m2.at(r, c)) + m3.at(r, c);
  }
  return increment;
}

QuadricParams EstimateQuadricErrors(const PointSet& coords, const PointSet& errors,
                                    Extended precision) {
  const QuadricParams a = FitQuadricLeastSquares(coords, precision);

  const Matrix9 normal = BuildNormalMatrix(coords);
  const Matrix9 increment = BuildNormalIncrement(coords, errors);
  Matrix9 shifted;
  for (int r = 1; r <= 9; ++r) {
    for (int c = 1; c <= 9; ++c) shifted.at(r, c) = normal.at(r, c) + increment.at(r, c);
  }
  const Matrix9 shiftedInverse = InvertGuarded(shifted, precision);

  // b = (D + ΔD)ᵀ·(−1): each pair T + ΔDᵀ is formed first, then subtracted in turn.
  const Matrix9x60 t = TransposeDesignMatrix(coords);
  const Matrix9x60 deltaT = Transpose(BuildDesignUncertainty(coords, errors));
  QuadricParams b;
  for (int r = 1; r <= 9; ++r) {
    Extended difference = 0;
    for (int c = 1; c <= AtomCount; ++c) difference = difference - (t.at(r, c) + deltaT.at(r, c));
    b.at(r) = difference;
  }

  // A′ is formed as the row sums first and the product second, unlike A: with zero
  // uncertainties dA therefore holds the rounding difference of the two orders.
  const QuadricParams shiftedFit = Multiply(shiftedInverse, b);
  QuadricParams da;
  for (int r = 1; r <= 9; ++r) da.at(r) = a.at(r) - shiftedFit.at(r);
  return da;
}

}  // namespace ovalon
