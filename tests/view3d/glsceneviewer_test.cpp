// Rendering tests: a TGLSceneViewer on screen (Xvfb, Mesa's software renderer) and pixels
// read back with grabFramebuffer.

#include "view3d/qt/glsceneviewer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPixmap>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>

#include "view3d/qt/qtglyphsource.h"
#include "view3d/scene/glheightfield.h"
#include "view3d/scene/globjects.h"

namespace ovalon {
namespace {

constexpr int ViewWidth = 240;
constexpr int ViewHeight = 180;
// Pixels per unit of lateral offset / depth with FocalLength 50: 50 × 192 / 25.4.
constexpr double PixelsPerUnit = 50.0 * 192.0 / 25.4;
const QColor Grey(128, 128, 128);

/// Where a point of the plane z = 0 appears for the camera at (0, 0, depth): image
/// coordinates (x right, y down) of the point's projection, pixel centres at +0.5.
QPointF Projected(double x, double y, double depth) {
  return {ViewWidth / 2.0 + x / depth * PixelsPerUnit,
          ViewHeight / 2.0 - y / depth * PixelsPerUnit};
}

bool Near(QRgb pixel, int r, int g, int b, int tolerance = 2) {
  return std::abs(qRed(pixel) - r) <= tolerance && std::abs(qGreen(pixel) - g) <= tolerance &&
         std::abs(qBlue(pixel) - b) <= tolerance;
}

/// The centroid (pixel centres) and count of the pixels that pass `match`.
struct Coverage {
  QPointF centroid;
  int count = 0;
};

template <typename Match>
Coverage Cover(const QImage& image, Match match) {
  Coverage c;
  double sx = 0, sy = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (!match(image.pixel(x, y))) continue;
      sx += x + 0.5;
      sy += y + 0.5;
      ++c.count;
    }
  }
  if (c.count > 0) c.centroid = {sx / c.count, sy / c.count};
  return c;
}

/// A grey view of 240 × 180 pixels with the camera at (0, 0, 10) looking at a points object
/// at the origin, and a light at the camera.
class ViewerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    scene = std::make_unique<TGLScene>();
    target = scene->Objects().AddNewChild<TGLPoints>();
    camera = scene->Objects().AddNewChild<TGLCamera>();
    camera->SetPosition(0, 0, 10);
    camera->SetTargetObject(target);
    camera->AddNewChild<TGLLightSource>();
    viewer = std::make_unique<TGLSceneViewer>();
    viewer->resize(ViewWidth, ViewHeight);
    viewer->SetCamera(camera);
    viewer->Buffer().SetBackgroundColor(Grey);
    viewer->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer.get()));
  }
  void TearDown() override {
    viewer.reset();
    scene.reset();
  }

  QImage Frame() {
    QImage image = viewer->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(viewer->Renderer().IsValid()) << viewer->Renderer().Error();
    EXPECT_EQ(image.size(), QSize(ViewWidth, ViewHeight));
    return image;
  }

  int CountOf(const QImage& image, QColor color, int tolerance = 2) {
    return Cover(
               image,
               [&](QRgb p) { return Near(p, color.red(), color.green(), color.blue(), tolerance); })
        .count;
  }

  std::unique_ptr<TGLScene> scene;
  TGLPoints* target = nullptr;
  TGLCamera* camera = nullptr;
  std::unique_ptr<TGLSceneViewer> viewer;
};

TEST_F(ViewerFixture, ClearsToTheBackgroundColour) {
  const int all = ViewWidth * ViewHeight;
  EXPECT_EQ(CountOf(Frame(), Grey, 0), all);
  viewer->Buffer().SetBackgroundColor(QColor(0, 0, 0));
  EXPECT_EQ(CountOf(Frame(), QColor(0, 0, 0), 0), all);
  viewer->Buffer().SetBackgroundColor(QColor(10, 200, 30));
  EXPECT_EQ(CountOf(Frame(), QColor(10, 200, 30), 0), all);
}

// A sphere of radius 0.2 at (1, 0.5, 0), 10 units in front of the camera, lands 37.8 pixels
// right of and 18.9 above the centre, with a radius of about 0.2/10 × 377.95 = 7.6 pixels;
// its 16-sided silhouette covers 0.975 of that circle (16/(2π) · sin(2π/16)).
TEST_F(ViewerFixture, UnlitSphereLandsWhereTheProjectionPutsIt) {
  auto* sphere = scene->Objects().AddNewChild<TGLSphere>();
  sphere->SetRadius(0.2f);
  sphere->SetPosition(1, 0.5f, 0);
  sphere->Material().SetMaterialOptions({moNoLighting});
  sphere->Material().FrontProperties().SetDiffuse(ColorFromRGB(255, 0, 0));
  const QImage image = Frame();
  const Coverage red = Cover(image, [](QRgb p) { return Near(p, 255, 0, 0, 0); });
  const QPointF expected = Projected(1, 0.5, 10);
  EXPECT_NEAR(red.centroid.x(), expected.x(), 0.5);
  EXPECT_NEAR(red.centroid.y(), expected.y(), 0.5);
  const double radius = 0.2 / 10 * PixelsPerUnit;
  EXPECT_NEAR(red.count, 0.975 * std::numbers::pi * radius * radius,
              0.1 * std::numbers::pi * radius * radius);
  // Everything else stays background: an unlit sphere has no shading.
  EXPECT_EQ(red.count + CountOf(image, Grey, 0), ViewWidth * ViewHeight);
}

// Lit by the light at the camera with the global ambient 0.2: where the surface faces the
// light, red = 0.2 × 0.2 + 1 × 1 × 1 (clamped to 1) and green = blue = 0.2 × 0.2 = 0.04, that
// is (255, 10, 10); towards the rim n·l falls and the red with it.
TEST_F(ViewerFixture, LitSphereFollowsTheLightingFormula) {
  auto* sphere = scene->Objects().AddNewChild<TGLSphere>();
  sphere->SetRadius(2);
  sphere->Material().FrontProperties().SetDiffuse(ColorFromRGB(255, 0, 0));
  const QImage image = Frame();
  const QPointF centre = Projected(0, 0, 10);
  EXPECT_TRUE(Near(image.pixel(centre.toPoint()), 255, 10, 10))
      << std::hex << image.pixel(centre.toPoint());
  // Just inside the silhouette (radius about 2/√96 × 377.95 ≈ 77 pixels).
  const QRgb rim = image.pixel(static_cast<int>(centre.x() + 73), static_cast<int>(centre.y()));
  EXPECT_LT(qRed(rim), 180);
  EXPECT_GT(qRed(rim), qGreen(rim));
}

TEST_F(ViewerFixture, NotANumberPlacesNothing) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  auto* lost = scene->Objects().AddNewChild<TGLSphere>();
  lost->SetPosition(nan, 0, 0);
  lost->AddNewChild<TGLSphere>();  // inside a lost object: lost too
  auto* flat = scene->Objects().AddNewChild<TGLSphere>();
  flat->SetRadius(nan);
  EXPECT_EQ(CountOf(Frame(), Grey, 0), ViewWidth * ViewHeight);
}

// A blue line 5 pixels wide from (−1, 0, 0) to (1, 0, 0) crosses the centre row; with lnaAxes
// each node also gets a cross whose green arm (NodeSize 1: ±0.5, about ±19 pixels) stands
// vertically through the node.
TEST_F(ViewerFixture, LinesAreUnlitInTheirColourAndWidth) {
  auto* line = scene->Objects().AddNewChild<TGLLines>();
  line->AddNode(-1, 0, 0);
  line->AddNode(1, 0, 0);
  line->SetLineColor(ColorFromRGB(0, 0, 255));
  line->SetLineWidth(5);
  line->SetNodesAspect(lnaInvisible);
  QImage image = Frame();
  int covered = 0;
  for (int y = 0; y < ViewHeight; ++y)
    covered += Near(image.pixel(ViewWidth / 2 + 10, y), 0, 0, 255, 0);
  EXPECT_EQ(covered, 5);
  const QPointF node = Projected(1, 0, 10);
  const QPoint aboveNode(static_cast<int>(node.x()), static_cast<int>(node.y()) - 10);
  EXPECT_TRUE(Near(image.pixel(aboveNode), 128, 128, 128, 0));

  line->SetNodesAspect(lnaAxes);
  image = Frame();
  EXPECT_TRUE(Near(image.pixel(aboveNode), 0, 255, 0, 0));
}

// With the camera on +Z, the X axis runs along the centre row and the Y axis up the centre
// column: full red to the right, half red to the left, dashed two pixels on, two off.
TEST_F(ViewerFixture, EmptyPointsDrawNothingButTheirAxes) {
  EXPECT_EQ(CountOf(Frame(), Grey, 0), ViewWidth * ViewHeight);

  target->SetShowAxes(true);
  const QImage image = Frame();
  const int row = ViewHeight / 2;
  int fullRed = 0, halfRed = 0, other = 0;
  for (int x = 0; x < ViewWidth; ++x) {
    const QRgb p = image.pixel(x, row);
    if (x > ViewWidth / 2 + 1 && Near(p, 255, 0, 0, 0)) ++fullRed;
    if (x < ViewWidth / 2 - 1 && Near(p, 128, 0, 0, 1)) ++halfRed;
    if (!Near(p, 255, 0, 0, 0) && !Near(p, 128, 0, 0, 1) && !Near(p, 128, 128, 128, 0)) ++other;
  }
  // Each side is about 119 pixels long: half of it dashed on.
  EXPECT_NEAR(fullRed, 59, 4);
  EXPECT_NEAR(halfRed, 59, 4);
  EXPECT_LE(other, 2);  // the crossing at the centre
  const int green = Cover(image, [](QRgb p) { return Near(p, 0, 255, 0, 0); }).count;
  EXPECT_NEAR(green, ViewHeight / 2 / 2, 4);
  EXPECT_EQ(CountOf(image, QColor(255, 255, 255), 0), 0);  // still no points
}

TEST_F(ViewerFixture, PointsAreSingleWhitePixels) {
  target->Positions().Add(1, 1, 0);
  target->Positions().Add(-2, 0.5f, 0);
  const QImage image = Frame();
  EXPECT_EQ(CountOf(image, QColor(255, 255, 255), 0), 2);
  const QPointF expected = Projected(1, 1, 10);
  EXPECT_TRUE(Near(image.pixel(static_cast<int>(expected.x()), static_cast<int>(expected.y())), 255,
                   255, 255, 0));
}

/// Pixels that are not the grey background.
Coverage Ink(const QImage& image) {
  return Cover(image, [](QRgb p) { return !Near(p, 128, 128, 128, 0); });
}

// "L" one em high at 5 units: about 76 pixels per em. Read along +X and seen from +Z, its stem
// is on the left and the whole glyph above the baseline through the origin.
TEST_F(ViewerFixture, TextIsFilledUprightAndAligned) {
  camera->SetPosition(0, 0, 5);
  auto* text = scene->Objects().AddNewChild<TGLSpaceText>();
  text->SetText("L");
  const QImage image = Frame();
  const Coverage ink = Ink(image);
  ASSERT_GT(ink.count, 300);
  const QPointF origin = Projected(0, 0, 5);
  int left = 0, right = 0, below = 0;
  for (int y = 0; y < ViewHeight; ++y) {
    for (int x = 0; x < ViewWidth; ++x) {
      if (Near(image.pixel(x, y), 128, 128, 128, 0)) continue;
      if (y > origin.y() + 1) ++below;
      if (x < origin.x() - 1) ++below;
      if (x < origin.x() + 10) ++left;
      if (x > origin.x() + 30) ++right;
    }
  }
  EXPECT_EQ(below, 0);
  EXPECT_GT(left, 2 * right);

  // Centred, the ink moves left by half the advance width.
  const float advance = QtGlyphSource().Outline("Arial", "L").advance;
  text->Adjust().SetHorz(haCenter);
  const Coverage centred = Ink(Frame());
  EXPECT_EQ(centred.count, ink.count);
  EXPECT_NEAR(ink.centroid.x() - centred.centroid.x(), advance / 2 / 5 * PixelsPerUnit, 1);
}

/// Counts the outlines asked for, and hands out a unit square for any text.
class CountingGlyphs : public GlyphSource {
 public:
  TextOutline Outline(const std::string&, const std::string&) override {
    ++calls;
    return {{{{0, 0}, {1, 0}, {1, 1}, {0, 1}}}, 1};
  }
  int calls = 0;
};

TEST_F(ViewerFixture, EachDistinctTextIsTessellatedOnce) {
  for (const char* label : {"7", "12", "7", "x"}) {
    scene->Objects().AddNewChild<TGLSpaceText>()->SetText(label);
  }
  Frame();
  Frame();
  EXPECT_EQ(viewer->Renderer().TessellatedTextCount(), 3);
  delete scene->Objects().Children().back();  // "x"
  scene->Objects().AddNewChild<TGLSpaceText>()->SetText("12");
  Frame();
  EXPECT_EQ(viewer->Renderer().TessellatedTextCount(), 3);
}

/// A coarse upper half of the unit sphere, with NaN beyond its rim and a call counter.
class HemisphereFixture : public ViewerFixture {
 protected:
  void SetUp() override {
    ViewerFixture::SetUp();
    field = scene->Objects().AddNewChild<TGLHeightField>();
    field->SetOptions({hfoTwoSided});
    field->Material().SetMaterialOptions({moNoLighting});
    field->Material().SetPolygonMode(pmLines);
    field->Material().FrontProperties().SetDiffuse({0.2745f, 0.7843f, 0.8235f, 0.19f});
    for (TGLSamplingScale* s : {&field->XSamplingScale(), &field->YSamplingScale()}) {
      s->SetMax(1);
      s->SetMin(-1);
      s->SetStep(0.25f);
    }
    field->SetOnGetHeight([this](float x, float y, float& z, SceneColor&, TexPoint&) {
      ++calls;
      z = std::sqrt(1 - x * x - y * y);  // NaN outside the unit circle
    });
  }
  int Wire(const QImage& image) {
    // RGB (70, 200, 210): the diffuse colour at full opacity, the alpha 0.19 ignored.
    return CountOf(image, QColor(70, 200, 210), 1);
  }
  TGLHeightField* field = nullptr;
  int calls = 0;
};

TEST_F(HemisphereFixture, WireFrameInTheDiffuseColourSampledOnce) {
  const int wire = Wire(Frame());
  EXPECT_GT(wire, 200);
  EXPECT_EQ(calls, 81);  // 9 × 9 samples
  // Orbiting and zooming redraw without sampling.
  camera->MoveAroundTarget(30, 20);
  Frame();
  camera->AdjustDistanceToTarget(1.5f);
  Frame();
  EXPECT_EQ(calls, 81);
  // Wire frame only: the inside of a triangle stays background. The cell [0, 0.25]² is split
  // by its diagonal x + y = 0.25; the lower triangle's centroid (1/12, 1/12) lies at height
  // √(1 − 2/144) ≈ 0.993, at depth 9.007, about 2.5 pixels from each of its edges.
  const QPointF cell = Projected(1.0 / 12, 1.0 / 12, 9.007);
  camera->SetPosition(0, 0, 10);
  EXPECT_TRUE(Near(Frame().pixel(cell.toPoint()), 128, 128, 128, 0));
}

TEST_F(HemisphereFixture, UnusableScaleDrawsNothing) {
  field->XSamplingScale().SetMax(-1);  // Min = Max = −1
  EXPECT_EQ(Wire(Frame()), 0);
  EXPECT_EQ(calls, 0);
}

TEST_F(HemisphereFixture, NotANumberHeightsLeaveHoles) {
  field->SetOnGetHeight([](float x, float y, float& z, SceneColor&, TexPoint&) {
    z = x > 0 ? std::numeric_limits<float>::quiet_NaN() : 1 - x * x - y * y;
  });
  const QImage image = Frame();
  EXPECT_GT(Wire(image), 100);
  const QPointF middle = Projected(0, 0, 10);
  for (int y = 0; y < ViewHeight; ++y) {
    for (int x = static_cast<int>(middle.x()) + 2; x < ViewWidth; ++x) {
      ASSERT_FALSE(Near(image.pixel(x, y), 70, 200, 210, 1)) << x << "," << y;
    }
  }
}

// Filled and seen from below, the field shows its back faces: culled unless two-sided.
TEST_F(HemisphereFixture, OneSidedFieldsCullTheirBackFaces) {
  field->Material().SetPolygonMode(pmFill);
  camera->SetPosition(0, 0, -10);
  EXPECT_GT(Wire(Frame()), 1000);
  field->SetOptions({});
  EXPECT_EQ(Wire(Frame()), 0);
  camera->SetPosition(0, 0, 10);
  EXPECT_GT(Wire(Frame()), 1000);
}

TEST_F(ViewerFixture, ChangesScheduleARedrawAndRenderDrawsAtOnce) {
  Frame();
  QSignalSpy swapped(viewer.get(), &QOpenGLWidget::frameSwapped);
  QApplication::processEvents();
  swapped.clear();
  scene->Objects().AddNewChild<TGLSphere>()->SetRadius(1);
  EXPECT_TRUE(swapped.wait(5000));

  const int frames = viewer->FrameCount();
  viewer->Buffer().Render();
  EXPECT_EQ(viewer->FrameCount(), frames + 1);
  // The frame drawn at once is shown as it is, not drawn again.
  QApplication::processEvents();
  EXPECT_EQ(viewer->FrameCount(), frames + 1);
}

// While the view moves it draws lighter frames: here, as if the full frame had taken a second,
// the wire frame through every fifth sampling line or so. After the pause the full frame is
// back on the screen by itself, pixel for pixel the frame shown before.
TEST_F(HemisphereFixture, LighterWhileMovingThenTheFullFrameAgain) {
  QSignalSpy swapped(viewer.get(), &QOpenGLWidget::frameSwapped);
  viewer->update();
  ASSERT_TRUE(swapped.wait(5000));
  const auto onScreen = [this] {
    return viewer->screen()
        ->grabWindow(viewer->winId())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  };
  const QImage still = onScreen();
  EXPECT_EQ(viewer->LastStride(), 1);
  EXPECT_TRUE(still == Frame());

  viewer->Interaction().FrameShown(1, 1000, false);
  const int stride = viewer->Interaction().InteractiveStride();
  ASSERT_GT(stride, 1);
  viewer->NoteInteraction();
  viewer->Buffer().Render();
  EXPECT_EQ(viewer->LastStride(), stride);
  // The frame just drawn, read from the view's frame buffer without drawing again.
  QImage drawn(ViewWidth, ViewHeight, QImage::Format_RGBA8888);
  viewer->makeCurrent();
  viewer->context()->functions()->glReadPixels(0, 0, ViewWidth, ViewHeight, GL_RGBA,
                                               GL_UNSIGNED_BYTE, drawn.bits());
  viewer->doneCurrent();
  const int lighter = Wire(drawn.convertToFormat(QImage::Format_RGB32));
  EXPECT_GT(lighter, 0);
  EXPECT_LT(lighter, Wire(still) / 2);

  bool full = false;
  for (int frames = 0; frames < 10 && !full; ++frames) {
    ASSERT_TRUE(swapped.wait(5000));
    full = viewer->LastStride() == 1;
  }
  EXPECT_TRUE(full);
  EXPECT_TRUE(onScreen() == still);
}

TEST_F(ViewerFixture, ForgetsADestroyedCameraOrScene) {
  delete camera;
  EXPECT_EQ(viewer->Camera(), nullptr);
  EXPECT_EQ(CountOf(Frame(), Grey, 0), ViewWidth * ViewHeight);
  viewer->SetCamera(scene->Objects().AddNewChild<TGLCamera>());
  scene.reset();
  EXPECT_EQ(viewer->Camera(), nullptr);
  EXPECT_EQ(CountOf(Frame(), Grey, 0), ViewWidth * ViewHeight);
}

TEST_F(ViewerFixture, ReportsMouseEventsAsPlainValues) {
  QSignalSpy down(viewer.get(), &TGLSceneViewer::MouseDown);
  QSignalSpy moved(viewer.get(), &TGLSceneViewer::MouseMove);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 20), viewer->mapToGlobal(QPointF(10, 20)),
                    Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
  QApplication::sendEvent(viewer.get(), &press);
  QMouseEvent drag(QEvent::MouseMove, QPointF(15, 22), viewer->mapToGlobal(QPointF(15, 22)),
                   Qt::NoButton, Qt::LeftButton | Qt::RightButton,
                   Qt::ControlModifier | Qt::AltModifier);
  QApplication::sendEvent(viewer.get(), &drag);
  QMouseEvent hover(QEvent::MouseMove, QPointF(30, 40), viewer->mapToGlobal(QPointF(30, 40)),
                    Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(viewer.get(), &hover);

  ASSERT_EQ(down.count(), 1);
  ASSERT_EQ(moved.count(), 2);
  const auto pressed = down.at(0).at(0).value<ViewerMouseEvent>();
  EXPECT_EQ(pressed.x, 10);
  EXPECT_EQ(pressed.y, 20);
  EXPECT_EQ(pressed.shift, (ShiftState{.shift = true, .left = true}));
  const auto dragged = moved.at(0).at(0).value<ViewerMouseEvent>();
  EXPECT_EQ(dragged.x, 15);
  EXPECT_EQ(dragged.shift, (ShiftState{.ctrl = true, .alt = true, .left = true, .right = true}));
  const auto hovered = moved.at(1).at(0).value<ViewerMouseEvent>();
  EXPECT_EQ(hovered.y, 40);
  EXPECT_TRUE(hovered.shift.Empty());
}

// "O" comes as two contours, the counter inside the outer one, about 0.78 em wide.
TEST(QtGlyphSource, OutlinesInEmsAboveTheBaseline) {
  const TextOutline o = QtGlyphSource().Outline("Arial", "O");
  ASSERT_EQ(o.contours.size(), 2u);
  EXPECT_GT(o.advance, 0.6f);
  EXPECT_LT(o.advance, 0.9f);
  for (const auto& contour : o.contours) {
    for (const OutlinePoint& p : contour) {
      EXPECT_GE(p.y, -0.05f);
      EXPECT_LE(p.y, 0.8f);
      EXPECT_GE(p.x, 0);
      EXPECT_LE(p.x, o.advance);
    }
  }
  EXPECT_TRUE(QtGlyphSource().Outline("Arial", "").contours.empty());
  EXPECT_GT(QtGlyphSource().Outline("Arial", "60").advance, o.advance);
}

}  // namespace
}  // namespace ovalon

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
