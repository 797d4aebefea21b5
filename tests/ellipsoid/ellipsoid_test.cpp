#include "ellipsoid/ellipsoid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/products.h"
#include "core/singularmatrixerror.h"
#include "tests/ellipsoid/matrix3support.h"
#include "tests/support/points.h"

namespace ovalon {
namespace {

// √½ rounded to extended, the cos and |sin| of a rotation by π/4.
const Extended W = std::sqrt(0.5L);

// Symmetric matrices whose reduction needs rotations in all three planes.
const Matrix3 General = Rows(4, 1, 0.5L, 1, 3, -0.75L, 0.5L, -0.75L, 2);
const Matrix3 Mixed = Rows(0.3L, 0.1L, 0.2L, 0.1L, -0.7L, 0.05L, 0.2L, 0.05L, 1.1L);

TEST(Determinant3, MatchesCofactorExpansion) {
  // 2(3·4 − 0·1) − 1(1·4 − 0·5) + 7(1·1 − 3·5) = 24 − 4 − 98 = −78, exact in any order.
  EXPECT_EQ(Determinant3(Rows(2, 1, 7, 1, 3, 0, 5, 1, 4)), -78);
}

TEST(QuadricInvariants, AreTraceMinorsAndDeterminant) {
  // a11..a33 = 2, 3, 4; a12 = 1, a23 = −1, a13 = 0.5: the matrix (2 1 .5; 1 3 −1; .5 −1 4).
  QuadricForm q;
  q.data = {2, 3, 4, 1, -1, 0.5L, 7, 8, 9, 1};
  const Vector3 inv = QuadricInvariants(q);
  EXPECT_EQ(inv.at(1), 9);
  // (6 − 1) + (8 − 0.25) + (12 − 1) = 23.75
  EXPECT_EQ(inv.at(2), 23.75L);
  // 2(12 − 1) − 1(4 + 0.5) + 0.5(−1 − 1.5) = 22 − 4.5 − 1.25 = 16.25
  EXPECT_EQ(inv.at(3), 16.25L);
  EXPECT_EQ(QuadricMatrix(q), Rows(2, 1, 0.5L, 1, 3, -1, 0.5L, -1, 4));
}

TEST(InvertMatrix3, ProductWithInverseIsIdentity) {
  const Matrix3 m = Rows(4, -2, 1, 3, 6, -4, 2, 1, 8);
  // Entries of m are below 10 and the inverse's below 1: 64 ulps is far above the rounding
  // of a 3×3 elimination and far below any wrong element.
  ExpectNear(Multiply(m, InvertMatrix3(m, 1e-10L)), Matrix3::Identity(), 64 * Ulp);
  ExpectNear(Multiply(InvertMatrix3(m, 1e-10L), m), Matrix3::Identity(), 64 * Ulp);
}

TEST(InvertMatrix3, InvertsRotationsByPlusAndMinusQuarterTurn) {
  // The rotation by −π/4 has rows (w, w, 0), (−w, w, 0), (0, 0, 1): adding row 2 to row 1
  // with the companion's sign cancels the first pivot exactly, and the inversion must still
  // succeed. The rotation by +π/4 never meets that. Either way the inverse is the transpose.
  struct Case {
    const char* name;
    Matrix3 rotation;
  };
  const Case cases[] = {
      {"minus quarter turn", Rows(W, W, 0, -W, W, 0, 0, 0, 1)},
      {"plus quarter turn", Rows(W, -W, 0, W, W, 0, 0, 0, 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const Extended precision : {1e-10L, 0.0L}) {
      ExpectNear(InvertMatrix3(c.rotation, precision), Transposed(c.rotation), 8 * Ulp);
    }
  }
}

TEST(InvertMatrix3, SingularOrBelowPrecisionThrows) {
  EXPECT_THROW(InvertMatrix3(Matrix3{}, 0), SingularMatrixError);
  // Rank 2: the third row is the sum of the first two.
  EXPECT_THROW(InvertMatrix3(Rows(1, 2, 3, 4, 5, 6, 5, 7, 9), 1e-10L), SingularMatrixError);
  EXPECT_THROW(InvertMatrix3(Matrix3::Identity(), 2), SingularMatrixError);
}

TEST(QuadricCentre, GradientVanishesThere) {
  QuadricForm q;
  q.data = {4, 3, 2, 1, -0.75L, 0.5L, -1.5L, 2.25L, 0.125L, 1};
  const Vector3 centre = QuadricCentre(q, 1e-10L);
  const Matrix3 m = QuadricMatrix(q);
  for (int r = 1; r <= 3; ++r) {
    const Extended gradient = m.at(r, 1) * centre.at(1) + m.at(r, 2) * centre.at(2) +
                              m.at(r, 3) * centre.at(3) + q.at(6 + r);
    EXPECT_NEAR(gradient, 0, 64 * Ulp) << "row " << r;
  }
}

TEST(QuadricCentre, SingularQuadraticPartThrows) {
  // A cylinder along Z: no a33, a23, a13.
  QuadricForm q;
  q.data = {1, 1, 0, 0, 0, 0, 0, 0, 0, -1};
  EXPECT_THROW(QuadricCentre(q, 1e-10L), SingularMatrixError);
}

TEST(FindLargestOffDiagonal, PicksFirstOfEqualElementsRowByRow) {
  int i = 0, j = 0;
  FindLargestOffDiagonal(Rows(1, -2, 2, -2, 1, 0.5L, 2, 0.5L, 1), i, j);
  EXPECT_EQ(i, 1);
  EXPECT_EQ(j, 2);
  FindLargestOffDiagonal(Rows(1, 0.5L, 0, 0.5L, 1, -3, 0, -3, 1), i, j);
  EXPECT_EQ(i, 2);
  EXPECT_EQ(j, 3);
}

TEST(FindLargestOffDiagonal, LeavesIndicesWhenNothingExceedsZero) {
  const Extended nan = std::numeric_limits<Extended>::quiet_NaN();
  int i = 3, j = 1;
  FindLargestOffDiagonal(Rows(1, 0, nan, 0, 2, 0, nan, 0, 3), i, j);
  EXPECT_EQ(i, 3);
  EXPECT_EQ(j, 1);
}

TEST(OffDiagonalNorm, CountsBothTriangles) {
  // Off-diagonal squares 1, 4, 4 in each triangle: √18.
  EXPECT_EQ(OffDiagonalNorm(Rows(9, 1, 2, 1, 9, 2, 2, 2, 9)), std::sqrt(18.0L));
}

TEST(EigenByRotations, DiagonalMatrixNeedsNoRotation) {
  // Even a negative precision stops at once: no off-diagonal element is left to rotate away.
  for (const Extended precision : {1e-20L, 0.0L, -1.0L}) {
    const EigenDecomposition e = EigenByRotations(Rows(3, 0, 0, 0, -1, 0, 0, 0, 2), precision);
    EXPECT_EQ(e.rotations, 0);
    EXPECT_EQ(e.values.at(1), 3);
    EXPECT_EQ(e.values.at(2), -1);
    EXPECT_EQ(e.values.at(3), 2);
    EXPECT_EQ(e.vectors, Matrix3::Identity());
  }
}

TEST(EigenByRotations, EqualDiagonalTakesQuarterTurn) {
  // Rows (2, 1, 0), (1, 2, 0), (0, 0, 5): t is +∞, θ = +π/4; one rotation gives λ = (3, 1, 5)
  // and the columns (w, w, 0), (−w, w, 0), (0, 0, 1). The later rotations (precision 0 makes
  // them) turn by angles of the order of the rounding and change nothing visible.
  const Matrix3 s = Rows(2, 1, 0, 1, 2, 0, 0, 0, 5);
  const EigenDecomposition once = EigenByRotations(s, 1e-10L);
  EXPECT_EQ(once.rotations, 1);
  for (const EigenDecomposition& e : {once, EigenByRotations(s, 0)}) {
    EXPECT_NEAR(e.values.at(1), 3, 8 * Ulp);
    EXPECT_NEAR(e.values.at(2), 1, 8 * Ulp);
    EXPECT_NEAR(e.values.at(3), 5, 8 * Ulp);
    ExpectNear(e.vectors, Rows(W, -W, 0, W, W, 0, 0, 0, 1), 8 * Ulp);
  }
}

TEST(EigenByRotations, StopsAfterNinetyNineRotations) {
  // With precision 0 or below the loop stops only on exactly zero off-diagonal elements; the
  // rounding residue of these matrices never vanishes, so the cap ends the loop.
  for (const Extended precision : {0.0L, -1.0L}) {
    EXPECT_EQ(EigenByRotations(Rows(2, 1, 0, 1, 2, 0, 0, 0, 5), precision).rotations, 99);
    EXPECT_EQ(EigenByRotations(General, precision).rotations, MaxRotations);
  }
  // A precision above the off-diagonal norm (√(2·(1 + 0.25 + 0.5625)) ≈ 1.9) rotates nothing.
  EXPECT_EQ(EigenByRotations(General, 2).rotations, 0);
}

TEST(EigenByRotations, ColumnsAreOrthonormalEigenvectors) {
  struct Case {
    const char* name;
    Matrix3 s;
    Extended precision;
  };
  const Case cases[] = {
      {"positive definite", General, 1e-20L},
      {"indefinite", Mixed, 1e-20L},
      {"indefinite, coarse precision", Mixed, 1e-6L},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const EigenDecomposition e = EigenByRotations(c.s, c.precision);
    EXPECT_GE(e.rotations, 3);
    // Entries of S are at most 4: rounding leaves residuals of a few ulps of 4; a coarse
    // precision leaves off-diagonal elements up to the precision itself.
    const Extended tolerance = std::max(c.precision, 256 * Ulp);
    const Matrix3 sv = Multiply(c.s, e.vectors);
    for (int col = 1; col <= 3; ++col)
      for (int r = 1; r <= 3; ++r)
        EXPECT_NEAR(sv.at(r, col), e.values.at(col) * e.vectors.at(r, col), tolerance);
    ExpectNear(Multiply(Transposed(e.vectors), e.vectors), Matrix3::Identity(), 16 * Ulp);
  }
}

TEST(EigenByRotations, EigenvaluesKeepTheInvariants) {
  // Trace and determinant of General: 9 and 4·(6 − 0.5625) − (2 + 0.375) + 0.5·(−0.75 − 1.5)
  // = 21.75 − 2.375 − 1.125 = 18.25.
  const EigenDecomposition e = EigenByRotations(General, 1e-20L);
  EXPECT_NEAR((e.values.at(1) + e.values.at(2)) + e.values.at(3), 9, 64 * Ulp);
  EXPECT_NEAR(e.values.at(1) * e.values.at(2) * e.values.at(3), 18.25L, 256 * Ulp);
}

TEST(CanonicalForm, SphereHasRadiusAsEverySemiAxis) {
  // (x − 1)² + (y + 2)² + (z − 3)² = 4, divided by 1 + 4 + 9 − 4 = 10 so that c = 1.
  const Extended k = 1 / 10.0L;
  QuadricForm q;
  q.data = {k, k, k, 0, 0, 0, -k * 1, -k * -2, -k * 3, 1};
  const CanonicalForm form = ReduceToCanonicalForm(q, 1e-10L, 1e-20L);
  EXPECT_EQ(form.eigen.rotations, 0);
  EXPECT_EQ(form.inverseVectors, Matrix3::Identity());
  for (int k = 1; k <= 3; ++k) EXPECT_NEAR(form.semiAxes.at(k), 2, 16 * Ulp);
  // The shift moves the centre (1, −2, 3) to the origin.
  EXPECT_NEAR(form.shift.at(1), -1, 16 * Ulp);
  EXPECT_NEAR(form.shift.at(2), 2, 16 * Ulp);
  EXPECT_NEAR(form.shift.at(3), -3, 16 * Ulp);
}

TEST(TransformToCanonicalFrame, MovesAnyNumberOfAtomsToTheCentredFrame) {
  // 70 points of the sphere of radius 2 about (1, −2, 3), the quadric of the test above: the
  // canonical frame only shifts them, so each lands at distance 2 from the origin.
  const Extended k = 1 / 10.0L;
  QuadricForm q;
  q.data = {k, k, k, 0, 0, 0, -k * 1, -k * -2, -k * 3, 1};
  const AtomPoints points = test::SpiralPointsOf<Dynamic>(70, 2, 2, 2, 1, -2, 3);
  const AtomPoints moved =
      TransformToCanonicalFrame(points, ReduceToCanonicalForm(q, 1e-10L, 1e-20L));
  ASSERT_EQ(moved.Size(), 70);
  for (int i = 1; i <= 70; ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(moved.X.at(i), points.X.at(i) - 1, 1e-15);
    EXPECT_NEAR(moved.Y.at(i), points.Y.at(i) + 2, 1e-15);
    EXPECT_NEAR(moved.Z.at(i), points.Z.at(i) - 3, 1e-15);
  }
}

TEST(CanonicalForm, CanonicalCoordinatesSatisfyTheCanonicalEquation) {
  // Any point of the quadric, mapped by W·x + s, satisfies Σ (x_k/a_k)² = 1.
  QuadricForm q;
  q.data = {0.04L, 0.03L, 0.05L, 0.01L, -0.005L, 0.008L, -0.1L, 0.2L, 0.05L, -0.5L};
  const CanonicalForm form = ReduceToCanonicalForm(q, 1e-10L, 1e-20L);
  // The centre plus a_k times the k-th eigenvector lies on the surface.
  const Vector3 centre = QuadricCentre(q, 1e-10L);
  for (int axis = 1; axis <= 3; ++axis) {
    SCOPED_TRACE(axis);
    Vector3 point;
    for (int r = 1; r <= 3; ++r)
      point.at(r) = centre.at(r) + form.semiAxes.at(axis) * form.eigen.vectors.at(r, axis);
    Extended sum = 0;
    for (int k = 1; k <= 3; ++k) {
      const Extended x =
          (form.inverseVectors.at(k, 1) * point.at(1) + form.inverseVectors.at(k, 2) * point.at(2) +
           form.inverseVectors.at(k, 3) * point.at(3)) +
          form.shift.at(k);
      sum += (x / form.semiAxes.at(k)) * (x / form.semiAxes.at(k));
    }
    EXPECT_NEAR(sum, 1, 1e-15L);
  }
}

TEST(Power, FollowsItsBranches) {
  const Extended nan = std::numeric_limits<Extended>::quiet_NaN();
  struct Case {
    const char* name;
    Extended x, y, expected;
  };
  const Case cases[] = {
      {"integral exponent", 3, 4, 81},    {"negative integral exponent", 2, -3, 0.125L},
      {"zero exponent", 0, 0, 1},         {"negative base, integral exponent", -2, 3, -8},
      {"zero base", 0, 0.5L, 0},          {"negative base", -8, 1.0L / 3, nan},
      {"square root", 6.25L, 0.5L, 2.5L},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Extended actual = Power(c.x, c.y);
    if (std::isnan(c.expected)) {
      EXPECT_TRUE(std::isnan(actual));
    } else {
      EXPECT_NEAR(actual, c.expected, 4 * Ulp * std::fabs(c.expected));
    }
  }
}

TEST(MeasureEllipsoid, SphereGivesClassicalFormulas) {
  // For a = b = c = r Thomsen's approximation is exact: (3r^(2p)/3)^(1/p) = r².
  const double r = 3.5;
  const EllipsoidMeasures m = MeasureEllipsoid({r, r, r});
  const Extended fourPi = 4 * std::acos(-1.0L);
  // 32 ulps covers the rounding of the power function (log₂ and exp₂ of values near 2^5).
  EXPECT_NEAR(m.volume, fourPi * r * r * r / 3, 32 * Ulp * m.volume);
  EXPECT_NEAR(m.surface, fourPi * r * r, 32 * Ulp * m.surface);
  EXPECT_NEAR(m.volumeRadius, r, 32 * Ulp * r);
  EXPECT_NEAR(m.surfaceRadius, r, 32 * Ulp * r);
}

TEST(MeasureEllipsoid, NotANumberSpreads) {
  const EllipsoidMeasures m = MeasureEllipsoid({1, 2, std::numeric_limits<double>::quiet_NaN()});
  EXPECT_TRUE(std::isnan(m.volume));
  EXPECT_TRUE(std::isnan(m.volumeRadius));
  EXPECT_TRUE(std::isnan(m.surface));
  EXPECT_TRUE(std::isnan(m.surfaceRadius));
}

}  // namespace
}  // namespace ovalon
