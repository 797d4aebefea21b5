#pragma once
// Fills glyph outlines: the GLU tessellator turns contours into plain triangles.

#include <vector>

#include "view3d/scene/glyphsource.h"

namespace ovalon {

/// Triangles (three points each, counter-clockwise seen from +z) covering the outline's
/// contours under the non-zero winding rule. Empty for an empty outline.
std::vector<OutlinePoint> TessellateOutline(const TextOutline& outline);

}  // namespace ovalon
