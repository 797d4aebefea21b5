// The fast products against the sums as written: every element must carry the same bits.

#include "core/products.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "core/extended.h"

namespace ovalon {
namespace {

/// True when a and b are the same 80-bit pattern (NaNs and zeros by their sign and payload).
bool SameBits(Extended a, Extended b) { return std::memcmp(&a, &b, 10) == 0; }

template <int R, int C>
void ExpectSameBits(const Matrix<R, C>& actual, const Matrix<R, C>& expected) {
  ASSERT_EQ(actual.Rows(), expected.Rows());
  ASSERT_EQ(actual.Cols(), expected.Cols());
  for (int r = 1; r <= actual.Rows(); ++r)
    for (int c = 1; c <= actual.Cols(); ++c)
      EXPECT_TRUE(SameBits(actual.at(r, c), expected.at(r, c)))
          << "(" << r << ", " << c << "): " << actual.at(r, c) << " vs " << expected.at(r, c);
}

/// Values over many magnitudes and both signs, so that every rounding shows; with `specials`
/// some are zeros of either sign, infinities or NaNs of either sign.
template <int K>
Matrix<K, 9> Filled(int rows, unsigned seed, bool specials) {
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> unit(-1, 1);
  std::uniform_int_distribution<int> exponent(-30, 30), pick(0, 40);
  const Extended inf = std::numeric_limits<Extended>::infinity();
  const Extended nan = std::numeric_limits<Extended>::quiet_NaN();
  Matrix<K, 9> m(rows, 9);
  for (Extended& x : m.data) {
    x = std::ldexp(static_cast<Extended>(unit(random)) / 3, exponent(random));
    if (!specials) continue;
    switch (pick(random)) {
      case 0: x = 0.0L; break;
      case 1: x = -0.0L; break;
      case 2: x = inf; break;
      case 3: x = -nan; break;
      case 4: x = nan; break;
      default: break;
    }
  }
  return m;
}

template <int K>
void ExpectCrossProductsAsWritten(int rows, unsigned seed, bool specials) {
  const Matrix<K, 9> x = Filled<K>(rows, seed, specials);
  const Matrix<K, 9> y = Filled<K>(rows, seed + 1, specials);
  ExpectSameBits(MultiplyTransposed(x, y), Multiply(Transpose(x), y));
  ExpectSameBits(MultiplyTransposedSelf(x), Multiply(Transpose(x), x));
  const Matrix9 left = Filled<9>(9, seed + 2, specials);
  ExpectSameBits(MultiplyByTransposed(left, x), Multiply(left, Transpose(x)));
}

TEST(ProductsWithTransposes, CarryTheBitsOfTheSumsAsWritten) {
  for (const bool specials : {false, true}) {
    SCOPED_TRACE(specials ? "with zeros, infinities and NaNs" : "finite");
    ExpectCrossProductsAsWritten<AtomCount>(AtomCount, 1, specials);
    for (const int rows : {0, 1, 7, 61}) {
      SCOPED_TRACE(rows);
      ExpectCrossProductsAsWritten<Dynamic>(rows, 10 + rows, specials);
    }
  }
}

}  // namespace
}  // namespace ovalon
