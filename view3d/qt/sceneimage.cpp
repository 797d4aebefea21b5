#include "view3d/qt/sceneimage.h"

#include <QFile>
#include <QImageWriter>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QSurfaceFormat>
#include <algorithm>
#include <stdexcept>
#include <string>

#include "view3d/gl/glrenderer.h"
#include "view3d/qt/qtglyphsource.h"
#include "view3d/scene/glcamera.h"

namespace ovalon {

namespace {

/// The surface format of the view: compatibility profile for the fixed-function pipeline,
/// 24-bit depth, no multisampling.
QSurfaceFormat ViewFormat() {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setVersion(2, 1);
  format.setDepthBufferSize(24);
  return format;
}

std::runtime_error RenderError(const std::string& reason) {
  return std::runtime_error("Не удалось построить изображение: " + reason);
}

/// One frame drawn into the bound frame buffer, read back top row first as RGBA bytes.
QImage DrawFrame(GLRenderer& renderer, const TGLCamera* camera, QSize size, int scale,
                 QColor background) {
  renderer.Render(camera, size.width(), size.height(),
                  ColorFromRGB(background.red(), background.green(), background.blue()),
                  static_cast<float>(scale));
  QImage frame(size, QImage::Format_RGBA8888);
  QOpenGLFunctions* gl = QOpenGLContext::currentContext()->functions();
  gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
  gl->glReadPixels(0, 0, size.width(), size.height(), GL_RGBA, GL_UNSIGNED_BYTE, frame.bits());
  // OpenGL's rows run bottom to top.
  return frame.mirrored();
}

/// The frame with every pixel opaque. The renderer leaves the material's alpha in the frame
/// buffer, which the view on screen ignores.
QImage Opaque(QImage frame) {
  for (int y = 0; y < frame.height(); ++y) {
    uchar* row = frame.scanLine(y);
    for (int x = 0; x < frame.width(); ++x) row[4 * x + 3] = 255;
  }
  return frame.convertToFormat(QImage::Format_RGB32);
}

/// Alpha from a frame drawn on black and the same frame drawn on white: a pixel that the two
/// backgrounds leave alike is covered, one that takes the background's colour is not, and the
/// frame on black holds the colours already multiplied by that coverage.
QImage Transparent(const QImage& onBlack, const QImage& onWhite) {
  QImage image(onBlack.size(), QImage::Format_RGBA8888_Premultiplied);
  for (int y = 0; y < image.height(); ++y) {
    const uchar* black = onBlack.constScanLine(y);
    const uchar* white = onWhite.constScanLine(y);
    uchar* out = image.scanLine(y);
    for (int x = 0; x < image.width(); ++x) {
      int alpha = 0;
      for (int c = 0; c < 3; ++c)
        alpha = std::max(alpha, std::clamp(255 - (white[4 * x + c] - black[4 * x + c]), 0, 255));
      for (int c = 0; c < 3; ++c)
        out[4 * x + c] = static_cast<uchar>(std::min<int>(black[4 * x + c], alpha));
      out[4 * x + 3] = static_cast<uchar>(alpha);
    }
  }
  return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

QImage RenderSceneImage(const TGLCamera* camera, QSize viewSize, int scale, QColor background,
                        bool transparentBackground) {
  const QSize size = viewSize * scale;
  QOpenGLContext context;
  context.setFormat(ViewFormat());
  if (!context.create()) throw RenderError("нет контекста OpenGL");
  QOffscreenSurface surface;
  surface.setFormat(context.format());
  surface.create();
  if (!context.makeCurrent(&surface)) throw RenderError("нет контекста OpenGL");

  // Everything made in the context goes before the context is released.
  std::string failure;
  QImage image;
  {
    QOpenGLFramebufferObject frameBuffer(size, QOpenGLFramebufferObject::CombinedDepthStencil);
    QtGlyphSource glyphs;
    GLRenderer renderer(&glyphs);
    if (!frameBuffer.isValid() || !frameBuffer.bind()) {
      failure = "нет кадрового буфера OpenGL";
    } else if (!renderer.Initialize()) {
      failure = renderer.Error();
    } else {
      if (transparentBackground) {
        const QImage onBlack = DrawFrame(renderer, camera, size, scale, Qt::black);
        const QImage onWhite = DrawFrame(renderer, camera, size, scale, Qt::white);
        image = Transparent(onBlack, onWhite);
      } else {
        image = Opaque(DrawFrame(renderer, camera, size, scale, background));
      }
      renderer.ReleaseResources();
      frameBuffer.release();
    }
  }
  context.doneCurrent();
  if (!failure.empty()) throw RenderError(failure);
  return image;
}

void WritePngImage(const QString& path, const QImage& image) {
  QImageWriter writer(path, "png");
  if (!writer.write(image)) {
    throw std::runtime_error(QFile::encodeName(path).toStdString() + ": " +
                             writer.errorString().toStdString());
  }
}

}  // namespace ovalon
