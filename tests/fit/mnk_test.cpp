#include "fit/mnk.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/guardedinverse.h"
#include "core/singularmatrixerror.h"
#include "tests/support/points.h"

namespace ovalon {
namespace {

using test::SpiralPoints;
using test::UniformErrors;

constexpr Extended Precision = 1e-10L;

TEST(BuildDesignMatrix, RowsHoldTheQuadricTermsAndTheTransposeMatchesThem) {
  PointSet p;
  p.X.at(2) = 3;
  p.Y.at(2) = -2;
  p.Z.at(2) = 0.5;
  const Matrix60x9 d = BuildDesignMatrix(p);
  const Extended expected[9] = {9, 4, 0.25, -6, -1, 1.5, 3, -2, 0.5};
  for (int k = 1; k <= 9; ++k) {
    EXPECT_EQ(d.at(2, k), expected[k - 1]) << "column " << k;
    EXPECT_EQ(d.at(1, k), 0) << "column " << k;
  }
  const PointSet spiral = SpiralPoints(1.3, 1.0, 0.8, 0.3, -0.2, 0.1);
  const Matrix60x9 ds = BuildDesignMatrix(spiral);
  const Matrix9x60 t = TransposeDesignMatrix(spiral);
  for (int k = 1; k <= 9; ++k)
    for (int i = 1; i <= AtomCount; ++i) ASSERT_EQ(t.at(k, i), ds.at(i, k));
}

TEST(BuildNormalMatrix, SumsAtomsInAscendingOrderAndIsSymmetric) {
  // Column 7·column 8 terms x·y of atoms 1, 2, 3 are 2^64, 1 and −2^64. In ascending order
  // 2^64 + 1 rounds to 2^64 (a tie, to even, with a 64-bit significand) and the sum ends at
  // 0; any other order would leave 1.
  PointSet p;
  p.X.at(1) = 0x1p32;
  p.Y.at(1) = 0x1p32;
  p.X.at(2) = 1;
  p.Y.at(2) = 1;
  p.X.at(3) = 0x1p32;
  p.Y.at(3) = -0x1p32;
  EXPECT_EQ(BuildNormalMatrix(p).at(7, 8), 0);

  const Matrix9 n = BuildNormalMatrix(SpiralPoints(1.3, 1.0, 0.8, 0.3, -0.2, 0.1));
  for (int r = 1; r <= 9; ++r)
    for (int c = 1; c <= 9; ++c) EXPECT_EQ(n.at(r, c), n.at(c, r));
}

TEST(FitQuadricLeastSquares, SphereGivesMinusOneOverRSquared) {
  // The points are on the sphere up to the rounding of their 64-bit coordinates (1e-16
  // relative); the normal matrix is well conditioned, so 1e-14 covers the fit's rounding.
  const double radius = 3.5;
  const PointSet p = SpiralPoints(radius, radius, radius);
  const QuadricParams a = FitQuadricLeastSquares(p, Precision);
  const Extended expected = -1 / (static_cast<Extended>(radius) * radius);
  for (int k = 1; k <= 3; ++k) EXPECT_NEAR(a.at(k), expected, 1e-14L) << "A" << k;
  for (int k = 4; k <= 9; ++k) EXPECT_NEAR(a.at(k), 0, 1e-14L) << "A" << k;
  const Vector60 f = EvaluateQuadric(p, a);
  for (int i = 1; i <= AtomCount; ++i) EXPECT_NEAR(f.at(i), 0, 1e-13L) << "atom " << i;
  EXPECT_LT(ScaledResidualNorm(p, a), 1e-14L);
}

TEST(FitQuadricLeastSquares, ShiftedEllipsoidGivesEveryCoefficient) {
  // (x − 1)²/4 + (y + 2)² + (z − 0.5)²/0.25 − 1 = 0 has the constant 1/4 + 4 + 1 − 1 = 4.25;
  // divided by it, the constant is +1.
  const PointSet p = SpiralPoints(2, 1, 0.5, 1, -2, 0.5);
  const Extended s = 1 / 4.25L;
  const Extended expected[9] = {s / 4, s, 4 * s, 0, 0, 0, -s / 2, 4 * s, -4 * s};
  const QuadricParams a = FitQuadricLeastSquares(p, Precision);
  for (int k = 1; k <= 9; ++k) EXPECT_NEAR(a.at(k), expected[k - 1], 1e-13L) << "A" << k;
}

TEST(FitQuadricLeastSquares, SingularNormalMatrixThrows) {
  // All atoms at the origin make N zero; a planar cage (all z = 0) zeroes three columns.
  PointSet planar = SpiralPoints(2, 1, 0.5);
  planar.Z.data.fill(0);
  EXPECT_THROW(SolveLeastSquares(PointSet{}, 0), SingularMatrixError);
  EXPECT_THROW(InvertNormalMatrix(PointSet{}, 0), SingularMatrixError);
  EXPECT_THROW(FitQuadricLeastSquares(planar, Precision), SingularMatrixError);
  EXPECT_THROW(EstimateQuadricErrors(planar, UniformErrors(0.01), Precision), SingularMatrixError);
  EXPECT_THROW(FitQuadricLeastSquares(SpiralPoints(2, 1, 0.5), 1e10L), SingularMatrixError);
}

TEST(SolveLeastSquares, KeepsTheInverseNormalMatrixItSolvedWith) {
  // The inverse is the one a fit by another method gets from InvertNormalMatrix, bit for bit,
  // for either size, and it inverts DᵀD to within the rounding of a condition number near 1E5.
  const PointSet p = SpiralPoints(3.9, 3.5, 3.2, 0.3, -0.2, 0.1);
  const LeastSquaresSolution solution = SolveLeastSquares(p, Precision);
  EXPECT_EQ(solution.params, FitQuadricLeastSquares(p, Precision));
  EXPECT_EQ(solution.inverseNormal, InvertNormalMatrix(p, Precision));
  EXPECT_EQ(SolveLeastSquares(AtomPoints(p), Precision).inverseNormal, solution.inverseNormal);
  const Matrix9 normal = BuildNormalMatrix(p);
  for (int r = 1; r <= 9; ++r) {
    for (int c = 1; c <= 9; ++c) {
      Extended sum = 0;
      for (int k = 1; k <= 9; ++k) sum += solution.inverseNormal.at(r, k) * normal.at(k, c);
      EXPECT_NEAR(static_cast<double>(sum), r == c ? 1 : 0, 1e-12) << r << "," << c;
    }
  }
}

TEST(BuildDesignUncertainty, PropagatesEachColumnAndKeepsTheSignOfTheLinearOnes) {
  PointSet coords;
  PointSet errors;
  coords.X.at(5) = 3;
  coords.Y.at(5) = -2;
  coords.Z.at(5) = 0.5;
  errors.X.at(5) = -0.125;
  errors.Y.at(5) = 0.25;
  errors.Z.at(5) = 0.5;
  const Matrix60x9 delta = BuildDesignUncertainty(coords, errors);
  const Extended expected[9] = {
      0.75,                    // |2·3·(−0.125)|
      1,                       // |2·(−2)·0.25|
      0.5,                     // |2·0.5·0.5|
      std::sqrt(0.625L),       // √((−0.125·−2)² + (3·0.25)²)
      std::sqrt(1.015625L),    // √((0.25·0.5)² + (−2·0.5)²)
      std::sqrt(2.25390625L),  // √((−0.125·0.5)² + (3·0.5)²)
      -0.125,
      0.25,
      0.5,
  };
  for (int k = 1; k <= 9; ++k) EXPECT_EQ(delta.at(5, k), expected[k - 1]) << "column " << k;
}

TEST(BuildNormalIncrement, IsTheExpansionOfTheShiftedNormalMatrix) {
  const PointSet coords = SpiralPoints(1.3, 1.0, 0.8, 0.3, -0.2, 0.1);
  EXPECT_EQ(BuildNormalIncrement(coords, PointSet{}), Matrix9{});

  // N + ΔN against (D + ΔD)ᵀ·(D + ΔD) formed directly; entries are below 100, so the two
  // orders of summation agree to 1e-15.
  const PointSet errors = UniformErrors(0.01);
  const Matrix60x9 d = BuildDesignMatrix(coords);
  const Matrix60x9 delta = BuildDesignUncertainty(coords, errors);
  const Matrix9 n = BuildNormalMatrix(coords);
  const Matrix9 increment = BuildNormalIncrement(coords, errors);
  for (int r = 1; r <= 9; ++r) {
    for (int c = 1; c <= 9; ++c) {
      Extended direct = 0;
      for (int i = 1; i <= AtomCount; ++i)
        direct += (d.at(i, r) + delta.at(i, r)) * (d.at(i, c) + delta.at(i, c));
      EXPECT_NEAR(n.at(r, c) + increment.at(r, c), direct, 1e-15L) << r << "," << c;
    }
  }
}

TEST(EstimateQuadricErrors, ZeroUncertaintiesLeaveOnlyRounding) {
  // dA is the difference of two evaluation orders of the same solution: with all
  // coefficients below 2 and a condition number below 100, it stays under 1e-16.
  const PointSet coords = SpiralPoints(1.3, 1.0, 0.8, 0.3, -0.2, 0.1);
  const QuadricParams da = EstimateQuadricErrors(coords, PointSet{}, Precision);
  for (int k = 1; k <= 9; ++k) EXPECT_LT(std::fabs(da.at(k)), 1e-16L) << "dA" << k;
}

TEST(EstimateQuadricErrors, IsTheShiftOfTheFitToTheShiftedDesign) {
  // With every element of D shifted by its uncertainty, A′ solves
  // (D + ΔD)ᵀ(D + ΔD)·A′ = (D + ΔD)ᵀ·(−1); solved here by Gauss–Jordan with partial
  // pivoting, independently of the guarded inversion.
  const PointSet coords = SpiralPoints(1.3, 1.0, 0.8, 0.3, -0.2, 0.1);
  const PointSet errors = UniformErrors(0.01);
  const Matrix60x9 d = BuildDesignMatrix(coords);
  const Matrix60x9 delta = BuildDesignUncertainty(coords, errors);
  FixedMatrix<9, 10> system;
  for (int r = 1; r <= 9; ++r) {
    for (int i = 1; i <= AtomCount; ++i) {
      const Extended dr = d.at(i, r) + delta.at(i, r);
      for (int c = 1; c <= 9; ++c) system.at(r, c) += dr * (d.at(i, c) + delta.at(i, c));
      system.at(r, 10) -= dr;
    }
  }
  for (int col = 1; col <= 9; ++col) {
    int pivot = col;
    for (int r = col + 1; r <= 9; ++r)
      if (std::fabs(system.at(r, col)) > std::fabs(system.at(pivot, col))) pivot = r;
    for (int c = 1; c <= 10; ++c) std::swap(system.at(col, c), system.at(pivot, c));
    for (int r = 1; r <= 9; ++r) {
      if (r == col) continue;
      const Extended f = system.at(r, col) / system.at(col, col);
      for (int c = 1; c <= 10; ++c) system.at(r, c) -= f * system.at(col, c);
    }
  }
  const QuadricParams a = FitQuadricLeastSquares(coords, Precision);
  const QuadricParams da = EstimateQuadricErrors(coords, errors, Precision);
  for (int k = 1; k <= 9; ++k) {
    const Extended shifted = system.at(k, 10) / system.at(k, k);
    EXPECT_NEAR(da.at(k), a.at(k) - shifted, 1e-15L) << "dA" << k;
    EXPECT_GT(std::fabs(da.at(k)), 1e-6L) << "dA" << k;
  }
}

}  // namespace
}  // namespace ovalon
