#pragma once
// What the 3D view tells about one atom under the mouse, and about the colours it draws with.
// Qt-free: the window shows these lines in a tooltip and in the legend.

#include <string>
#include <vector>

#include "core/extended.h"
#include "ellipsoid/quadricside.h"

namespace ovalon {

/// True when `fitParams` holds a fit: its constant is 1 after every fit and 0 before the first.
bool HasFit(const QuadricForm& fitParams);

/// F_i of the fit stored as `fitParams` at atom `atom` (1..60) of `coords`: the value that the
/// fit report writes as "F(A)i", from the same evaluation of the quadric.
Extended FitResidual(const PointSet& coords, const QuadricForm& fitParams, int atom);

/// "внутри эллипсоида", "снаружи эллипсоида", "на поверхности эллипсоида", "F > 0", "F ≤ 0".
std::string SideText(QuadricSide side);

/// The lines of the tooltip of atom `atom`: its number, its coordinates with their
/// uncertainties, and, once there is a fit, its residual F_i and the side of the fitted
/// ellipsoid it lies on.
std::vector<std::string> AtomTooltipLines(const PointSet& coords, const PointSet& errors,
                                          const QuadricForm& fitParams, int atom);

/// "Атомы 3–7: 1.4550 Å": the distance of two atoms of `coords` in ångström.
std::string DistanceText(const PointSet& coords, int first, int second);

}  // namespace ovalon
