#include "core/fpenvironment.h"

#include <fenv.h>
#include <fpu_control.h>
#include <xmmintrin.h>

namespace ovalon {

namespace {
// Precision control 64-bit significand, round to nearest, all six exceptions masked.
constexpr fpu_control_t ExtendedControlWord =
    _FPU_EXTENDED | _FPU_RC_NEAREST | _FPU_MASK_IM | _FPU_MASK_DM | _FPU_MASK_ZM | _FPU_MASK_OM |
    _FPU_MASK_UM | _FPU_MASK_PM;
constexpr fpu_control_t ControlWordMask = 0x0F3F;
}  // namespace

void SetExtendedFloatingPointEnvironment() {
  fpu_control_t cw;
  _FPU_GETCW(cw);
  cw = (cw & ~ControlWordMask) | ExtendedControlWord;
  _FPU_SETCW(cw);
  _mm_setcsr((_mm_getcsr() & ~0x6000u) | 0x1F80u);  // round to nearest, all masked
  fesetround(FE_TONEAREST);
}

bool HasExtendedFloatingPointEnvironment() {
  fpu_control_t cw;
  _FPU_GETCW(cw);
  return (cw & ControlWordMask) == ExtendedControlWord && (_mm_getcsr() & 0x7F80u) == 0x1F80u;
}

}  // namespace ovalon
