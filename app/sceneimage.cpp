#include "app/sceneimage.h"

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
#include <utility>
#include <vector>

#include "view3d/gl/glrenderer.h"
#include "view3d/qt/qtglyphsource.h"
#include "view3d/scene/glcamera.h"
#include "view3d/scene/globjects.h"
#include "view3d/scene/glscene.h"

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
QImage DrawFrame(GLRenderer& renderer, const TGLCamera* camera, QSize size, QColor background) {
  renderer.Render(camera, size.width(), size.height(),
                  ColorFromRGB(background.red(), background.green(), background.blue()));
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

/// The scene as a screen of `scale` times the pixel density would show it, for as long as a
/// larger frame is drawn. The frustum of a view grows with its pixel size (a larger view shows
/// more of the scene at the same scale), so the view's own frustum at `scale` times its size
/// needs `scale` times the focal length; with a power of two the frustum's numbers come out
/// exactly those of the view. Line widths and point sizes, given in pixels, grow likewise.
/// Everything is set back afterwards to the very values it had.
class ScaledScene {
 public:
  ScaledScene(TGLCamera* camera, int scale) {
    if (camera == nullptr || scale == 1) return;
    const float factor = static_cast<float>(scale);
    m_camera = camera;
    m_focalLength = camera->FocalLength();
    camera->SetFocalLength(m_focalLength * factor);
    if (camera->Scene() != nullptr) Scale(camera->Scene()->Objects(), factor);
  }
  ~ScaledScene() {
    if (m_camera == nullptr) return;
    m_camera->SetFocalLength(m_focalLength);
    for (const auto& [lines, width] : m_lineWidths) lines->SetLineWidth(width);
    for (const auto& [points, size] : m_pointSizes) points->SetSize(size);
  }
  ScaledScene(const ScaledScene&) = delete;
  ScaledScene& operator=(const ScaledScene&) = delete;

 private:
  void Scale(TGLSceneObject& object, float factor) {
    if (auto* lines = dynamic_cast<TGLLines*>(&object)) {
      m_lineWidths.emplace_back(lines, lines->LineWidth());
      lines->SetLineWidth(lines->LineWidth() * factor);
    } else if (auto* points = dynamic_cast<TGLPoints*>(&object)) {
      m_pointSizes.emplace_back(points, points->Size());
      points->SetSize(points->Size() * factor);
    }
    for (TGLSceneObject* child : object.Children()) Scale(*child, factor);
  }

  TGLCamera* m_camera = nullptr;
  float m_focalLength = 0;
  std::vector<std::pair<TGLLines*, float>> m_lineWidths;
  std::vector<std::pair<TGLPoints*, float>> m_pointSizes;
};

}  // namespace

QImage RenderSceneImage(TGLCamera* camera, QSize viewSize, int scale, QColor background,
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
      const ScaledScene scaled(camera, scale);
      if (transparentBackground) {
        const QImage onBlack = DrawFrame(renderer, camera, size, Qt::black);
        const QImage onWhite = DrawFrame(renderer, camera, size, Qt::white);
        image = Transparent(onBlack, onWhite);
      } else {
        image = Opaque(DrawFrame(renderer, camera, size, background));
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
