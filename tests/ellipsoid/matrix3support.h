#pragma once
// Small helpers of the 3×3 tests: matrices written row by row, transposes, elementwise checks.

#include <gtest/gtest.h>

#include <limits>

#include "core/extended.h"

namespace ovalon {

// One unit in the last place of 1 in extended precision (2^-63).
constexpr Extended Ulp = std::numeric_limits<Extended>::epsilon();

inline Matrix3 Rows(Extended a11, Extended a12, Extended a13, Extended a21, Extended a22,
                    Extended a23, Extended a31, Extended a32, Extended a33) {
  Matrix3 m;
  m.data = {a11, a12, a13, a21, a22, a23, a31, a32, a33};
  return m;
}

inline Matrix3 Transposed(Matrix3 m) {
  Matrix3 t;
  for (int r = 1; r <= 3; ++r)
    for (int c = 1; c <= 3; ++c) t.at(r, c) = m.at(c, r);
  return t;
}

inline void ExpectNear(Matrix3 actual, Matrix3 expected, Extended tolerance) {
  for (int r = 1; r <= 3; ++r)
    for (int c = 1; c <= 3; ++c)
      EXPECT_NEAR(actual.at(r, c), expected.at(r, c), tolerance) << "at (" << r << ", " << c << ")";
}

}  // namespace ovalon
