#pragma once
// On which side of a fitted quadric a point lies, from the value of the quadric's left side there.

#include "core/extended.h"

namespace ovalon {

/// Inside, outside or on an ellipsoid; for a quadric that is no ellipsoid only the sign of its
/// left side F can be told.
enum class QuadricSide { Inside, Outside, OnSurface, Positive, Negative };

/// The side of a point where the left side of `q` takes `value`. When the quadratic part of q is
/// definite (its invariants I1, I2, I3 all positive, or I1 and I3 negative with I2 positive),
/// F far away has the sign of that part: a value of the same sign is outside, of the other sign
/// inside, 0 on the surface. Otherwise Positive for F > 0 and Negative for F ≤ 0 or not a number.
QuadricSide SideOfQuadric(const QuadricForm& q, Extended value);

}  // namespace ovalon
