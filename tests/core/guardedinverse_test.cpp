#include "core/guardedinverse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "core/extended.h"
#include "core/singularmatrixerror.h"

namespace ovalon {
namespace {

template <int N>
FixedMatrix<N, N> Multiply(const FixedMatrix<N, N>& a, const FixedMatrix<N, N>& b) {
  FixedMatrix<N, N> p;
  for (int r = 1; r <= N; ++r)
    for (int c = 1; c <= N; ++c)
      for (int k = 1; k <= N; ++k) p.at(r, c) += a.at(r, k) * b.at(k, c);
  return p;
}

template <int N>
Extended DistanceFromIdentity(const FixedMatrix<N, N>& m) {
  Extended worst = 0;
  for (int r = 1; r <= N; ++r)
    for (int c = 1; c <= N; ++c) worst = std::max(worst, std::fabs(m.at(r, c) - (r == c ? 1 : 0)));
  return worst;
}

const Extended W = std::sqrt(0.5L);

/// Rows (w, s·w, 0), (−s·w, w, 0), (0, 0, 1): a rotation by ∓π/4 about z.
Matrix3 Rotation(int s) {
  Matrix3 m;
  m.at(1, 1) = W;
  m.at(1, 2) = s * W;
  m.at(2, 1) = -s * W;
  m.at(2, 2) = W;
  m.at(3, 3) = 1;
  return m;
}

TEST(SignOf, ZeroOfEitherSignIsPositiveAndNaNIsNegative) {
  const Extended inf = std::numeric_limits<Extended>::infinity();
  const struct {
    const char* name;
    Extended x;
    int sign;
  } cases[] = {
      {"+0", 0.0L, 1},
      {"-0", -0.0L, 1},
      {"positive", 1e-4000L, 1},
      {"negative", -1e-4000L, -1},
      {"+inf", inf, 1},
      {"-inf", -inf, -1},
      {"NaN", std::numeric_limits<Extended>::quiet_NaN(), -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SignOf(c.x), c.sign);
  }
}

/// The pass as its row operations are written: every AddScaledRow and ScaleRow on whole rows,
/// one after another. TryInvertGuarded regroups them and must give the same bits.
template <int N>
bool InvertRowByRow(const FixedMatrix<N, N>& m, Extended precision, detail::Reinforcement rule,
                    FixedMatrix<N, N>& result) {
  FixedMatrix<N, N> w = m;
  FixedMatrix<N, N> c = FixedMatrix<N, N>::Identity();
  for (int i = 1; i <= N; ++i) {
    for (int j = i + 1; j <= N; ++j) {
      const Extended other =
          rule == detail::Reinforcement::Companion ? c.at(j, i) : w.at(j, i);
      AddScaledRow(w, c, i, j, static_cast<Extended>(SignOf(w.at(i, i)) * SignOf(other)));
    }
    if (precision >= std::fabs(w.at(i, i))) return false;
    ScaleRow(w, c, i, 1.0L / w.at(i, i));
    for (int j = i + 1; j <= N; ++j) AddScaledRow(w, c, j, i, -w.at(j, i));
  }
  for (int col = N; col >= 2; --col)
    for (int r = 1; r <= col - 1; ++r) AddScaledRow(w, c, r, col, -w.at(r, col));
  result = c;
  return true;
}

bool SameBits(Extended a, Extended b) { return std::memcmp(&a, &b, 10) == 0; }

/// Random matrices over many magnitudes, some with zeros of either sign, infinities and NaNs.
template <int N>
void ExpectRegroupedPassGivesTheSameBits(unsigned seed) {
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> unit(-1, 1);
  std::uniform_int_distribution<int> exponent(-20, 20), pick(0, 200);
  const Extended inf = std::numeric_limits<Extended>::infinity();
  const Extended nan = std::numeric_limits<Extended>::quiet_NaN();
  for (int trial = 0; trial < 300; ++trial) {
    FixedMatrix<N, N> m;
    for (Extended& x : m.data) {
      x = std::ldexp(static_cast<Extended>(unit(random)), exponent(random));
      if (trial % 3 != 0) continue;
      switch (pick(random)) {
        case 0: x = 0.0L; break;
        case 1: x = -0.0L; break;
        case 2: x = -inf; break;
        case 3: x = -nan; break;
        case 4: x = nan; break;
        default: break;
      }
    }
    for (const Extended precision : {1e-10L, -1.0L}) {
      for (const auto rule : {detail::Reinforcement::Companion, detail::Reinforcement::Working}) {
        FixedMatrix<N, N> expected, actual;
        const bool expectedDone = InvertRowByRow(m, precision, rule, expected);
        ASSERT_EQ(detail::TryInvertGuarded(m, precision, rule, actual), expectedDone);
        if (!expectedDone) continue;
        for (std::size_t k = 0; k < m.data.size(); ++k)
          ASSERT_TRUE(SameBits(actual.data[k], expected.data[k]))
              << "trial " << trial << ", element " << k << ": " << actual.data[k] << " vs "
              << expected.data[k];
      }
    }
  }
}

TEST(InvertGuarded, RegroupedRowOperationsGiveTheBitsOfTheRowByRowPass) {
  ExpectRegroupedPassGivesTheSameBits<3>(3);
  ExpectRegroupedPassGivesTheSameBits<9>(9);
}

TEST(InvertGuarded, SymmetricPositiveDefiniteGivesTheInverse) {
  // N = BᵀB + I with B[r][c] = cos(r + 2c): symmetric, positive definite, its eigenvalues
  // between 1 and 1 + ‖B‖²(Frobenius) ≤ 82, so N·N⁻¹ = I to about 1e-17 (extended rounding
  // 5e-20 times the condition and the 9-term sums); 1e-15 leaves a wide margin.
  Matrix9 b;
  for (int r = 1; r <= 9; ++r)
    for (int c = 1; c <= 9; ++c) b.at(r, c) = std::cos(static_cast<Extended>(r + 2 * c));
  Matrix9 n = Matrix9::Identity();
  for (int r = 1; r <= 9; ++r)
    for (int c = 1; c <= 9; ++c)
      for (int k = 1; k <= 9; ++k) n.at(r, c) += b.at(k, r) * b.at(k, c);

  const Matrix9 inverse = InvertGuarded(n, 1e-10L);
  EXPECT_LT(DistanceFromIdentity(Multiply(n, inverse)), 1e-15L);
  EXPECT_LT(DistanceFromIdentity(Multiply(inverse, n)), 1e-15L);
}

TEST(InvertGuarded, SecondPassInvertsWhatTheCompanionSignsCancel) {
  // Rotation by −π/4: at pivot 1 the companion's C[2][1] is still 0, so row 2 is added with
  // sign +1 and W[1][1] = w − w = 0; that pass fails and the second one (signs from W) adds
  // row 2 with sign −1, giving the pivot 2w.
  const Matrix3 m = Rotation(+1);
  Matrix3 unused;
  EXPECT_FALSE(detail::TryInvertGuarded(m, 1e-10L, detail::Reinforcement::Companion, unused));
  // The inverse of a rotation is its transpose; rounding of w and of the row sums ≤ 1e-18.
  const Matrix3 inverse = InvertGuarded(m, 1e-10L);
  for (int r = 1; r <= 3; ++r)
    for (int c = 1; c <= 3; ++c) EXPECT_NEAR(inverse.at(r, c), m.at(c, r), 1e-18L);
}

TEST(InvertGuarded, FirstPassInvertsTheOppositeRotation) {
  // Rotation by +π/4: the companion's sign +1 adds row 2 = (w, w, 0) to (w, −w, 0), pivot 2w.
  const Matrix3 m = Rotation(-1);
  Matrix3 firstPass;
  ASSERT_TRUE(detail::TryInvertGuarded(m, 1e-10L, detail::Reinforcement::Companion, firstPass));
  EXPECT_EQ(InvertGuarded(m, 1e-10L), firstPass);
  for (int r = 1; r <= 3; ++r)
    for (int c = 1; c <= 3; ++c) EXPECT_NEAR(firstPass.at(r, c), m.at(c, r), 1e-18L);
}

TEST(InvertGuarded, PrecisionAboveOneStillGivesTheInverse) {
  // Every pivot is 10 > 2, and the normalised last pivot (1) is below the precision: the
  // back-substitution runs all the same, so the result is the inverse and not the
  // forward-reduced companion. The entries are dyadic fractions, so the rounding is ≤ 1e-18.
  Matrix3 m;
  m.at(1, 1) = 10;
  m.at(1, 2) = 3;
  m.at(1, 3) = 1;
  m.at(2, 2) = 10;
  m.at(2, 3) = 2;
  m.at(3, 3) = 10;
  const Matrix3 inverse = InvertGuarded(m, 2.0L);
  EXPECT_LT(DistanceFromIdentity(Multiply(m, inverse)), 1e-18L);
  EXPECT_NE(inverse.at(1, 2), 0);  // the forward pass alone leaves the upper triangle at 0
}

TEST(InvertGuarded, SmallPivotThrows) {
  Matrix3 nearlySingular = Matrix3::Identity();
  nearlySingular.at(2, 2) = 1e-12L;
  const struct {
    const char* name;
    Matrix3 m;
    Extended precision;
  } cases[] = {
      {"zero matrix", Matrix3{}, 0.0L},
      {"pivot below the precision", nearlySingular, 1e-10L},
      {"precision above every pivot", Matrix3::Identity(), 1e10L},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_THROW(InvertGuarded(c.m, c.precision), SingularMatrixError);
  }
  EXPECT_NO_THROW(InvertGuarded(nearlySingular, 1e-13L));
}

}  // namespace
}  // namespace ovalon
