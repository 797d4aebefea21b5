#include "core/fpenvironment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/extended.h"

namespace ovalon {
namespace {

TEST(FloatingPointEnvironment, IsSetAndNeverTraps) {
  SetExtendedFloatingPointEnvironment();
  EXPECT_TRUE(HasExtendedFloatingPointEnvironment());
  volatile Extended zero = 0;
  EXPECT_TRUE(std::isinf(1.0L / zero));
  EXPECT_TRUE(std::isnan(zero / zero));
}

TEST(FloatingPointEnvironment, ExtendedKeepsSixtyFourBits) {
  SetExtendedFloatingPointEnvironment();
  // 1 + 2^-63 is representable only with a 64-bit significand.
  volatile Extended one = 1;
  volatile Extended tiny = std::ldexp(1.0L, -63);
  EXPECT_NE(one + tiny, one);
  // Ties round to even: 1 + 2^-64 rounds back to 1.
  volatile Extended half = std::ldexp(1.0L, -64);
  EXPECT_EQ(one + half, one);
}

}  // namespace
}  // namespace ovalon
