#include "ellipsoid/uncertainty.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "core/products.h"
#include "ellipsoid/ellipsoid.h"
#include "tests/ellipsoid/matrix3support.h"

namespace ovalon {
namespace {

Vector3 Vec(Extended x, Extended y, Extended z) {
  Vector3 v;
  v.data = {x, y, z};
  return v;
}

QuadricForm Form(std::array<Extended, 10> values) {
  QuadricForm q;
  q.data = values;
  return q;
}

// A quadratic part that needs rotations in all three planes, and coefficient errors for it.
const Matrix3 General = Rows(4, 1, 0.5L, 1, 3, -0.75L, 0.5L, -0.75L, 2);
const Matrix3 GeneralErrors =
    Rows(0.003L, -0.001L, 0.002L, -0.001L, 0.004L, 0.0005L, 0.002L, 0.0005L, -0.002L);

TEST(RotateMatrixPlane, IsTransposedRotationTimesMatrixTimesRotation) {
  const Matrix3 a = Rows(1, 2, 3, -4, 5, 6, 7, -8, 9);  // not symmetric, to tell R from Rᵀ
  const Extended cs = std::cos(0.3L), sn = std::sin(0.3L);
  for (const auto& [p, q] : {std::pair{1, 2}, std::pair{1, 3}, std::pair{2, 3}}) {
    SCOPED_TRACE(testing::Message() << "plane " << p << ", " << q);
    const Matrix3 r = PlaneRotation(p, q, cs, sn);
    ExpectNear(RotateMatrixPlane(p, q, a, cs, sn), Multiply(Transposed(r), Multiply(a, r)),
               64 * Ulp);
  }
}

TEST(TransposedTripleProduct, IsTransposeOfFirstTimesProductOfOthers) {
  const Matrix3 p = Rows(1, 2, 0, 0, 1, 3, 4, 0, 1);
  const Matrix3 q = Rows(2, 0, 1, 1, 1, 0, 0, 3, 1);
  const Matrix3 r = Rows(1, 1, 0, 0, 2, 1, 1, 0, 1);
  // Q·R = (3 2 1; 1 3 1; 1 6 4); Pᵀ·(Q·R) with Pᵀ = (1 0 4; 2 1 0; 0 3 1), all exact.
  EXPECT_EQ(TransposedTripleProduct(p, q, r), Rows(7, 26, 17, 7, 7, 3, 4, 15, 7));
}

TEST(EigenWithErrors, DiagonalMatrixKeepsErrorsOfItsDiagonal) {
  const EigenWithErrorsResult e =
      EigenWithErrors(Rows(3, 0, 0, 0, 1, 0, 0, 0, 2), GeneralErrors, 1e-20L);
  EXPECT_EQ(e.values, Vec(3, 1, 2));
  EXPECT_EQ(e.errors, Vec(0.003L, 0.004L, -0.002L));
  EXPECT_EQ(e.vectors, Matrix3::Identity());
}

TEST(EigenWithErrors, AgreesWithRotationMethodAcrossSeveralPlanes) {
  // Both forms accumulate V·R, so the columns of V are the eigenvectors whichever planes the
  // rotations take. The half-angle formulas stop turning once t² is below the rounding of 1
  // (sn = √(0.5 − h·0.5) is then exactly 0), which leaves off-diagonal elements of about 1e-10
  // of the eigenvalue gaps: the eigenvectors are good to about 1e-10, the eigenvalues, being
  // of second order in them, to rounding.
  for (const Matrix3& s :
       {General, Rows(0.3L, 0.1L, 0.2L, 0.1L, -0.7L, 0.05L, 0.2L, 0.05L, 1.1L)}) {
    const EigenDecomposition reference = EigenByRotations(s, 1e-20L);
    const EigenWithErrorsResult e = EigenWithErrors(s, GeneralErrors, 1e-20L);
    for (int k = 1; k <= 3; ++k) EXPECT_NEAR(e.values.at(k), reference.values.at(k), 64 * Ulp);
    ExpectNear(e.vectors, reference.vectors, 1e-9L);
    const Matrix3 sv = Multiply(s, e.vectors);
    for (int c = 1; c <= 3; ++c)
      for (int r = 1; r <= 3; ++r)
        EXPECT_NEAR(sv.at(r, c), e.values.at(c) * e.vectors.at(r, c), 1e-9L);
  }
}

TEST(EigenWithErrors, QuarterTurnGivesErrorsAlongTheEigenvectors) {
  // For rows (2, 1, 0), (1, 2, 0), (0, 0, 5) the eigenvectors are (1, 1, 0)/√2, (−1, 1, 0)/√2
  // and (0, 0, 1); δλ_k = v_kᵀ·E·v_k gives (E11 + E22)/2 ± E12 and E33.
  const Matrix3 e = GeneralErrors;
  const EigenWithErrorsResult result = EigenWithErrors(Rows(2, 1, 0, 1, 2, 0, 0, 0, 5), e, 1e-20L);
  EXPECT_NEAR(result.errors.at(1), (0.003L + 0.004L) / 2 - 0.001L, 16 * Ulp);
  EXPECT_NEAR(result.errors.at(2), (0.003L + 0.004L) / 2 + 0.001L, 16 * Ulp);
  EXPECT_NEAR(result.errors.at(3), -0.002L, 16 * Ulp);
}

TEST(EigenWithErrors, ErrorsAreFirstOrderChangesOfTheEigenvalues) {
  // Central differences of the rotation method's eigenvalues along E: the step h = 1e-6 leaves
  // a truncation error of order h² = 1e-12 and a rounding error of order 1e-19/h = 1e-13.
  const Extended h = 1e-6L;
  Matrix3 plus = General, minus = General;
  for (int r = 1; r <= 3; ++r) {
    for (int c = 1; c <= 3; ++c) {
      plus.at(r, c) += h * GeneralErrors.at(r, c);
      minus.at(r, c) -= h * GeneralErrors.at(r, c);
    }
  }
  const Vector3 up = EigenByRotations(plus, 1e-20L).values;
  const Vector3 down = EigenByRotations(minus, 1e-20L).values;
  const EigenWithErrorsResult e = EigenWithErrors(General, GeneralErrors, 1e-20L);
  for (int k = 1; k <= 3; ++k)
    EXPECT_NEAR(e.errors.at(k), (up.at(k) - down.at(k)) / (2 * h), 1e-11L) << "k = " << k;
}

TEST(RotatedLinearTermsWithErrors, IdentityKeepsTermsAndAbsoluteErrors) {
  const QuadricForm q = Form({1, 1, 1, 0, 0, 0, 0.5L, -2, 3, 1});
  const QuadricForm e = Form({0, 0, 0, 0, 0, 0, -0.25L, 0.125L, -0.0625L, 0});
  const ValuesWithErrors b = RotatedLinearTermsWithErrors(Matrix3::Identity(), q, e, 1e-10L);
  EXPECT_EQ(b.values, Vec(0.5L, -2, 3));
  EXPECT_EQ(b.errors, Vec(0.25L, 0.125L, 0.0625L));
}

TEST(RotatedLinearTermsWithErrors, RotationAddsErrorsInQuadrature) {
  // V = rotation by +π/4 about Z: V⁻¹ = Vᵀ has rows (w, w, 0), (−w, w, 0), (0, 0, 1).
  const Extended w = std::sqrt(0.5L);
  const Matrix3 v = Rows(w, -w, 0, w, w, 0, 0, 0, 1);
  const QuadricForm q = Form({1, 1, 1, 0, 0, 0, 3, 1, 2, 1});
  const QuadricForm e = Form({0, 0, 0, 0, 0, 0, 0.3L, -0.4L, 0.5L, 0});
  const ValuesWithErrors b = RotatedLinearTermsWithErrors(v, q, e, 1e-10L);
  const Extended half = std::sqrt(0.5L * (0.09L + 0.16L));  // √((w·0.3)² + (w·0.4)²)
  EXPECT_NEAR(b.values.at(1), 4 * w, 16 * Ulp);
  EXPECT_NEAR(b.values.at(2), -2 * w, 16 * Ulp);
  EXPECT_NEAR(b.values.at(3), 2, 16 * Ulp);
  EXPECT_NEAR(b.errors.at(1), half, 16 * Ulp);
  EXPECT_NEAR(b.errors.at(2), half, 16 * Ulp);
  EXPECT_NEAR(b.errors.at(3), 0.5L, 16 * Ulp);
}

// The parameters the semi-axes depend on, in the order b′1..3, c, λ1..3.
using Parameters = std::array<Extended, 7>;

// a_k = √(K/λ_k) with K = Σ b′²/λ − c, the textbook form of the semi-axis.
Extended SemiAxis(const Parameters& x, int k) {
  const Extended sum = x[0] * x[0] / x[4] + x[1] * x[1] / x[5] + x[2] * x[2] / x[6] - x[3];
  return std::sqrt(sum / x[3 + k]);
}

TEST(SemiAxesWithErrors, ErrorsAreFirstOrderPropagation) {
  // δa_k must equal √Σ (∂a_k/∂x_m · δx_m)² over the seven parameters; the partial derivatives
  // are taken here by central differences (step 1e-7 relative: truncation about 1e-14,
  // rounding about 1e-12). A wrong sign in the eigenvalue term changes δa_k by far more.
  const Parameters x = {0.3L, -0.2L, 0.1L, -1, 0.25L, 0.5L, 0.125L};
  const Parameters dx = {0.01L, 0.02L, -0.015L, 0.004L, 0.002L, -0.003L, 0.001L};
  const QuadricForm q = Form({0, 0, 0, 0, 0, 0, 0, 0, 0, x[3]});
  const QuadricForm e = Form({0, 0, 0, 0, 0, 0, 0, 0, 0, dx[3]});
  const ValuesWithErrors a = SemiAxesWithErrors(q, e, Vec(x[4], x[5], x[6]), Vec(x[0], x[1], x[2]),
                                                Vec(dx[4], dx[5], dx[6]), Vec(dx[0], dx[1], dx[2]));
  for (int k = 1; k <= 3; ++k) {
    SCOPED_TRACE(k);
    Extended sum = 0;
    for (int m = 0; m < 7; ++m) {
      const Extended h = 1e-7L * std::fabs(x[m]);
      Parameters up = x, down = x;
      up[m] += h;
      down[m] -= h;
      const Extended derivative = (SemiAxis(up, k) - SemiAxis(down, k)) / (2 * h);
      sum += (derivative * dx[m]) * (derivative * dx[m]);
    }
    EXPECT_NEAR(a.values.at(k), SemiAxis(x, k), 1e-17L);
    EXPECT_NEAR(a.errors.at(k), std::sqrt(sum), 1e-11L);
  }
}

TEST(SemiAxesWithErrors, NegatedQuadricGivesTheSameResult) {
  // All eigenvalues negative: the quadric is multiplied by −1 first. Negation is exact, so the
  // negated input gives bit for bit what the positive form gives.
  const QuadricForm q = Form({1, 2, 3, 0, 0, 0, 0.3L, -0.2L, 0.1L, -1});
  const QuadricForm e = Form({0.1L, 0.2L, 0.3L, 0, 0, 0, 0.01L, 0.02L, -0.015L, 0.004L});
  QuadricForm nq = q, ne = e;
  for (int k = 1; k <= 10; ++k) {
    nq.at(k) = -q.at(k);
    ne.at(k) = -e.at(k);
  }
  const Vector3 l = Vec(0.25L, 0.5L, 0.125L), b = Vec(0.3L, -0.2L, 0.1L);
  const Vector3 dl = Vec(0.002L, -0.003L, 0.001L), db = Vec(0.01L, 0.02L, -0.015L);
  const ValuesWithErrors positive = SemiAxesWithErrors(q, e, l, b, dl, db);
  const ValuesWithErrors negative =
      SemiAxesWithErrors(nq, ne, Vec(-0.25L, -0.5L, -0.125L), Vec(-0.3L, 0.2L, -0.1L),
                         Vec(-0.002L, 0.003L, -0.001L), Vec(-0.01L, -0.02L, 0.015L));
  EXPECT_EQ(negative.values, positive.values);
  EXPECT_EQ(negative.errors, positive.errors);
  for (int k = 1; k <= 3; ++k) EXPECT_GT(positive.errors.at(k), 0);
}

TEST(SemiAxesWithErrors, MixedSignsGiveNotANumberWhereTheRootIsNegative) {
  // x² + y² − z² = 1: λ = (1, 1, −1), K = 1; the third semi-axis is √−1.
  const QuadricForm q = Form({1, 1, -1, 0, 0, 0, 0, 0, 0, -1});
  const ValuesWithErrors a =
      SemiAxesWithErrors(q, QuadricForm{}, Vec(1, 1, -1), Vector3{}, Vector3{}, Vector3{});
  EXPECT_EQ(a.values.at(1), 1);
  EXPECT_EQ(a.values.at(2), 1);
  EXPECT_TRUE(std::isnan(a.values.at(3)));
  EXPECT_EQ(a.errors.at(1), 0);
  EXPECT_TRUE(std::isnan(a.errors.at(3)));
}

}  // namespace
}  // namespace ovalon
