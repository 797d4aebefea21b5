#pragma once
// The fitted ellipsoid as a wire frame of two height fields: the upper half (z ≥ 0) and the
// lower half, each closed at the equator by a ring one sampling step wide.

#include <array>

#include "view3d/scene/glheightfield.h"

namespace ovalon {

/// When `shown`: both fields (upper, then lower) sample [−a1, a1] × [−a2, a2] in steps of
/// a1 / divisions and a2 / divisions, with a1, a2 from `semiAxes` and every value rounded to
/// 32 bits. Otherwise the bounds of both become 0 (nothing is drawn) and the steps stay.
void SetEllipsoidSampling(TGLHeightField& upper, TGLHeightField& lower,
                          const std::array<double, 3>& semiAxes, int divisions, bool shown);

/// How a half of the surface is drawn. The wire frame, unlit in RGBA (0.2745, 0.7843, 0.8235,
/// 0.19) with the alpha ignored, is the one made with the window; at 150 divisions it is so
/// dense that it hides the cage. The translucent surface is lit and filled in the same colour,
/// blended over the atoms and bonds so that they show through it.
void SetEllipsoidAppearance(TGLHeightField& field, bool translucent);

/// The height of the ellipsoid with `semiAxes` (a1, a2, a3) over (x, y), `sign` +1 for the
/// upper half and −1 for the lower: ±a3·√((1 − u) − w) with u = (x/a1)², w = (y/a2)², in
/// extended precision; on or outside the footprint ellipse (u + w ≥ 1) but inside the one
/// grown by the steps (stepX, stepY) 0; beyond that not a number.
float EllipsoidHeight(const std::array<double, 3>& semiAxes, int sign, float x, float y,
                      float stepX, float stepY);

}  // namespace ovalon
