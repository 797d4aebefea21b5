// Carlson's symmetric integrals and the exact ellipsoid surface, against values that do not
// come from the duplication method: closed forms, the lemniscate constant, the table of
// Carlson's 1995 paper, and a surface computed by direct numerical integration.

#include "ellipsoid/carlson.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ellipsoid/ellipsoid.h"

namespace ovalon {
namespace {

constexpr Extended Pi = 3.14159265358979323846264338327950288L;

struct IntegralCase {
  const char* name;
  Extended (*integral)(Extended, Extended, Extended);
  Extended x, y, z;
  Extended expected;
  Extended relativeTolerance;
};

TEST(CarlsonIntegrals, KnownValues) {
  // Tolerances: closed forms and the lemniscate constant (ϖ/2 = Γ(1/4)²/(4√(2π)), 21 digits)
  // are known beyond extended precision, so they get 4E-19, a few units in the last place of
  // the 64-bit significand. The paper's table has 14 significant digits, hence 1E-13.
  const IntegralCase cases[] = {
      {"R_F(x,x,x) = 1/sqrt(x)", CarlsonRF, 2.25L, 2.25L, 2.25L, 1 / 1.5L, 4e-19L},
      {"R_F(0,1,1) = pi/2", CarlsonRF, 0, 1, 1, Pi / 2, 4e-19L},
      {"R_F(0,1,2) = lemniscate/2", CarlsonRF, 0, 1, 2, 1.31102877714605990523L, 4e-19L},
      {"R_F(2,3,4) Carlson", CarlsonRF, 2, 3, 4, 0.58408284167715L, 1e-13L},
      {"R_D(x,x,x) = x^-3/2", CarlsonRD, 4, 4, 4, 0.125L, 4e-19L},
      {"R_D(0,1,1) = 3pi/4", CarlsonRD, 0, 1, 1, 3 * Pi / 4, 4e-19L},
      {"R_D(0,2,1) Carlson", CarlsonRD, 0, 2, 1, 1.7972103521034L, 1e-13L},
      {"R_D(2,3,4) Carlson", CarlsonRD, 2, 3, 4, 0.16510527294261L, 1e-13L},
      {"R_G(x,x,x) = sqrt(x)", CarlsonRG, 6.25L, 6.25L, 6.25L, 2.5L, 4e-19L},
      {"R_G(0,16,16) = pi", CarlsonRG, 0, 16, 16, Pi, 4e-19L},
      {"R_G(0,0,9) = 3/2", CarlsonRG, 0, 0, 9, 1.5L, 0},
      {"R_G(2,3,4) Carlson", CarlsonRG, 2, 3, 4, 1.7255030280692L, 1e-13L},
      {"R_G(0,0.0796,4) Carlson", CarlsonRG, 0, 0.0796L, 4, 1.0284758090288L, 1e-13L},
  };
  for (const IntegralCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Extended value = c.integral(c.x, c.y, c.z);
    EXPECT_LE(std::fabs(value - c.expected), c.relativeTolerance * c.expected)
        << static_cast<double>(value);
  }
}

TEST(CarlsonIntegrals, ArgumentsOutsideTheirDomainGiveNaN) {
  EXPECT_TRUE(std::isnan(CarlsonRF(-1, 1, 1)));
  EXPECT_TRUE(std::isnan(CarlsonRF(0, 0, 1)));  // two zeros: the integral diverges
  EXPECT_TRUE(std::isnan(CarlsonRD(1, 1, 0)));
  EXPECT_TRUE(std::isnan(CarlsonRD(0, 0, 1)));
  EXPECT_TRUE(std::isnan(CarlsonRG(1, -1, 1)));
  EXPECT_TRUE(std::isnan(CarlsonRG(NAN, 1, 1)));
}

struct SurfaceCase {
  const char* name;
  Extended a, b, c;
  Extended expected;
};

TEST(EllipsoidSurfaceArea, MatchesIndependentValues) {
  const Extended r = 1.7L;
  // Prolate spheroid a > b = c: S = 2πb²(1 + a/(b·e)·arcsin e) with e = √(1 − b²/a²).
  const Extended prolateE = std::sqrt(1 - 9.0L / 25);
  const Extended prolate = 2 * Pi * 9 * (1 + 5 / (3 * prolateE) * std::asin(prolateE));
  // Oblate spheroid a = b > c: S = 2πa²(1 + (1 − e²)/e·artanh e) with e = √(1 − c²/a²).
  const Extended oblateE = std::sqrt(1 - 9.0L / 25);
  const Extended oblate =
      2 * Pi * 25 * (1 + (1 - oblateE * oblateE) / oblateE * std::atanh(oblateE));
  // The ellipsoid 3, 2, 1 by direct integration, without elliptic integrals: with u = cos θ,
  // S = 8·∫₀^{π/2} ∫₀^1 √(P + Q·u²) du dφ, P = b²c²·cos²φ + a²c²·sin²φ, Q = a²b² − P. The inner
  // integral is ½(√(P + Q) + P/√Q·asinh √(Q/P)); the outer one, smooth and π-periodic, by the
  // trapezoid rule in Python's decimal at 60 digits, which gives the same 55 digits with 100,
  // 200 and 400 nodes: 48.882146302582059695719545728815480308193052536849922781108.
  const Extended triaxial = 48.882146302582059695719545728815L;
  const SurfaceCase cases[] = {
      {"sphere 4 pi r^2", r, r, r, 4 * Pi * r * r},
      {"prolate spheroid 5, 3, 3", 5, 3, 3, prolate},
      {"oblate spheroid 5, 5, 3", 5, 5, 3, oblate},
      {"triaxial 3, 2, 1", 3, 2, 1, triaxial},
      {"triaxial in another order", 1, 3, 2, triaxial},
      {"flat ellipse: both faces, 2 pi a b", 3, 2, 0, 12 * Pi},
  };
  for (const SurfaceCase& c : cases) {
    SCOPED_TRACE(c.name);
    // 2E-18 relative: about 20 units in the last place, for the rounding of the closed forms'
    // own libm calls (asinl, atanhl) and of the duplication steps.
    EXPECT_LE(std::fabs(EllipsoidSurfaceArea(c.a, c.b, c.c) - c.expected), 2e-18L * c.expected)
        << static_cast<double>(EllipsoidSurfaceArea(c.a, c.b, c.c));
  }
}

TEST(EllipsoidSurfaceArea, KnudThomsenApproximationStaysWithinItsBound) {
  // Thomsen's formula with p = 1.6075 is documented to err by at most 1.061 %.
  const std::array<double, 3> shapes[] = {{3, 2, 1}, {10, 1, 1}, {10, 10, 1}, {4.1, 3.6, 3.2}};
  for (const auto& s : shapes) {
    const Extended exact = EllipsoidSurfaceArea(s[0], s[1], s[2]);
    const Extended approximate = MeasureEllipsoid(s).surface;
    EXPECT_LT(std::fabs(approximate - exact) / exact, 0.01061L) << s[0] << " " << s[1];
  }
}

}  // namespace
}  // namespace ovalon
