#include "view3d/qt/qtglyphsource.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <QTransform>

namespace ovalon {
namespace {

// The outlines are taken at this pixel size (one em) and scaled to one unit per em; large
// enough that the flattened curves look smooth on screen, small enough to stay cheap.
constexpr double EmPixels = 128;

}  // namespace

TextOutline QtGlyphSource::Outline(const std::string& fontName, const std::string& text) {
  QFont font(QString::fromStdString(fontName));
  font.setPixelSize(static_cast<int>(EmPixels));
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setStyleStrategy(QFont::PreferOutline);
  const QString qtext = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));

  QPainterPath path;
  path.addText(0, 0, font, qtext);
  // Qt's y axis points down; the scene's points up.
  const QTransform toEms = QTransform::fromScale(1 / EmPixels, -1 / EmPixels);
  TextOutline outline;
  for (const QPolygonF& polygon : path.toSubpathPolygons(toEms)) {
    std::vector<OutlinePoint> contour;
    for (const QPointF& p : polygon) {
      contour.push_back({static_cast<float>(p.x()), static_cast<float>(p.y())});
    }
    if (contour.size() > 1 && contour.front().x == contour.back().x &&
        contour.front().y == contour.back().y) {
      contour.pop_back();
    }
    if (contour.size() >= 3) outline.contours.push_back(std::move(contour));
  }
  outline.advance = static_cast<float>(QFontMetricsF(font).horizontalAdvance(qtext) / EmPixels);
  return outline;
}

}  // namespace ovalon
