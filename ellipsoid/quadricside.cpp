#include "ellipsoid/quadricside.h"

#include <cmath>

#include "ellipsoid/ellipsoid.h"

namespace ovalon {

QuadricSide SideOfQuadric(const QuadricForm& q, Extended value) {
  const Vector3 invariants = QuadricInvariants(q);
  const Extended i1 = invariants.at(1), i2 = invariants.at(2), i3 = invariants.at(3);
  const bool positiveDefinite = i1 > 0 && i2 > 0 && i3 > 0;
  const bool negativeDefinite = i1 < 0 && i2 > 0 && i3 < 0;
  if (!(positiveDefinite || negativeDefinite) || std::isnan(value))
    return value > 0 ? QuadricSide::Positive : QuadricSide::Negative;
  if (value == 0) return QuadricSide::OnSurface;
  return (value > 0) == positiveDefinite ? QuadricSide::Outside : QuadricSide::Inside;
}

}  // namespace ovalon
