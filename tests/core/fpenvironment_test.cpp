#include "core/fpenvironment.h"

#include <fenv.h>
#include <fpu_control.h>
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <cfenv>
#include <cmath>
#include <limits>

#include "core/extended.h"

namespace ovalon {
namespace {

/// The opposite of every setting: a 53-bit significand, rounding toward zero, and the
/// invalid-operation and division-by-zero exceptions unmasked, in the x87 unit and in SSE.
void SetAnotherEnvironment() {
  std::feclearexcept(FE_ALL_EXCEPT);  // no pending flag may trap once unmasked
  fpu_control_t cw;
  _FPU_GETCW(cw);
  cw = (cw & ~(_FPU_EXTENDED | _FPU_RC_ZERO | _FPU_MASK_IM | _FPU_MASK_ZM)) | _FPU_DOUBLE |
       _FPU_RC_ZERO;
  _FPU_SETCW(cw);
  _mm_setcsr((_mm_getcsr() | 0x6000u) & ~0x0280u);  // round toward zero; IM and ZM unmasked
}

TEST(FloatingPointEnvironment, SetsPrecisionRoundingAndMasksWhateverItFinds) {
  SetAnotherEnvironment();
  EXPECT_FALSE(HasExtendedFloatingPointEnvironment());
  SetExtendedFloatingPointEnvironment();
  EXPECT_TRUE(HasExtendedFloatingPointEnvironment());

  // 1 + 2^-63 needs the 64-bit significand; 1 + 0.75·2^-63 rounds up only to nearest.
  volatile Extended one = 1;
  volatile Extended last = std::ldexp(1.0L, -63);
  EXPECT_EQ(one + last - one, last);
  EXPECT_EQ(one + 0.75L * last - one, last);
  // The 64-bit unit rounds to nearest as well.
  volatile double oneDouble = 1;
  volatile double lastDouble = std::ldexp(1.0, -52);
  EXPECT_EQ(oneDouble + 0.75 * lastDouble - oneDouble, lastDouble);
  // Division by zero and an invalid operation give INF and NaN and do not trap.
  volatile Extended zero = 0;
  volatile double zeroDouble = 0;
  EXPECT_TRUE(std::isinf(1.0L / zero));
  EXPECT_TRUE(std::isnan(zero / zero));
  EXPECT_TRUE(std::isinf(1.0 / zeroDouble));
  EXPECT_TRUE(std::isnan(zeroDouble / zeroDouble));
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
