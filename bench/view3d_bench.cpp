// Speed of the 3D view: sampling the ellipsoid's two height fields, and drawing the window's
// full scene (60 spheres, 180 bond lines, 63 texts, both fields at 301 × 301 samples) in a
// 1145 × 700 view with Mesa's software renderer, as the full frame of a still view and as the
// lighter frame drawn while the view moves. The drawing benchmarks need an X display:
//   QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" ./view3d_bench
// "Time" is wall time per frame; "CPU" is the CPU time of the whole process, the renderer's
// threads included.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QSurfaceFormat>
#include <chrono>
#include <memory>
#include <vector>

#include "view3d/demo/demoscene.h"
#include "view3d/gl/glrenderer.h"
#include "view3d/qt/glsceneviewer.h"
#include "view3d/qt/qtglyphsource.h"
#include "view3d/scene/ellipsoidsurface.h"
#include "view3d/scene/interactiveframes.h"

namespace {

using namespace ovalon;

constexpr int ViewWidth = 1145;
constexpr int ViewHeight = 700;
// 6.3 Å from the centre: the cage and the ellipsoid (semi-axes 3.9, 3.55, 3.25) fill most of
// the view's height, the wire frame's cells about 1.5 pixels apart.
const SceneVector CameraPosition{3, 2.5f, 5};

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "view3d_bench";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
}

void BM_BuildHeightFieldMeshes(benchmark::State& state) {
  TGLScene scene;
  const DemoScene demo = BuildDemoScene(scene, CameraPosition);
  std::size_t triangles = 0;
  for (auto _ : state) {
    SetEllipsoidSampling(demo, DemoAxes{}, 150, true);  // marks both meshes for rebuilding
    triangles = demo.upper->Mesh().triangles.size() + demo.lower->Mesh().triangles.size();
    benchmark::DoNotOptimize(triangles);
  }
  state.counters["triangles"] = static_cast<double>(triangles / 3);
  state.counters["edges"] =
      static_cast<double>((demo.upper->Mesh().edges.size() + demo.lower->Mesh().edges.size()) / 2);
}
BENCHMARK(BM_BuildHeightFieldMeshes)->Unit(benchmark::kMillisecond);

enum class Part { All, Spheres, Lines, Texts, Fields, AllTranslucent };

/// Deletes every object of the demonstration scene outside the measured part. The points
/// object stays, emptied and without axes, since the camera looks at it. AllTranslucent keeps
/// everything and shows the ellipsoid as the translucent surface instead of the wire frame.
void KeepOnly(TGLScene& scene, const DemoScene& demo, Part part) {
  if (part == Part::AllTranslucent) {
    SetEllipsoidAppearance(*demo.upper, true);
    SetEllipsoidAppearance(*demo.lower, true);
    return;
  }
  if (part == Part::All) return;
  demo.points->Positions().Clear();
  demo.points->SetShowAxes(false);
  std::vector<TGLSceneObject*> doomed;
  for (TGLSceneObject* object : scene.Objects().Children()) {
    const bool keep = object == demo.camera || object == demo.points ||
                      (part == Part::Spheres && dynamic_cast<TGLSphere*>(object) != nullptr) ||
                      (part == Part::Lines && dynamic_cast<TGLLines*>(object) != nullptr) ||
                      (part == Part::Texts && dynamic_cast<TGLSpaceText*>(object) != nullptr) ||
                      (part == Part::Fields && dynamic_cast<TGLHeightField*>(object) != nullptr);
    if (!keep) doomed.push_back(object);
  }
  for (TGLSceneObject* object : doomed) delete object;
}

enum class Frame { Full, Interactive };

double Milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

/// One frame drawn into an off-screen 1145 × 700 buffer, up to glFinish, the camera turned
/// by a degree each time. An interactive frame is drawn at the wire-frame stride that the
/// measured times of the frames before it give (counter "stride": the last one).
void BM_PaintFrame(benchmark::State& state) {
  EnsureApplication();
  QSurfaceFormat format;
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setVersion(2, 1);
  format.setDepthBufferSize(24);
  QOpenGLContext context;
  context.setFormat(format);
  QOffscreenSurface surface;
  surface.setFormat(format);
  surface.create();
  if (!context.create() || !context.makeCurrent(&surface)) {
    state.SkipWithError("no OpenGL context (run under Xvfb with QT_QPA_PLATFORM=xcb)");
    return;
  }
  {
    QOpenGLFramebufferObject target(ViewWidth, ViewHeight,
                                    QOpenGLFramebufferObject::CombinedDepthStencil);
    target.bind();
    TGLScene scene;
    const DemoScene demo = BuildDemoScene(scene, CameraPosition);
    KeepOnly(scene, demo, static_cast<Part>(state.range(0)));
    QtGlyphSource glyphs;
    GLRenderer renderer(&glyphs);
    renderer.Initialize();
    const SceneColor grey = ColorFromRGB(128, 128, 128);
    renderer.Render(demo.camera, ViewWidth, ViewHeight, grey);  // meshes and buffers built
    QOpenGLFunctions* gl = context.functions();
    gl->glFinish();
    const bool interactive = static_cast<Frame>(state.range(1)) == Frame::Interactive;
    InteractiveFrames frames;
    for (auto _ : state) {
      const auto start = std::chrono::steady_clock::now();
      const int stride = interactive ? frames.InteractiveStride() : 1;
      demo.camera->MoveAroundTarget(0, 1);
      renderer.Render(demo.camera, ViewWidth, ViewHeight, grey, 1, stride);
      gl->glFinish();
      frames.FrameShown(stride, Milliseconds(std::chrono::steady_clock::now() - start),
                        interactive);
    }
    if (interactive) state.counters["stride"] = frames.InteractiveStride();
    renderer.ReleaseResources();
  }
  context.doneCurrent();
}
BENCHMARK(BM_PaintFrame)
    ->ArgNames({"part", "interactive"})
    ->Args({static_cast<int>(Part::All), static_cast<int>(Frame::Full)})
    ->Args({static_cast<int>(Part::All), static_cast<int>(Frame::Interactive)})
    ->Args({static_cast<int>(Part::AllTranslucent), static_cast<int>(Frame::Full)})
    ->Args({static_cast<int>(Part::AllTranslucent), static_cast<int>(Frame::Interactive)})
    ->Args({static_cast<int>(Part::Spheres), static_cast<int>(Frame::Full)})
    ->Args({static_cast<int>(Part::Lines), static_cast<int>(Frame::Full)})
    ->Args({static_cast<int>(Part::Texts), static_cast<int>(Frame::Full)})
    ->Args({static_cast<int>(Part::Fields), static_cast<int>(Frame::Full)})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

/// Whole frames of a shown 1145 × 700 TGLSceneViewer: a camera turn, the redraw it schedules,
/// the widget's composition into the window and the buffer swap, as while dragging; the
/// interactive ones are the lighter frames of a view being moved. items_per_second is frames
/// per second.
void BM_ViewerFrame(benchmark::State& state) {
  EnsureApplication();
  TGLScene scene;
  const DemoScene demo = BuildDemoScene(scene, CameraPosition);
  KeepOnly(scene, demo, static_cast<Part>(state.range(0)));
  auto viewer = std::make_unique<TGLSceneViewer>();
  viewer->resize(ViewWidth, ViewHeight);
  viewer->SetCamera(demo.camera);
  viewer->Buffer().SetBackgroundColor(QColor(128, 128, 128));
  QEventLoop loop;
  QObject::connect(viewer.get(), &QOpenGLWidget::frameSwapped, &loop, &QEventLoop::quit);
  viewer->show();
  loop.exec();  // the first frame, with the meshes built
  const bool interactive = static_cast<Frame>(state.range(1)) == Frame::Interactive;
  for (auto _ : state) {
    if (interactive) viewer->NoteInteraction();
    demo.camera->MoveAroundTarget(0, 1);  // schedules the redraw
    loop.exec();
  }
  state.SetItemsProcessed(state.iterations());
  if (interactive) state.counters["stride"] = viewer->LastStride();
}
BENCHMARK(BM_ViewerFrame)
    ->ArgNames({"part", "interactive"})
    ->Args({static_cast<int>(Part::All), static_cast<int>(Frame::Full)})
    ->Args({static_cast<int>(Part::All), static_cast<int>(Frame::Interactive)})
    ->Args({static_cast<int>(Part::Spheres), static_cast<int>(Frame::Full)})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->MinTime(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace
