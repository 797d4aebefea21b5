// ovalon-scene-demo: shows the demonstration scene in a TGLSceneViewer.
//   --size WxH            view size in pixels (default 1145x700)
//   --screenshot FILE     save the first full frame as an image and quit
//   --fps SECONDS         redraw continuously for that long, print frames per second, quit
//   --samples N           multisampling with N samples per pixel
//   --divisions N         ellipsoid sampling steps per semi-axis (default 150, as the window)
// Dragging orbits the camera around the origin; the wheel zooms.

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QSurfaceFormat>
#include <QTimer>
#include <QWheelEvent>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "view3d/demo/demoscene.h"
#include "view3d/qt/glsceneviewer.h"

namespace {

struct Options {
  int width = 1145;
  int height = 700;
  QString screenshot;
  double fpsSeconds = 0;
  int samples = 0;
  int divisions = 150;
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const char* value = argv[i + 1];
    if (name == "--size") {
      std::sscanf(value, "%dx%d", &options.width, &options.height);
    } else if (name == "--screenshot") {
      options.screenshot = QString::fromLocal8Bit(value);
    } else if (name == "--fps") {
      options.fpsSeconds = std::atof(value);
    } else if (name == "--samples") {
      options.samples = std::atoi(value);
    } else if (name == "--divisions") {
      options.divisions = std::atoi(value);
    }
  }
  return options;
}

/// The demo window: the view plus orbit and zoom by mouse.
class DemoViewer : public ovalon::TGLSceneViewer {
 public:
  using TGLSceneViewer::TGLSceneViewer;

 protected:
  void wheelEvent(QWheelEvent* event) override {
    const double ratio = std::pow(1.1, event->angleDelta().y() / 120.0);
    if (Camera() != nullptr) Camera()->AdjustDistanceToTarget(static_cast<float>(ratio));
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const Options options = ParseOptions(argc, argv);

  ovalon::TGLScene scene;
  const ovalon::DemoScene demo = ovalon::BuildDemoScene(scene, {3, 2.5f, 5});
  ovalon::SetEllipsoidSampling(demo, ovalon::DemoAxes{}, options.divisions, true);

  DemoViewer viewer;
  if (options.samples > 0) {
    QSurfaceFormat format = viewer.format();
    format.setSamples(options.samples);
    viewer.setFormat(format);
  }
  viewer.setWindowTitle("ovalon-scene-demo");
  viewer.resize(options.width, options.height);
  viewer.SetCamera(demo.camera);
  viewer.Buffer().SetBackgroundColor(QColor(128, 128, 128));

  int mx = 0, my = 0;
  QObject::connect(&viewer, &ovalon::TGLSceneViewer::MouseDown,
                   [&](const ovalon::ViewerMouseEvent& e) { mx = e.x, my = e.y; });
  QObject::connect(
      &viewer, &ovalon::TGLSceneViewer::MouseMove, [&](const ovalon::ViewerMouseEvent& e) {
        if (e.shift.Empty()) return;
        demo.camera->MoveAroundTarget(static_cast<float>(my - e.y), static_cast<float>(mx - e.x));
        mx = e.x, my = e.y;
      });
  viewer.show();

  if (!options.screenshot.isEmpty()) {
    QObject::connect(&viewer, &QOpenGLWidget::frameSwapped, [&, done = false]() mutable {
      if (done) return;  // a further frame may come before the loop ends
      done = true;
      const bool saved = viewer.grabFramebuffer().save(options.screenshot);
      std::printf("%s %s\n", saved ? "saved" : "could not save",
                  options.screenshot.toLocal8Bit().constData());
      app.exit(saved ? 0 : 1);
    });
  } else if (options.fpsSeconds > 0) {
    auto* timer = new QElapsedTimer;
    int* frames = new int(0);
    QObject::connect(&viewer, &QOpenGLWidget::frameSwapped, [&, timer, frames] {
      if (*frames == 0) timer->start();
      ++*frames;
      if (timer->elapsed() >= options.fpsSeconds * 1000) {
        std::printf("%.1f frames per second (%d frames, %dx%d)\n",
                    (*frames - 1) * 1000.0 / static_cast<double>(timer->elapsed()), *frames,
                    viewer.width(), viewer.height());
        app.exit(0);
        return;
      }
      demo.camera->MoveAroundTarget(0, 1);  // a redraw per frame, as a drag would cause
    });
  }
  return app.exec();
}
