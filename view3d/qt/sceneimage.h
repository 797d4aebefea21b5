#pragma once
// Pictures of the 3D view drawn offscreen, for saving it as an image file.

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

namespace ovalon {

class TGLCamera;

/// Draws the scene of `camera` (which may be null: then only the background) offscreen as the
/// view of `viewSize` pixels shows it, with the view's renderer, at `scale` (1 or 2) times that
/// size, on `background`: the renderer draws it as a screen of `scale` times the pixel density
/// would, so the scene and its camera are only read. With `transparentBackground` the
/// background pixels get alpha 0 and everything drawn keeps its colour; otherwise every pixel
/// is opaque. Throws std::runtime_error when no OpenGL frame can be made.
QImage RenderSceneImage(const TGLCamera* camera, QSize viewSize, int scale, QColor background,
                        bool transparentBackground);

/// Writes `image` as a PNG file to `path`, creating or replacing it. Throws std::runtime_error
/// with the path and the system's text when the file cannot be written.
void WritePngImage(const QString& path, const QImage& image);

}  // namespace ovalon
