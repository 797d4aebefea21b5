#include "ellipsoid/uncertainty.h"

#include <cmath>

#include "core/guardedinverse.h"
#include "core/products.h"
#include "ellipsoid/ellipsoid.h"

namespace ovalon {

Matrix3 RotateMatrixPlane(int p, int q, const Matrix3& a, Extended cs, Extended sn) {
  Matrix3 b = a;
  for (int r = 1; r <= 3; ++r) {
    b.at(r, p) = a.at(r, p) * cs + a.at(r, q) * sn;
    b.at(r, q) = (-a.at(r, p)) * sn + a.at(r, q) * cs;
  }
  Matrix3 c = b;
  for (int col = 1; col <= 3; ++col) {
    c.at(p, col) = b.at(p, col) * cs + b.at(q, col) * sn;
    c.at(q, col) = (-b.at(p, col)) * sn + b.at(q, col) * cs;
  }
  return c;
}

Matrix3 TransposedTripleProduct(const Matrix3& p, const Matrix3& q, const Matrix3& r) {
  return Multiply(Transpose(p), Multiply(q, r));
}

EigenWithErrorsResult EigenWithErrors(const Matrix3& s, const Matrix3& e, Extended precision) {
  Matrix3 a = s;
  Matrix3 v = Matrix3::Identity();
  int k = 1;
  while (!(precision >= OffDiagonalNorm(a)) && k < 100) {
    int i = 0, j = 0;
    FindLargestOffDiagonal(a, i, j);
    if (i == 0) break;  // every off-diagonal element is zero or NaN: nothing to rotate away
    // h is cos 2θ for the angle of EigenByRotations; an infinite t gives h = 0 and θ = ±π/4.
    const Extended t = (a.at(i, j) * 2) / (a.at(i, i) - a.at(j, j));
    const Extended h = 1 / std::sqrt(t * t + 1);
    const Extended cs = std::sqrt(h * 0.5L + 0.5L);
    const Extended sn = static_cast<Extended>(SignOf(t)) * std::sqrt(0.5L - h * 0.5L);
    const Matrix3 rotated = RotateMatrixPlane(i, j, a, cs, sn);
    // V·R, as in EigenByRotations, so that the columns of V are the eigenvectors however
    // many planes the rotations take.
    const Matrix3 turned = Multiply(v, PlaneRotation(i, j, cs, sn));
    // Once t² vanishes beside 1, cs = 1 and sn = ±0: the rotation leaves A and V as they were,
    // and every further pass would repeat it unchanged until the count runs out.
    if (SameBits(rotated, a) && SameBits(turned, v)) break;
    a = rotated;
    v = turned;
    ++k;
  }
  EigenWithErrorsResult result;
  const Matrix3 g = TransposedTripleProduct(v, e, v);
  for (int c = 1; c <= 3; ++c) {
    result.values.at(c) = a.at(c, c);
    result.errors.at(c) = g.at(c, c);
  }
  for (int c = 1; c <= 3; ++c) {
    const Extended length =
        std::sqrt((v.at(1, c) * v.at(1, c) + v.at(2, c) * v.at(2, c)) + v.at(3, c) * v.at(3, c));
    for (int r = 1; r <= 3; ++r) v.at(r, c) = v.at(r, c) / length;
  }
  result.vectors = v;
  return result;
}

ValuesWithErrors RotatedLinearTermsWithErrors(const Matrix3& v, const QuadricForm& q,
                                              const QuadricForm& e, Extended precision) {
  const Matrix3 n = InvertMatrix3(v, precision);
  ValuesWithErrors result;
  for (int r = 1; r <= 3; ++r) {
    result.values.at(r) = (n.at(r, 1) * q.at(7) + n.at(r, 2) * q.at(8)) + n.at(r, 3) * q.at(9);
    const Extended d1 = n.at(r, 1) * e.at(7);
    const Extended d2 = n.at(r, 2) * e.at(8);
    const Extended d3 = n.at(r, 3) * e.at(9);
    result.errors.at(r) = std::sqrt((d1 * d1 + d2 * d2) + d3 * d3);
  }
  return result;
}

namespace {

/// Negative in the sense of the orientation test: a NaN counts as negative.
bool CountsAsNegative(Extended x) { return !(x >= 0); }

}  // namespace

ValuesWithErrors SemiAxesWithErrors(const QuadricForm& q, const QuadricForm& e,
                                    const Vector3& lambda, const Vector3& linearTerms,
                                    const Vector3& lambdaErrors, const Vector3& linearTermErrors) {
  Vector3 l = lambda, b = linearTerms, dl = lambdaErrors, db = linearTermErrors;
  // Of the quadric and its errors only the constant terms are used below.
  Extended c = q.at(10), dc = e.at(10);
  if (CountsAsNegative(l.at(1)) && CountsAsNegative(l.at(2)) && CountsAsNegative(l.at(3))) {
    for (int k = 1; k <= 3; ++k) {
      l.at(k) = -l.at(k);
      b.at(k) = -b.at(k);
      dl.at(k) = -dl.at(k);
      db.at(k) = -db.at(k);
    }
    c = -c;
    dc = -dc;
  }
  const Extended sumK =
      ((b.at(1) * b.at(1) / l.at(1) + b.at(2) * b.at(2) / l.at(2)) + b.at(3) * b.at(3) / l.at(3)) -
      c;
  const Extended r = std::sqrt(sumK);

  // d[1..3]: linear terms, d[4]: constant term, d[5..7]: eigenvalues.
  Extended d[8] = {};
  for (int k = 1; k <= 3; ++k) d[k] = (b.at(k) / (l.at(k) * r)) * db.at(k);
  d[4] = (1 / (r * 2)) * dc;
  for (int k = 1; k <= 3; ++k)
    d[4 + k] = (b.at(k) * b.at(k) / ((l.at(k) * l.at(k) * 2) * r)) * dl.at(k);

  ValuesWithErrors result;
  for (int k = 1; k <= 3; ++k) {
    result.values.at(k) = r / std::sqrt(l.at(k));
    // Both parts of the derivative of r/√λk by λk have the same sign, so they add.
    const Extended own = d[4 + k] + (r / (l.at(k) * 2)) * dl.at(k);
    Extended sum = own * own;
    for (int m = 1; m <= 7; ++m) {
      if (m != 4 + k) sum = sum + d[m] * d[m];
    }
    result.errors.at(k) = std::sqrt(sum) * (1 / std::sqrt(l.at(k)));
  }
  return result;
}

CanonicalUncertainties PropagateUncertainties(const QuadricForm& q, const QuadricForm& e,
                                              Extended inversePrecision,
                                              Extended rotationPrecision) {
  CanonicalUncertainties result;
  result.eigen = EigenWithErrors(QuadricMatrix(q), QuadricMatrix(e), rotationPrecision);
  result.linearTerms = RotatedLinearTermsWithErrors(result.eigen.vectors, q, e, inversePrecision);
  result.semiAxes = SemiAxesWithErrors(q, e, result.eigen.values, result.linearTerms.values,
                                       result.eigen.errors, result.linearTerms.errors);
  return result;
}

}  // namespace ovalon
