#include "ellipsoid/carlson.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "ellipsoid/ellipsoid.h"

namespace ovalon {

namespace {

constexpr Extended NotANumber = std::numeric_limits<Extended>::quiet_NaN();

// The relative error the truncated series may leave: the unit round-off of the 64-bit
// significand. Carlson's bounds stop the duplication once 4^−m·Q < |A_m|, with
// Q = (3r)^(−1/6)·max|A₀ − x| for R_F and (r/4)^(−1/6)·max|A₀ − x| for R_D.
constexpr Extended RoundOff = 1.0L / 18446744073709551616.0L;  // 2^−64

Extended LargestDeviation(Extended a, Extended x, Extended y, Extended z) {
  return std::max({std::fabs(a - x), std::fabs(a - y), std::fabs(a - z)});
}

}  // namespace

Extended CarlsonRF(Extended x, Extended y, Extended z) {
  if (!(x >= 0 && y >= 0 && z >= 0) || x + y == 0 || y + z == 0 || x + z == 0 ||
      std::isinf(x + y + z))
    return NotANumber;
  const Extended a0 = (x + y + z) / 3;
  const Extended q = std::pow(3 * RoundOff, -1.0L / 6) * LargestDeviation(a0, x, y, z);
  Extended a = a0, xm = x, ym = y, zm = z;
  Extended scale = 1;  // 4^−m
  while (scale * q >= std::fabs(a)) {
    const Extended sx = std::sqrt(xm), sy = std::sqrt(ym), sz = std::sqrt(zm);
    const Extended lambda = sx * sy + sx * sz + sy * sz;
    a = (a + lambda) / 4;
    xm = (xm + lambda) / 4;
    ym = (ym + lambda) / 4;
    zm = (zm + lambda) / 4;
    scale /= 4;
  }
  // The deviations are taken from the original arguments: A_m − x_m = 4^−m·(A₀ − x) exactly in
  // theory, and this way they carry no cancellation error.
  const Extended dx = scale * (a0 - x) / a;
  const Extended dy = scale * (a0 - y) / a;
  const Extended dz = -dx - dy;
  const Extended e2 = dx * dy - dz * dz;
  const Extended e3 = dx * dy * dz;
  const Extended series = 1 - e2 / 10 + e3 / 14 + e2 * e2 / 24 - 3 * e2 * e3 / 44;
  return series / std::sqrt(a);
}

Extended CarlsonRD(Extended x, Extended y, Extended z) {
  if (!(x >= 0 && y >= 0 && z > 0) || x + y == 0 || std::isinf(x + y + z)) return NotANumber;
  const Extended a0 = (x + y + 3 * z) / 5;
  const Extended q = std::pow(RoundOff / 4, -1.0L / 6) * LargestDeviation(a0, x, y, z);
  Extended a = a0, xm = x, ym = y, zm = z;
  Extended scale = 1;  // 4^−m
  Extended sum = 0;
  while (scale * q >= std::fabs(a)) {
    const Extended sx = std::sqrt(xm), sy = std::sqrt(ym), sz = std::sqrt(zm);
    const Extended lambda = sx * sy + sx * sz + sy * sz;
    sum += scale / (sz * (zm + lambda));
    a = (a + lambda) / 4;
    xm = (xm + lambda) / 4;
    ym = (ym + lambda) / 4;
    zm = (zm + lambda) / 4;
    scale /= 4;
  }
  const Extended dx = scale * (a0 - x) / a;
  const Extended dy = scale * (a0 - y) / a;
  const Extended dz = -(dx + dy) / 3;
  const Extended xy = dx * dy;
  const Extended z2 = dz * dz;
  const Extended e2 = xy - 6 * z2;
  const Extended e3 = (3 * xy - 8 * z2) * dz;
  const Extended e4 = 3 * (xy - z2) * z2;
  const Extended e5 = xy * z2 * dz;
  const Extended series =
      1 - 3 * e2 / 14 + e3 / 6 + 9 * e2 * e2 / 88 - 3 * e4 / 22 - 9 * e2 * e3 / 52 + 3 * e5 / 26;
  return scale * series / (a * std::sqrt(a)) + 3 * sum;
}

Extended CarlsonRG(Extended x, Extended y, Extended z) {
  if (!(x >= 0 && y >= 0 && z >= 0)) return NotANumber;
  Extended s[3] = {x, y, z};
  std::sort(s, s + 3);
  // With the middle value as z, −(x − z)(y − z) ≥ 0 and every term of
  // 2·R_G = z·R_F − (x − z)(y − z)·R_D / 3 + √(x·y / z) is non-negative: nothing cancels.
  const Extended lo = s[0], mid = s[1], hi = s[2];
  if (mid == 0) return std::sqrt(hi) / 2;  // R_G(0, 0, w) = √w / 2
  const Extended twice = mid * CarlsonRF(lo, hi, mid) -
                         (lo - mid) * (hi - mid) * CarlsonRD(lo, hi, mid) / 3 +
                         std::sqrt(lo * hi / mid);
  return twice / 2;
}

Extended EllipsoidSurfaceArea(Extended a, Extended b, Extended c) {
  const Extended bc = b * c, ca = c * a, ab = a * b;
  return FourPi * CarlsonRG(bc * bc, ca * ca, ab * ab);
}

}  // namespace ovalon
