#pragma once
// Glyph outlines for the 3D text, supplied by the windowing toolkit through an interface.

#include <string>
#include <vector>

namespace ovalon {

/// A point of a glyph outline, in ems.
struct OutlinePoint {
  float x = 0;
  float y = 0;
};

/// The filled outline of a whole text: closed contours (the closing point not repeated) to be
/// filled by the non-zero winding rule, in ems, y upwards, the baseline at y = 0 and the pen
/// starting at x = 0.
struct TextOutline {
  std::vector<std::vector<OutlinePoint>> contours;
  /// Advance width of the whole text, in ems.
  float advance = 0;
};

/// Supplies text outlines for a font by name.
class GlyphSource {
 public:
  virtual ~GlyphSource() = default;
  /// The outline of the UTF-8 `text` in the font `fontName` (or its substitute).
  virtual TextOutline Outline(const std::string& fontName, const std::string& text) = 0;
};

}  // namespace ovalon
