// The products that form the elements of D and ΔD from the coordinates, against the same
// products of the stored matrices summed as written: every element must carry the same bits.

#include "fit/designproducts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>

#include "core/extended.h"
#include "core/products.h"
#include "fit/mnk.h"

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

/// Coordinates over many magnitudes and both signs, so that every rounding shows; with
/// `specials` some are zeros of either sign, infinities or NaNs of either sign.
template <int N>
BasicPointSet<N> Points(int count, unsigned seed, bool specials) {
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> unit(-1, 1);
  std::uniform_int_distribution<int> exponent(-12, 12), pick(0, 60);
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  BasicPointSet<N> p(count);
  for (auto* values : {&p.X, &p.Y, &p.Z}) {
    for (double& x : values->data) {
      x = std::ldexp(unit(random) / 3, exponent(random));
      if (!specials) continue;
      switch (pick(random)) {
        case 0: x = 0.0; break;
        case 1: x = -0.0; break;
        case 2: x = -inf; break;
        case 3: x = -nan; break;
        case 4: x = nan; break;
        default: break;
      }
    }
  }
  return p;
}

/// A 9×9 matrix of unrelated values (the inverse a pseudo-inverse multiplies by).
Matrix9 Left(unsigned seed) {
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> unit(-1, 1);
  Matrix9 m;
  for (Extended& x : m.data) x = static_cast<Extended>(unit(random)) / 7;
  return m;
}

template <int N>
void ExpectProductsAsWritten(int count, unsigned seed, bool specials) {
  const BasicPointSet<N> coords = Points<N>(count, seed, specials);
  const BasicPointSet<N> errors = Points<N>(count, seed + 1, specials);
  const Matrix<N, 9> d = BuildDesignMatrix(coords);
  const Matrix<N, 9> delta = BuildDesignUncertainty(coords, errors);

  ExpectSameBits(BuildNormalMatrix(coords), Multiply(Transpose(d), d));
  const Matrix9 m1 = Multiply(Transpose(d), delta), m2 = Multiply(Transpose(delta), d),
                m3 = Multiply(Transpose(delta), delta);
  Matrix9 increment;
  for (int r = 1; r <= 9; ++r)
    for (int c = 1; c <= 9; ++c) increment.at(r, c) = (m1.at(r, c) + m2.at(r, c)) + m3.at(r, c);
  ExpectSameBits(BuildNormalIncrement(coords, errors), increment);

  const Matrix9 left = Left(seed + 2);
  const Matrix<9, N> expected = Multiply(left, Transpose(d));
  Matrix<9, N> visited(9, count);
  for (int r = 1; r <= 9; ++r) {
    int next = 1;
    design::VisitRowTimesTransposed(left, design::Design{design::Coordinates(coords)}, count, r,
                                    [&](int c, Extended value) {
                                      EXPECT_EQ(c, next++);  // ascending, each atom once
                                      visited.at(r, c) = value;
                                    });
    EXPECT_EQ(next, count + 1);
  }
  ExpectSameBits(visited, expected);
}

TEST(DesignProducts, CarryTheBitsOfTheSumsAsWritten) {
  for (const bool specials : {false, true}) {
    SCOPED_TRACE(specials ? "with zeros, infinities and NaNs" : "finite");
    ExpectProductsAsWritten<AtomCount>(AtomCount, 1, specials);
    for (const int count : {0, 1, 7, 61}) {
      SCOPED_TRACE(count);
      ExpectProductsAsWritten<Dynamic>(count, 10 + count, specials);
    }
  }
}

}  // namespace
}  // namespace ovalon
