#include "ellipsoid/ellipsoid.h"

#include <cmath>
#include <limits>

#include "core/guardedinverse.h"

namespace ovalon {

Matrix3 InvertMatrix3(const Matrix3& m, Extended precision) {
  return InvertGuarded<3>(m, precision);
}

Extended Determinant3(const Matrix3& m) {
  const Extended t1 = m.at(1, 1) * m.at(2, 2) * m.at(3, 3);
  const Extended t2 = m.at(1, 3) * m.at(2, 1) * m.at(3, 2);
  const Extended t3 = m.at(3, 1) * m.at(1, 2) * m.at(2, 3);
  const Extended t4 = m.at(1, 3) * m.at(2, 2) * m.at(3, 1);
  const Extended t5 = m.at(1, 1) * m.at(2, 3) * m.at(3, 2);
  const Extended t6 = m.at(3, 3) * m.at(2, 1) * m.at(1, 2);
  return ((((t1 + t2) + t3) - t4) - t5) - t6;
}

Matrix3 QuadricMatrix(const QuadricForm& q) {
  const Extended a11 = q.at(1), a22 = q.at(2), a33 = q.at(3);
  const Extended a12 = q.at(4), a23 = q.at(5), a13 = q.at(6);
  Matrix3 m;
  m.data = {a11, a12, a13,  //
            a12, a22, a23,  //
            a13, a23, a33};
  return m;
}

Vector3 QuadricCentre(const QuadricForm& q, Extended precision) {
  const Matrix3 n = InvertMatrix3(QuadricMatrix(q), precision);
  Vector3 centre;
  for (int i = 1; i <= 3; ++i) {
    // Column i of N: N is symmetric only to within rounding, and the column fixes the digits.
    Extended sum = 0;
    for (int k = 1; k <= 3; ++k) sum = n.at(k, i) * (-q.at(6 + k)) + sum;
    centre.at(i) = sum;
  }
  return centre;
}

Vector3 QuadricInvariants(const QuadricForm& q) {
  const Extended a11 = q.at(1), a22 = q.at(2), a33 = q.at(3);
  const Extended a12 = q.at(4), a23 = q.at(5), a13 = q.at(6);
  Vector3 invariants;
  invariants.at(1) = (a11 + a22) + a33;
  invariants.at(2) = ((((a11 * a22 - a12 * a12) + a11 * a33) - a13 * a13) + a22 * a33) - a23 * a23;
  invariants.at(3) = Determinant3(QuadricMatrix(q));
  return invariants;
}

Extended OffDiagonalNorm(const Matrix3& a) {
  Extended sum = 0;
  for (int r = 1; r <= 3; ++r) {
    for (int c = 1; c <= 3; ++c) {
      if (c != r) sum = a.at(r, c) * a.at(r, c) + sum;
    }
  }
  return std::sqrt(sum);
}

void FindLargestOffDiagonal(const Matrix3& a, int& i, int& j) {
  Extended largest = 0;
  for (int r = 1; r <= 3; ++r) {
    for (int c = 1; c <= 3; ++c) {
      if (c != r && std::fabs(a.at(r, c)) > largest) {
        largest = std::fabs(a.at(r, c));
        i = r;
        j = c;
      }
    }
  }
}

Matrix3 PlaneRotation(int p, int q, Extended cs, Extended sn) {
  Matrix3 r = Matrix3::Identity();
  r.at(p, p) = cs;
  r.at(q, q) = cs;
  r.at(q, p) = sn;
  r.at(p, q) = -sn;
  return r;
}

namespace {

/// A·R for R = PlaneRotation(i, j, cs, sn), formed column by column; the third column stays.
Matrix3 RotateColumns(const Matrix3& a, int i, int j, Extended cs, Extended sn) {
  Matrix3 b = a;
  for (int r = 1; r <= 3; ++r) {
    b.at(r, i) = cs * a.at(r, i) + sn * a.at(r, j);
    b.at(r, j) = sn * (-a.at(r, i)) + cs * a.at(r, j);
  }
  return b;
}

/// Rᵀ·B for R = PlaneRotation(i, j, cs, sn), formed row by row; the third row stays.
Matrix3 RotateRows(const Matrix3& b, int i, int j, Extended cs, Extended sn) {
  Matrix3 a = b;
  for (int c = 1; c <= 3; ++c) {
    a.at(i, c) = cs * b.at(i, c) + sn * b.at(j, c);
    a.at(j, c) = sn * (-b.at(i, c)) + cs * b.at(j, c);
  }
  return a;
}

}  // namespace

EigenDecomposition EigenByRotations(const Matrix3& s, Extended precision) {
  Matrix3 a = s;
  Matrix3 v = Matrix3::Identity();
  int k = 1;
  while (!(precision >= OffDiagonalNorm(a)) && k < 100) {
    int i = 0, j = 0;
    FindLargestOffDiagonal(a, i, j);
    if (i == 0) break;  // every off-diagonal element is zero or NaN: nothing to rotate away
    // For A[i][i] = A[j][j] the quotient is infinite and θ = ±π/4, which annihilates A[i][j].
    const Extended t = (a.at(i, j) * 2) / (a.at(i, i) - a.at(j, j));
    const Extended theta = std::atan(t) * 0.5L;
    const Extended cs = std::cos(theta);
    const Extended sn = std::sin(theta);
    const Matrix3 b = RotateColumns(a, i, j, cs, sn);
    v = RotateColumns(v, i, j, cs, sn);
    a = RotateRows(b, i, j, cs, sn);
    ++k;
  }
  EigenDecomposition result;
  for (int c = 1; c <= 3; ++c) result.values.at(c) = a.at(c, c);
  for (int c = 1; c <= 3; ++c) {
    const Extended length =
        std::sqrt((v.at(1, c) * v.at(1, c) + v.at(2, c) * v.at(2, c)) + v.at(3, c) * v.at(3, c));
    for (int r = 1; r <= 3; ++r) v.at(r, c) = v.at(r, c) / length;
  }
  result.vectors = v;
  result.rotations = k - 1;
  return result;
}

CanonicalForm ReduceToCanonicalForm(const QuadricForm& q, Extended inversePrecision,
                                    Extended rotationPrecision) {
  CanonicalForm form;
  form.eigen = EigenByRotations(QuadricMatrix(q), rotationPrecision);
  form.inverseVectors = InvertMatrix3(form.eigen.vectors, inversePrecision);
  const Matrix3& w = form.inverseVectors;
  const Vector3& lambda = form.eigen.values;
  const Extended b1 = q.at(7), b2 = q.at(8), b3 = q.at(9), c = q.at(10);
  for (int r = 1; r <= 3; ++r)
    form.linearTerms.at(r) = (w.at(r, 1) * b1 + w.at(r, 2) * b2) + w.at(r, 3) * b3;
  const Vector3& b = form.linearTerms;
  form.freeTerm = ((b.at(1) * b.at(1) / lambda.at(1) + b.at(2) * b.at(2) / lambda.at(2)) +
                   b.at(3) * b.at(3) / lambda.at(3)) -
                  c;
  for (int k = 1; k <= 3; ++k) {
    form.semiAxes.at(k) = std::sqrt(form.freeTerm / lambda.at(k));
    form.shift.at(k) = b.at(k) / lambda.at(k);
  }
  return form;
}

template <int N>
BasicPointSet<N> TransformToCanonicalFrame(const BasicPointSet<N>& points,
                                           const CanonicalForm& form) {
  const Matrix3& w = form.inverseVectors;
  const auto row = [&](int r, Extended x, Extended y, Extended z) {
    return static_cast<double>(((w.at(r, 1) * x + w.at(r, 2) * y) + w.at(r, 3) * z) +
                               form.shift.at(r));
  };
  BasicPointSet<N> moved(points.Size());
  for (int i = 1; i <= points.Size(); ++i) {
    const Extended x = points.X.at(i), y = points.Y.at(i), z = points.Z.at(i);
    moved.X.at(i) = row(1, x, y, z);
    moved.Y.at(i) = row(2, x, y, z);
    moved.Z.at(i) = row(3, x, y, z);
  }
  return moved;
}

template PointSet TransformToCanonicalFrame(const PointSet&, const CanonicalForm&);
template AtomPoints TransformToCanonicalFrame(const AtomPoints&, const CanonicalForm&);

Extended Power(Extended x, Extended y) {
  constexpr Extended MaxIntegralExponent = std::numeric_limits<int>::max();
  if (y == std::trunc(y) && std::fabs(y) <= MaxIntegralExponent) {
    const long long count = static_cast<long long>(std::fabs(y));
    Extended product = 1;
    for (long long n = 0; n < count; ++n) product = product * x;
    return y < 0 ? 1 / product : product;
  }
  if (x == 0) return 0;
  if (x < 0) return std::numeric_limits<Extended>::quiet_NaN();
  return std::exp2(y * std::log2(x));
}

EllipsoidMeasures MeasureEllipsoid(std::array<double, 3> semiAxes) {
  const Extended a = semiAxes[0], b = semiAxes[1], c = semiAxes[2];
  const Extended p = ThomsenExponent;
  EllipsoidMeasures measures;
  measures.volume = (((FourPi * a) * b) * c) / 3;
  measures.volumeRadius = Power((a * b) * c, 1.0L / 3);
  const Extended sum = (Power(a * b, p) + Power(a * c, p)) + Power(c * b, p);
  measures.surface = FourPi * Power(sum / 3, 1 / p);
  measures.surfaceRadius = Power(sum / 3, 1 / (2 * p));
  return measures;
}

}  // namespace ovalon
