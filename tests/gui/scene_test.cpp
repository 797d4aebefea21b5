// The fourth tab in the real window: the tool buttons build the scene from the analysis of the
// example file, the toggles make and remove labels, axes and the ellipsoid surface, and the
// mouse, the wheel, the track bars and the background check box act on the view. The scene
// rules themselves are tested without a window in tests/view3d.

#include <QtTest/qtestspontaneevent.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QWheelEvent>
#include <QtTest>
#include <cmath>
#include <memory>
#include <numbers>
#include <set>

#include "app/analysisstate.h"
#include "app/ovalon.h"
#include "tests/gui/fakedialogs.h"
#include "view3d/qt/glsceneviewer.h"

using ovalon::FakeDialogs;
using ovalon::SceneVector;
using ovalon::TForm1;

namespace {

const QString DistortedExample = QStringLiteral(OVALON_SOURCE_DIR "/examples/c60_distorted.xyz");
const QString IdealExample = QStringLiteral(OVALON_SOURCE_DIR "/examples/c60_ideal.xyz");

/// Counts the objects destroyed in a scene, and notes any destroyed twice.
class DestroyedObjects : public ovalon::TGLSceneListener {
 public:
  void SceneChanged() override {}
  void ObjectDestroyed(ovalon::TGLSceneObject* object) override {
    if (!seen.insert(object).second) ++twice;
  }
  std::set<const ovalon::TGLSceneObject*> seen;
  int twice = 0;
};

double Distance(SceneVector v) { return std::hypot(double(v.x), double(v.y), double(v.z)); }

/// Pixels of the wire frame's colour RGB (70, 200, 210) (its alpha 0.19 is ignored).
int WirePixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      count += std::abs(qRed(p) - 70) <= 1 && std::abs(qGreen(p) - 200) <= 1 &&
               std::abs(qBlue(p) - 210) <= 1;
    }
  }
  return count;
}

/// The smallest rectangle around the pixels that differ from the grey background.
QRect DrawnBounds(const QImage& image) {
  QRect bounds;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) != qRgb(128, 128, 128)) bounds |= QRect(x, y, 1, 1);
    }
  }
  return bounds;
}

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers keys = Qt::NoModifier) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, buttons, keys);
  QApplication::sendEvent(widget, &event);
}

}  // namespace

class SceneTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<FakeDialogs> m_dialogs;
  std::unique_ptr<TForm1> m_form;

  ovalon::AnalysisState& State() { return TForm1::State(); }

  /// Loads and reads an example, fits it by least squares and shows its characteristics.
  void Analyse(const QString& file = DistortedExample) {
    m_dialogs->answers = {file};
    m_form->Button1->click();
    m_form->Button2->click();
    m_form->Button7->click();
    m_form->Button12->click();
    QVERIFY2(m_dialogs->messages.isEmpty(), qPrintable(m_dialogs->messages.join('\n')));
  }

  void ShowTab4() {
    m_form->PageControl1->setCurrentIndex(3);
    QVERIFY(QTest::qWaitForWindowExposed(m_form->GLSceneViewer1));
  }

  int SceneObjects() { return int(m_form->GLScene1->Objects().Children().size()); }

  int Filled(const ovalon::AtomLabelSlots& table) {
    int count = 0;
    for (const auto* slot : table.data) count += slot != nullptr;
    return count;
  }

  QImage Frame() {
    return m_form->GLSceneViewer1->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
  }

 private slots:
  void init() {
    TForm1::State() = ovalon::AnalysisState{};
    m_dialogs = std::make_unique<FakeDialogs>();
    m_form = std::make_unique<TForm1>(m_dialogs.get());
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
  }

  void cleanup() {
    m_form.reset();
    m_dialogs.reset();
  }

  void designTimeComponents() {
    auto* camera = m_form->GLCamera1;
    QCOMPARE(m_form->GLSceneViewer1->Camera(), camera);
    QCOMPARE(m_form->GLSceneViewer1->Buffer().BackgroundColor(), QColor(128, 128, 128));
    QCOMPARE(camera->Position(), (SceneVector{1, 1, 1}));
    QCOMPARE(camera->TargetObject(), m_form->GLPoints1);
    QCOMPARE(m_form->GLLightSource1->Parent(), camera);
    QCOMPARE(m_form->GLPoints1->Positions().Count(), 0);
    QVERIFY(!m_form->GLPoints1->ShowAxes());
    for (ovalon::TGLHeightField* field : {m_form->GLHeightField1, m_form->GLHeightField2}) {
      QVERIFY(!field->XSamplingScale().IsUsable());
      QCOMPARE(field->XSamplingScale().Step(), 0.1f);
      QVERIFY(field->Options().Contains(ovalon::hfoTwoSided));
      QVERIFY(!field->Material().IsLit());
      QCOMPARE(field->Material().PolygonMode(), ovalon::pmLines);
    }
    // Camera, points and the two height fields; the light hangs on the camera.
    QCOMPARE(SceneObjects(), 4);
  }

  // The bond lines drawn with the defaults, counted independently (a Python script over the
  // file coordinates; distances do not change with the transformation): every atom of the
  // ideal cage has its three bonds (1.391 and 1.455 Å) within 1.5 Å; the distorted cage has
  // 20 atoms with three, 36 with two and 4 with one (the nearest bond length to 1.5 Å is
  // 1.4967, so no rounding decides). Every drawn bond is shorter than 1.517 Å: green 100.
  void buildAfterTheCharacteristics_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("lines");
    QTest::newRow("ideal") << IdealExample << 180;
    QTest::newRow("distorted") << DistortedExample << 136;
  }
  void buildAfterTheCharacteristics() {
    QFETCH(QString, file);
    QFETCH(int, lines);
    Analyse(file);
    ShowTab4();
    m_form->ToolButton1->click();
    const ovalon::AnalysisState& state = State();
    QCOMPARE(state.SceneSettings.BondGreenBase, 100);
    QCOMPARE(state.SceneSettings.BondLineWidth, 4.0);
    QCOMPARE(state.SceneSettings.AtomRadius, 0.1);
    int red = 0, blue = 0, drawn = 0;
    for (int i = 1; i <= ovalon::AtomCount; ++i) {
      const ovalon::TGLSphere* sphere = state.AtomSpheres.at(i);
      QVERIFY(sphere != nullptr);
      QCOMPARE(sphere->Radius(), 0.1f);
      const ovalon::SceneColor colour = sphere->Material().FrontProperties().Diffuse();
      red += colour == ovalon::ColorFromRGB(255, 0, 0);
      blue += colour == ovalon::ColorFromRGB(0, 0, 255);
      for (int k = 1; k <= 3; ++k) {
        const ovalon::TGLLines* line = state.BondLines.at(i, k);
        if (line == nullptr) continue;
        ++drawn;
        QCOMPARE(line->LineWidth(), 4.0f);
        QCOMPARE(line->LineColor(), ovalon::ColorFromRGB(0, 100, 0));
      }
    }
    QCOMPARE(drawn, lines);
    QCOMPARE(red + blue, 60);
    if (file == DistortedExample) QVERIFY2(red > 0 && blue > 0, "atoms on both sides");
    QCOMPARE(m_form->GLPoints1->Positions().Count(), 60);
    QCOMPARE(Filled(state.AtomLabels), 0);
    QCOMPARE(SceneObjects(), 4 + 60 + lines);

    // A second press replaces every object.
    m_form->ToolButton1->click();
    QCOMPARE(SceneObjects(), 4 + 60 + lines);
  }

  void nothingIsBuiltBeforeTheCharacteristics() {
    ShowTab4();
    m_form->ToolButton1->click();
    m_form->ToolButton4->click();
    QVERIFY(m_form->ToolButton4->isChecked());
    QCOMPARE(SceneObjects(), 4);
    // The neighbour search still ran, on 60 atoms at the origin.
    QCOMPARE(State().NearestAtoms.at(1, 1), 2);
    m_form->ToolButton3->click();
    QCOMPARE(WirePixels(Frame()), 0);
  }

  void togglesMakeAndRemoveLabelsAndAxes() {
    Analyse(IdealExample);
    ShowTab4();
    m_form->ToolButton1->click();
    m_form->ToolButton4->click();  // down
    QCOMPARE(Filled(State().AtomLabels), 60);
    QCOMPARE(State().AtomLabels.at(60)->Text(), std::string("60"));
    const std::uint64_t first = State().AtomLabels.at(1)->Id();
    m_form->ToolButton1->click();  // a build with the button down makes them anew
    QCOMPARE(Filled(State().AtomLabels), 60);
    QVERIFY(State().AtomLabels.at(1)->Id() != first);
    m_form->ToolButton4->click();  // up
    QCOMPARE(Filled(State().AtomLabels), 0);
    m_form->ToolButton4->click();
    m_form->ToolButton4->setChecked(false);  // up without its handler: the labels stay
    QCOMPARE(Filled(State().AtomLabels), 60);
    m_form->ToolButton1->click();  // a build with the button up removes them
    QCOMPARE(Filled(State().AtomLabels), 0);
    QCOMPARE(SceneObjects(), 4 + 60 + 180);

    m_form->ToolButton2->click();
    QVERIFY(m_form->GLPoints1->ShowAxes());
    QCOMPARE(State().AxisLabels.at(1)->Text(), std::string("x"));
    QCOMPARE(State().AxisLabels.at(2)->Position(), (SceneVector{0, 7, 0}));
    QCOMPARE(SceneObjects(), 4 + 60 + 180 + 3);
    m_form->ToolButton2->click();
    QVERIFY(!m_form->GLPoints1->ShowAxes());
    QVERIFY(State().AxisLabels.at(1) == nullptr);
    QCOMPARE(SceneObjects(), 4 + 60 + 180);
  }

  // Expected camera: (1, 1, 1) turned by −10° about +Y, x' = cos 10° − sin 10°,
  // z' = sin 10° + cos 10°, height and distance unchanged. Tolerance: 32-bit scene arithmetic.
  void dragOrbitsByOneDegreePerPixel() {
    ShowTab4();
    m_form->ToolButton2->click();
    auto* viewer = m_form->GLSceneViewer1;
    SendMouse(viewer, QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton);
    QCOMPARE(m_form->mx, 100);
    SendMouse(viewer, QEvent::MouseMove, QPoint(110, 100), Qt::LeftButton);
    QCOMPARE(m_form->mx, 110);
    QCOMPARE(m_form->my, 100);
    const double c = std::cos(10 * std::numbers::pi / 180),
                 s = std::sin(10 * std::numbers::pi / 180);
    const SceneVector p = m_form->GLCamera1->Position();
    QVERIFY2(std::abs(p.x - (c - s)) < 1e-5 && std::abs(p.y - 1) < 1e-5 &&
                 std::abs(p.z - (s + c)) < 1e-5,
             qPrintable(QStringLiteral("%1 %2 %3").arg(p.x).arg(p.y).arg(p.z)));
    // The axis labels turned with it: their direction is the camera's horizontal bearing.
    const SceneVector d = State().AxisLabels.at(3)->Direction();
    const double h = std::hypot(p.x, p.z);
    QVERIFY(std::abs(d.x - p.x / h) < 1e-5 && d.y == 0 && std::abs(d.z - p.z / h) < 1e-5);

    // A plain move neither orbits nor records the position.
    SendMouse(viewer, QEvent::MouseMove, QPoint(300, 50), Qt::NoButton);
    QCOMPARE(m_form->GLCamera1->Position(), p);
    QCOMPARE(m_form->mx, 110);
    // Shift alone orbits, by the way from the last recorded position: 190 pixels to the right.
    SendMouse(viewer, QEvent::MouseMove, QPoint(300, 100), Qt::NoButton, Qt::ShiftModifier);
    QCOMPARE(m_form->mx, 300);
    const SceneVector q = m_form->GLCamera1->Position();
    const double turned = std::atan2(q.x, q.z) - std::atan2(p.x, p.z);
    QVERIFY2(std::abs(std::remainder(turned + 190 * std::numbers::pi / 180, 2 * std::numbers::pi)) <
                 1e-5,
             qPrintable(QString::number(turned)));
    QVERIFY(std::abs(Distance(q) - std::sqrt(3.0)) < 1e-5);

    // Dragging far down stops 0.025 rad short of +Y.
    SendMouse(viewer, QEvent::MouseMove, QPoint(300, 400), Qt::LeftButton);
    const SceneVector top = m_form->GLCamera1->Position();
    QVERIFY(std::abs(std::acos(top.y / Distance(top)) - 0.025) < 1e-4);
  }

  // One notch away from the user multiplies the distance by 1.1: √3 → 1.905. The wheel event
  // goes to the view as the window system would send it, through the window's filter.
  void wheelZoomsOnTheFourthTabOnly() {
    auto* viewer = m_form->GLSceneViewer1;
    const auto turn = [viewer](int delta) {
      QWheelEvent event(QPointF(50, 50), viewer->mapToGlobal(QPointF(50, 50)), QPoint(),
                        QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      // As QTest delivers its key events: sendEvent would mark the event as not spontaneous.
      QSpontaneKeyEvent::setSpontaneous(&event);
      qApp->notify(viewer, &event);
    };
    turn(120);
    QCOMPARE(m_form->GLCamera1->Position(), (SceneVector{1, 1, 1}));

    ShowTab4();
    turn(120);
    QVERIFY(std::abs(Distance(m_form->GLCamera1->Position()) - 1.9052559) < 1e-5);
    QCOMPARE(m_form->focusWidget(), static_cast<QWidget*>(viewer));
    turn(-120);
    QVERIFY(std::abs(Distance(m_form->GLCamera1->Position()) - std::sqrt(3.0)) < 1e-5);
    m_form->FormMouseWheel(240);
    QVERIFY(std::abs(Distance(m_form->GLCamera1->Position()) - 1.21 * std::sqrt(3.0)) < 1e-5);
  }

  void trackBarsRestyleAndTakeTheFocus() {
    Analyse();
    ShowTab4();
    m_form->ToolButton1->click();
    auto* viewer = static_cast<QWidget*>(m_form->GLSceneViewer1);
    const ovalon::AnalysisState& state = State();
    struct Row {
      QSlider* bar;
      int position;
    };
    for (const Row& row :
         {Row{m_form->TrackBar1, 300}, Row{m_form->TrackBar1, 200}, Row{m_form->TrackBar3, 0},
          Row{m_form->TrackBar2, 1}, Row{m_form->TrackBar4, 120}}) {
      m_form->CheckBox3->setFocus();
      row.bar->setValue(row.position);
      QCOMPARE(m_form->focusWidget(), viewer);
    }
    QCOMPARE(state.SceneSettings.BondGreenBase, 200);
    QCOMPARE(state.SceneSettings.AtomRadius, 0.0);
    QCOMPARE(state.SceneSettings.BondLineWidth, 0.1);
    QCOMPARE(state.SceneSettings.BondThreshold, 1.2);
    const ovalon::TGLLines* line = state.BondLines.at(1, 1);
    QCOMPARE(line->LineWidth(), 0.1f);
    QCOMPARE(state.AtomSpheres.at(1)->Radius(), 0.0f);
    // 300 left the green level 100 in place; 200 is in range for ordinary bonds.
    QCOMPARE(line->LineColor(), ovalon::ColorFromRGB(0, 200, 0));
    // The threshold waits for the next build.
    QVERIFY(state.BondLines.at(1, 1) != nullptr);
  }

  // Dragging, panning, the wheel and the track bars that restyle the scene draw lighter frames
  // until the moving pauses, then the full frame; a click that changes the scene once (the
  // background) draws the full frame at once. The full frame is as if it had taken a second, so
  // that the lighter one is clearly lighter.
  void movingTheViewDrawsLighterFramesUntilItPauses_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("lighter");
    for (const char* action : {"drag", "pan", "wheel", "TrackBar1", "TrackBar2", "TrackBar3"})
      QTest::newRow(action) << QString::fromLatin1(action) << true;
    QTest::newRow("background") << QStringLiteral("background") << false;
  }
  void movingTheViewDrawsLighterFramesUntilItPauses() {
    QFETCH(QString, action);
    QFETCH(bool, lighter);
    Analyse();
    ShowTab4();
    m_form->ToolButton1->click();
    m_form->ToolButton3->click();
    auto* viewer = m_form->GLSceneViewer1;
    QSignalSpy swapped(viewer, &QOpenGLWidget::frameSwapped);
    QVERIFY(swapped.wait(5000));
    viewer->Interaction().FrameShown(1, 1000, false);

    const QPoint at(200, 150);
    if (action == "drag" || action == "pan") {
      const Qt::KeyboardModifiers keys = action == "pan" ? Qt::ShiftModifier : Qt::NoModifier;
      SendMouse(viewer, QEvent::MouseButtonPress, at, Qt::LeftButton, keys);
      SendMouse(viewer, QEvent::MouseMove, at + QPoint(10, 5), Qt::LeftButton, keys);
    } else if (action == "wheel") {
      m_form->FormMouseWheel(120);
    } else if (action == "background") {
      m_form->CheckBox3->click();
    } else {
      auto* bar = m_form->findChild<QSlider*>(action);
      bar->setValue(bar->value() + 5);
    }
    viewer->Buffer().Render();
    QCOMPARE(viewer->LastStride() > 1, lighter);
    if (!lighter) return;
    bool full = false;
    for (int frames = 0; frames < 10 && !full; ++frames) {
      QVERIFY(swapped.wait(5000));
      full = viewer->LastStride() == 1;
    }
    QVERIFY(full);
  }

  void backgroundSwitchesBetweenBlackAndGrey() {
    ShowTab4();
    m_form->CheckBox3->click();
    QCOMPARE(m_form->GLSceneViewer1->Buffer().BackgroundColor(), QColor(0, 0, 0));
    QCOMPARE(Frame().pixel(5, 5), qRgb(0, 0, 0));
    m_form->CheckBox3->click();
    QCOMPARE(m_form->GLSceneViewer1->Buffer().BackgroundColor(), QColor(128, 128, 128));
    QCOMPARE(Frame().pixel(5, 5), qRgb(128, 128, 128));
  }

  // The frame drawn at once by the check box is the one that reaches the screen: read back
  // from the X server, it holds the scene on the new background.
  void backgroundSwitchKeepsTheSceneOnScreen() {
    Analyse();
    ShowTab4();
    m_form->ToolButton1->click();
    auto* viewer = m_form->GLSceneViewer1;
    QSignalSpy swapped(viewer, &QOpenGLWidget::frameSwapped);
    QVERIFY(swapped.wait(5000));
    QTest::qWait(100);
    swapped.clear();
    m_form->CheckBox3->click();
    QVERIFY(swapped.wait(5000));
    QTest::qWait(100);
    const QPoint origin = viewer->mapTo(m_form.get(), QPoint(0, 0));
    const QImage screen =
        m_form->screen()
            ->grabWindow(m_form->winId(), origin.x(), origin.y(), viewer->width(), viewer->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    int background = 0, scene = 0;
    for (int y = 0; y < screen.height(); ++y) {
      for (int x = 0; x < screen.width(); ++x) {
        const QRgb p = screen.pixel(x, y);
        (p == qRgb(0, 0, 0) ? background : scene) += 1;
      }
    }
    QVERIFY2(background > screen.width() * screen.height() / 2,
             qPrintable(QString::number(background)));
    QVERIFY2(scene > 1000, qPrintable(QString::number(scene)));
  }

  void surfaceAppearsInTheFrame() {
    Analyse();
    ShowTab4();
    m_form->FormMouseWheel(120 * 20);  // back far enough to see the whole ellipsoid
    QCOMPARE(WirePixels(Frame()), 0);
    m_form->ToolButton3->click();
    const int shown = WirePixels(Frame());
    QVERIFY2(shown > 5000, qPrintable(QString::number(shown)));
    QCOMPARE(m_form->GLHeightField1->XSamplingScale().Max(),
             static_cast<float>(State().SemiAxes[0]));
    m_form->ToolButton3->click();
    QCOMPARE(WirePixels(Frame()), 0);
  }

  // The saved image is the view as drawn. At 1× it holds the pixels of the view's own frame; at
  // 2× the picture is twice the size with the same projection (the centre of what is drawn
  // lands at twice the place); with a transparent background the background pixels get alpha 0,
  // so the image laid over the view's grey gives the 1× image back.
  void savedImageIsTheViewAsDrawn() {
    Analyse();
    ShowTab4();
    m_form->ToolButton4->click();  // atom numbers: 3D text as well
    m_form->ToolButton1->click();
    m_form->FormMouseWheel(120 * 20);  // back far enough to see the whole cage
    QTemporaryDir dir;
    const QString single = dir.filePath("single.png");
    const QString twice = dir.filePath("twice.png");
    const QString clear = dir.filePath("clear.png");
    m_dialogs->imageAnswers = {{single, 1, false}, {twice, 2, false}, {clear, 1, true}};
    for (int i = 0; i < 3; ++i) m_form->ToolButton5->click();
    QVERIFY2(m_dialogs->messages.isEmpty(), qPrintable(m_dialogs->messages.join('\n')));
    const QString filter = QStringLiteral("image: Изображение PNG (*.png): ");
    QCOMPARE(m_dialogs->fileDialogs.mid(2), (QStringList{filter + single, filter + twice}));
    QVERIFY(m_dialogs->fileDialogs[1].startsWith(filter + "/"));
    QVERIFY(m_dialogs->fileDialogs[1].endsWith("/ovalon.png"));

    const QSize viewSize = m_form->GLSceneViewer1->size();
    const QImage view = Frame();
    const QImage one(single);
    QCOMPARE(one.size(), viewSize);
    QVERIFY(!one.hasAlphaChannel());
    QVERIFY(one.convertToFormat(QImage::Format_RGB32) == view);

    const QImage two(twice);
    QCOMPARE(two.size(), 2 * viewSize);
    QCOMPARE(two.pixel(0, 0), qRgb(128, 128, 128));
    // Lines and points keep their pixel widths, so the edges may differ by a few pixels.
    const QRect bounds = DrawnBounds(one);
    const QRect bounds2 = DrawnBounds(two);
    const QString sides = QStringLiteral("%1 %2 %3 %4 / %5 %6 %7 %8")
                              .arg(bounds.left())
                              .arg(bounds.top())
                              .arg(bounds.right() + 1)
                              .arg(bounds.bottom() + 1)
                              .arg(bounds2.left())
                              .arg(bounds2.top())
                              .arg(bounds2.right() + 1)
                              .arg(bounds2.bottom() + 1);
    QVERIFY2(std::abs(bounds2.left() - 2 * bounds.left()) <= 4 &&
                 std::abs(bounds2.top() - 2 * bounds.top()) <= 4 &&
                 std::abs(bounds2.right() + 1 - 2 * (bounds.right() + 1)) <= 4 &&
                 std::abs(bounds2.bottom() + 1 - 2 * (bounds.bottom() + 1)) <= 4,
             qPrintable(sides));
    // The bond lines (4 px in the view) are 8 px wide at 2×, so they cover about four times the
    // pixels; with the width kept at 4 px it would be about twice.
    const auto bondPixels = [](const QImage& image) {
      int count = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == qRgb(0, 100, 0);
      return count;
    };
    const double ratio = double(bondPixels(two)) / bondPixels(one);
    QVERIFY2(ratio > 3.3 && ratio < 4.7, qPrintable(QString::number(ratio)));
    // Nothing of the scene changed for the 2× image.
    QCOMPARE(m_form->GLCamera1->FocalLength(), 50.0f);
    QCOMPARE(State().BondLines.at(1, 1)->LineWidth(), 4.0f);

    const QImage transparent = QImage(clear).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(transparent.size(), viewSize);
    QCOMPARE(qAlpha(transparent.pixel(0, 0)), 0);
    int covered = 0, mismatched = 0;
    for (int y = 0; y < viewSize.height(); ++y) {
      for (int x = 0; x < viewSize.width(); ++x) {
        const QRgb p = transparent.pixel(x, y);
        const QRgb expected = one.pixel(x, y);
        const int a = qAlpha(p);
        covered += a > 0;
        // Straight (not premultiplied) colour over grey, rounded: at most 1 off.
        const auto over = [a](int c) { return (c * a + 128 * (255 - a) + 127) / 255; };
        mismatched += std::abs(over(qRed(p)) - qRed(expected)) > 1 ||
                      std::abs(over(qGreen(p)) - qGreen(expected)) > 1 ||
                      std::abs(over(qBlue(p)) - qBlue(expected)) > 1;
      }
    }
    QCOMPARE(mismatched, 0);
    QVERIFY2(covered > 5000 && covered < viewSize.width() * viewSize.height() / 2,
             qPrintable(QString::number(covered)));
  }

  // Ctrl+S saves whatever control of the fourth tab has the focus, the check box just clicked
  // included, on the background shown (black here); on another tab it does nothing.
  void ctrlSSavesFromAnyControlOfTheFourthTab() {
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QTemporaryDir dir;
    const QString path = dir.filePath("black.png");
    const QString other = dir.filePath("other.png");
    m_dialogs->imageAnswers = {{path, 1, false}, {other, 1, false}};
    m_form->Memo1->setFocus();
    QTest::keyClick(m_form->Memo1, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(m_dialogs->fileDialogs.isEmpty());
    ShowTab4();
    QTest::mouseClick(m_form->CheckBox3, Qt::LeftButton);
    QVERIFY(m_form->CheckBox3->isChecked());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(m_form->CheckBox3));
    QTest::keyClick(m_form->CheckBox3, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(m_dialogs->fileDialogs.size(), 1);
    const QImage image(path);
    QCOMPARE(image.size(), m_form->GLSceneViewer1->size());
    QCOMPARE(image.pixel(0, 0), qRgb(0, 0, 0));
    m_form->GLSceneViewer1->setFocus();
    QTest::keyClick(m_form->GLSceneViewer1, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(m_dialogs->fileDialogs.size(), 2);
    QVERIFY(QFile::exists(other));
  }

  // A file that cannot be written: the error box shows the path and the system's text, and
  // nothing else changes; a cancelled dialog writes nothing.
  void failedSaveShowsTheErrorBox() {
    ShowTab4();
    QTemporaryDir dir;
    const QString path = dir.filePath("missing/view.png");
    m_dialogs->imageAnswers = {{path, 2, true}, {}};
    m_form->ToolButton5->click();
    QCOMPARE(m_dialogs->messages.size(), 1);
    const QString prefix = "critical: " + path + ": ";
    QVERIFY2(
        m_dialogs->messages[0].startsWith(prefix) && m_dialogs->messages[0].size() > prefix.size(),
        qPrintable(m_dialogs->messages[0]));
    QVERIFY(!QFile::exists(path));
    m_form->ToolButton5->click();
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{});
    // The next dialog offers the last name chosen, failed or not.
    QCOMPARE(m_dialogs->fileDialogs.last(), "image: Изображение PNG (*.png): " + path);
  }

  void closingDestroysEverySceneObjectOnce() {
    Analyse(IdealExample);
    ShowTab4();
    m_form->ToolButton4->click();
    m_form->ToolButton1->click();
    m_form->ToolButton2->click();
    DestroyedObjects destroyed;
    m_form->GLScene1->AddListener(&destroyed);
    QVERIFY(m_form->close());
    m_form->GLScene1->RemoveListener(&destroyed);
    QCOMPARE(int(destroyed.seen.size()), 60 + 60 + 180);
    QCOMPARE(destroyed.twice, 0);
    const ovalon::AnalysisState& state = State();
    for (int i = 1; i <= ovalon::AtomCount; ++i) {
      QVERIFY(state.AtomSpheres.at(i) == nullptr);
      QVERIFY(state.AtomLabels.at(i) == nullptr);
      for (int k = 1; k <= 3; ++k) QVERIFY(state.BondLines.at(i, k) == nullptr);
    }
    // The axis labels stay until the scene itself goes.
    QVERIFY(state.AxisLabels.at(1) != nullptr);
    QCOMPARE(SceneObjects(), 4 + 3);
    m_form.reset();
    QVERIFY(state.AxisLabels.at(1) == nullptr);
  }
};

QTEST_MAIN(SceneTest)
#include "scene_test.moc"
