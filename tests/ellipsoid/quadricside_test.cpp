#include "ellipsoid/quadricside.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ovalon {
namespace {

/// a11·x² + a22·y² + a33·z² + 2b1·x + c with no mixed terms.
QuadricForm Form(Extended a11, Extended a22, Extended a33, Extended b1, Extended c) {
  QuadricForm q;
  q.at(1) = a11;
  q.at(2) = a22;
  q.at(3) = a33;
  q.at(7) = b1;
  q.at(10) = c;
  return q;
}

// The fitted form keeps the constant +1, so its quadratic part may come out either way round:
// (x² + y² + z²)/(−r²) + 1 is positive inside, and the sphere of radius 1 around (5, 0, 0),
// x² − 10x + y² + z² + 24 = 0 divided by 24, is negative inside. A hyperboloid has no inside.
TEST(SideOfQuadric, InsideAndOutsideWhicheverWayTheFormIsSigned) {
  const QuadricForm around = Form(-0.25L, -0.25L, -0.25L, 0, 1);  // radius 2 at the origin
  const QuadricForm away = Form(1 / 24.0L, 1 / 24.0L, 1 / 24.0L, -5 / 24.0L, 1);
  const QuadricForm hyperboloid = Form(1, 1, -1, 0, 1);
  struct Case {
    const QuadricForm& q;
    Extended value;
    QuadricSide side;
  } cases[] = {
      {around, 1, QuadricSide::Inside},           // the centre
      {around, -8, QuadricSide::Outside},         // (6, 0, 0)
      {around, 0, QuadricSide::OnSurface},        //
      {away, -1 / 24.0L, QuadricSide::Inside},    // the centre (5, 0, 0)
      {away, 1, QuadricSide::Outside},            // the origin
      {hyperboloid, 2, QuadricSide::Positive},    //
      {hyperboloid, 0, QuadricSide::Negative},    // the atom colour's rule: F ≤ 0
      {hyperboloid, NAN, QuadricSide::Negative},  //
      {around, NAN, QuadricSide::Negative},       //
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<double>(c.value));
    EXPECT_EQ(SideOfQuadric(c.q, c.value), c.side);
  }
}

}  // namespace
}  // namespace ovalon
