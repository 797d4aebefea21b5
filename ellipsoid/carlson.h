#pragma once
// Carlson's symmetric elliptic integrals R_F, R_D and R_G in extended precision, by the
// duplication method, and the exact surface area of an ellipsoid built on R_G.

#include "core/extended.h"

namespace ovalon {

/// R_F(x, y, z) = ½·∫₀^∞ dt / √((t + x)(t + y)(t + z)) for x, y, z ≥ 0 with at most one of them
/// 0; NaN for any other arguments.
Extended CarlsonRF(Extended x, Extended y, Extended z);

/// R_D(x, y, z) = (3/2)·∫₀^∞ dt / (√((t + x)(t + y)) · (t + z)^(3/2)) for x, y ≥ 0 (not both 0)
/// and z > 0; NaN for any other arguments.
Extended CarlsonRD(Extended x, Extended y, Extended z);

/// R_G(x, y, z) = (1/4π)·∬ √(x·sin²θ·cos²φ + y·sin²θ·sin²φ + z·cos²θ) sin θ dθ dφ over the unit
/// sphere, for x, y, z ≥ 0; NaN for any other arguments. Symmetric: the arguments are sorted
/// first, so every order of them gives the same bits.
Extended CarlsonRG(Extended x, Extended y, Extended z);

/// The surface area 4π·R_G(b²c², c²a², a²b²) of the ellipsoid with semi-axes a, b, c ≥ 0, in
/// the square of their unit (a flat ellipse, c = 0, gives both faces: 2πab).
Extended EllipsoidSurfaceArea(Extended a, Extended b, Extended c);

}  // namespace ovalon
