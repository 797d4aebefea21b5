#pragma once
// Glyph outlines of Qt's fonts for the 3D text.

#include "view3d/scene/glyphsource.h"

namespace ovalon {

/// Outlines from QPainterPath::addText with the font looked up by name through the font
/// database ("Arial" resolves to Liberation Sans where Arial itself is missing). Needs a
/// QGuiApplication.
class QtGlyphSource : public GlyphSource {
 public:
  TextOutline Outline(const std::string& fontName, const std::string& text) override;
};

}  // namespace ovalon
