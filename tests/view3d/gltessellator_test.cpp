#include "view3d/gl/gltessellator.h"

#include <gtest/gtest.h>

#include <vector>

namespace ovalon {
namespace {

/// Signed area of a contour by the shoelace formula (positive counter-clockwise).
double SignedArea(const std::vector<OutlinePoint>& contour) {
  double area = 0;
  for (std::size_t i = 0; i < contour.size(); ++i) {
    const OutlinePoint& a = contour[i];
    const OutlinePoint& b = contour[(i + 1) % contour.size()];
    area += (static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y) / 2;
  }
  return area;
}

/// Total area of the triangles, each checked to be counter-clockwise seen from +z.
double TriangleArea(const std::vector<OutlinePoint>& triangles) {
  double total = 0;
  for (std::size_t i = 0; i + 2 < triangles.size(); i += 3) {
    const double area = SignedArea({triangles[i], triangles[i + 1], triangles[i + 2]});
    EXPECT_GT(area, 0) << "triangle " << i / 3 << " is clockwise";
    total += area;
  }
  return total;
}

std::vector<OutlinePoint> Square(float x0, float y0, float size, bool counterClockwise) {
  std::vector<OutlinePoint> square = {
      {x0, y0}, {x0 + size, y0}, {x0 + size, y0 + size}, {x0, y0 + size}};
  if (!counterClockwise) std::swap(square[1], square[3]);
  return square;
}

TEST(TessellateOutline, FillsByNonZeroWindingWithCounterClockwiseTriangles) {
  struct Case {
    const char* name;
    TextOutline outline;
    double area;
  };
  const Case cases[] = {
      {"empty", {}, 0},
      {"square", {{Square(0, 0, 1, true)}, 1}, 1},
      // Clockwise input, as glyph outlines may come, still gives front-facing triangles.
      {"clockwise square", {{Square(0, 0, 1, false)}, 1}, 1},
      // An "O": the counter runs the other way round and stays open.
      {"square with hole", {{Square(0, 0, 1, true), Square(0.25f, 0.25f, 0.5f, false)}, 1}, 0.75},
      // Two overlapping squares of the same direction wind twice there: filled once.
      {"overlap", {{Square(0, 0, 1, true), Square(0.5f, 0, 1, true)}, 1.5f}, 1.5},
      // Two separate glyphs.
      {"two glyphs", {{Square(0, 0, 1, true), Square(2, 0, 1, true)}, 3}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<OutlinePoint> triangles = TessellateOutline(c.outline);
    EXPECT_EQ(triangles.size() % 3, 0u);
    EXPECT_NEAR(TriangleArea(triangles), c.area, 1e-6);
  }
}

}  // namespace
}  // namespace ovalon
