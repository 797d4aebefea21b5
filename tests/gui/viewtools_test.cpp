// The 3D view's tools in the real window: the wheel's bounds, reset and show all, panning, the
// atom tooltip, measuring, the legend, the translucent ellipsoid and the read-outs of the tool
// bar. Their Qt-free rules are tested in tests/view3d and tests/ellipsoid.

#include "app/viewtools.h"

#include <QAction>
#include <QCheckBox>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>
#include <cmath>
#include <memory>

#include "app/analysisstate.h"
#include "app/ovalon.h"
#include "app/reportpane.h"
#include "tests/gui/fakedialogs.h"
#include "view3d/qt/glsceneviewer.h"
#include "view3d/scene/viewnavigation.h"

using ovalon::SceneVector;
using ovalon::TForm1;

namespace {

const QString DistortedExample = QStringLiteral(OVALON_SOURCE_DIR "/examples/c60_distorted.xyz");
const QString IdealExample = QStringLiteral(OVALON_SOURCE_DIR "/examples/c60_ideal.xyz");

/// Pixels that differ from the grey background.
int DrawnPixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) != qRgb(128, 128, 128);
  return count;
}

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons held, Qt::KeyboardModifiers keys = Qt::NoModifier) {
  QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, held, keys);
  QApplication::sendEvent(widget, &event);
}

/// A press and release of `button` at the same place.
void Click(QWidget* widget, QPoint at, Qt::MouseButton button) {
  SendMouse(widget, QEvent::MouseButtonPress, at, button, button);
  SendMouse(widget, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
}

}  // namespace

class ViewToolsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<ovalon::FakeDialogs> m_dialogs;
  std::unique_ptr<TForm1> m_form;

  ovalon::AnalysisState& State() { return TForm1::State(); }
  ovalon::TGLSceneViewer* View() { return m_form->GLSceneViewer1; }
  ovalon::ViewTools* Tools() { return m_form->GLSceneTools; }

  /// Analyses an example, shows the fourth tab and builds the scene.
  void Build(const QString& file) {
    m_dialogs->answers = {file};
    m_form->Button1->click();
    m_form->Button2->click();
    m_form->Button7->click();
    m_form->Button12->click();
    QVERIFY2(m_dialogs->messages.isEmpty(), qPrintable(m_dialogs->messages.join('\n')));
    m_form->PageControl1->setCurrentIndex(3);
    QVERIFY(QTest::qWaitForWindowExposed(View()));
    m_form->ToolButton1->click();
    // The keys are shortcuts of the tab: the window must be active with the focus on it.
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    View()->setFocus();
  }

  QImage Frame() { return View()->grabFramebuffer().convertToFormat(QImage::Format_RGB32); }

  /// Where atom i is drawn, in the view's client pixels.
  QPoint AtomPixel(int i) {
    const auto p = ovalon::ProjectToView(*m_form->GLCamera1, View()->width(), View()->height(),
                                         State().AtomSpheres.at(i)->AbsolutePosition());
    if (!p) return QPoint(-1, -1);
    return QPoint(qRound(p->x), qRound(p->y));
  }

  /// Each atom's pixel when the view shows the whole cage (after "Показать всё").
  float CameraDistance() {
    return ovalon::Length(m_form->GLCamera1->AbsolutePosition() -
                          m_form->GLCamera1->TargetObject()->AbsolutePosition());
  }

 private slots:
  void init() {
    TForm1::State() = ovalon::AnalysisState{};
    m_dialogs = std::make_unique<ovalon::FakeDialogs>();
    m_form = std::make_unique<TForm1>(m_dialogs.get());
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
  }

  void cleanup() {
    m_form.reset();
    m_dialogs.reset();
  }

  // 2,000 notches each way once left the camera at infinity or on its target for good. Now
  // the steps beyond the bounds do nothing, and turning back brings the cage into view again.
  void wheelRecoversAfterTwoThousandNotchesEachWay() {
    Build(DistortedExample);
    m_form->FormMouseWheel(120 * 20);
    const float start = CameraDistance();
    const int drawn = DrawnPixels(Frame());
    QVERIFY(drawn > 5000);
    for (int notch = 0; notch < 2000; ++notch) m_form->FormMouseWheel(120);
    QVERIFY(CameraDistance() <= ovalon::MaxTargetDistance);
    for (int notch = 0; notch < 2000; ++notch) m_form->FormMouseWheel(-120);
    QVERIFY(CameraDistance() >= ovalon::MinTargetDistance);
    int back = 0;
    while (CameraDistance() < start / 1.05f && back < 1000) {
      m_form->FormMouseWheel(120);
      ++back;
    }
    QVERIFY2(std::abs(CameraDistance() / start - 1) < 0.06, qPrintable(QString::number(back)));
    const int again = DrawnPixels(Frame());
    QVERIFY2(std::abs(again - drawn) < drawn / 10,
             qPrintable(QString("%1 %2").arg(drawn).arg(again)));
  }

  // The first view after a build is from inside the cage; F shows every atom from outside along
  // the same direction, Home puts the camera back to its start. Both are in the context menu,
  // which a right click without a drag opens.
  void resetAndShowAll() {
    Build(IdealExample);
    QTest::keyClick(View(), Qt::Key_F);
    const SceneVector p = m_form->GLCamera1->AbsolutePosition() -
                          m_form->GLCamera1->TargetObject()->AbsolutePosition();
    QVERIFY(std::abs(p.x - p.y) < 1e-3 && std::abs(p.y - p.z) < 1e-3 && p.x > 3);
    for (int i = 1; i <= ovalon::AtomCount; ++i) {
      const QPoint at = AtomPixel(i);
      QVERIFY2(View()->rect().contains(at), qPrintable(QString::number(i)));
    }
    QTest::keyClick(View(), Qt::Key_Home);
    QCOMPARE(m_form->GLCamera1->Position(), (SceneVector{1, 1, 1}));
    QCOMPARE(m_form->GLCamera1->TargetObject(), m_form->GLPoints1);

    QMenu* menu = Tools()->ContextMenu;
    QVERIFY(!menu->isVisible());
    Click(View(), QPoint(200, 150), Qt::RightButton);
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QStringList texts;
    for (const QAction* action : menu->actions())
      if (!action->isSeparator()) texts << action->text() + "|" + action->shortcut().toString();
    QCOMPARE(texts, (QStringList{"Сбросить вид|Home", "Показать всё|F", "Полупрозрачный эллипсоид|",
                                 "Легенда|L", "Убрать измерение|Esc"}));
    menu->hide();
    // A right drag orbits as before and opens nothing.
    SendMouse(View(), QEvent::MouseButtonPress, QPoint(200, 150), Qt::RightButton, Qt::RightButton);
    SendMouse(View(), QEvent::MouseMove, QPoint(230, 150), Qt::NoButton, Qt::RightButton);
    SendMouse(View(), QEvent::MouseButtonRelease, QPoint(230, 150), Qt::RightButton, Qt::NoButton);
    QVERIFY(!menu->isVisible());
    QVERIFY(m_form->GLCamera1->Position() != (SceneVector{1, 1, 1}));
  }

  // The middle button and Shift with the left button pan: the point at the target follows the
  // mouse; Shift alone still orbits.
  void panWithTheMiddleButtonOrShiftDrag() {
    Build(IdealExample);
    QTest::keyClick(View(), Qt::Key_F);
    const auto target = [this] {
      return ovalon::ProjectToView(*m_form->GLCamera1, View()->width(), View()->height(),
                                   m_form->GLCamera1->TargetObject()->AbsolutePosition());
    };
    const auto origin = [this] {
      return *ovalon::ProjectToView(*m_form->GLCamera1, View()->width(), View()->height(),
                                    {0, 0, 0});
    };
    const ovalon::ViewPoint before = origin();
    SendMouse(View(), QEvent::MouseButtonPress, QPoint(300, 200), Qt::MiddleButton,
              Qt::MiddleButton);
    SendMouse(View(), QEvent::MouseMove, QPoint(340, 225), Qt::NoButton, Qt::MiddleButton);
    SendMouse(View(), QEvent::MouseButtonRelease, QPoint(340, 225), Qt::MiddleButton, Qt::NoButton);
    const ovalon::ViewPoint middle = origin();
    QVERIFY(std::abs(middle.x - before.x - 40) < 0.5f && std::abs(middle.y - before.y - 25) < 0.5f);
    SendMouse(View(), QEvent::MouseButtonPress, QPoint(300, 200), Qt::LeftButton, Qt::LeftButton,
              Qt::ShiftModifier);
    SendMouse(View(), QEvent::MouseMove, QPoint(280, 200), Qt::NoButton, Qt::LeftButton,
              Qt::ShiftModifier);
    const ovalon::ViewPoint shifted = origin();
    QVERIFY(std::abs(shifted.x - middle.x + 20) < 0.5f && std::abs(shifted.y - middle.y) < 0.5f);
    // The camera now orbits the panned target, at the view's centre.
    const auto centre = target();
    QVERIFY(centre && std::abs(centre->x - View()->width() / 2.0f) < 1);
  }

  // The tooltip of an atom: number, coordinates with their uncertainties, the residual exactly
  // as the fit report wrote it, and the side of the ellipsoid, which agrees with the atom's
  // place in the ellipsoid's own frame.
  void hoverShowsTheAtom() {
    Build(DistortedExample);
    QTest::keyClick(View(), Qt::Key_F);
    const QStringList report = m_form->Memo2->toPlainText().split('\n');
    const ovalon::AnalysisState& state = State();
    int inside = 0, outside = 0;
    for (int i : {1, 17, 33, 60}) {
      const QPoint at = AtomPixel(i);
      QHelpEvent help(QEvent::ToolTip, at, View()->mapToGlobal(at));
      QApplication::sendEvent(View(), &help);
      const QStringList lines = QToolTip::text().split('\n');
      QCOMPARE(lines.size(), 6);
      QCOMPARE(lines[0], QStringLiteral("Атом %1").arg(i));
      QVERIFY2(lines[1].startsWith(QStringLiteral("X = %1 ± ")
                                       .arg(QString::number(state.AtomCoords.X.at(i), 'g', 15))) &&
                   lines[1].endsWith(" Å"),
               qPrintable(lines[1]));
      QVERIFY(report.contains(lines[4] + " "));  // "F(A)i = …" as in the report
      QVERIFY(lines[4].startsWith(QStringLiteral("F(A)%1 = ").arg(i)));
      const double u = std::pow(state.TransformedCoords.X.at(i) / state.SemiAxes[0], 2) +
                       std::pow(state.TransformedCoords.Y.at(i) / state.SemiAxes[1], 2) +
                       std::pow(state.TransformedCoords.Z.at(i) / state.SemiAxes[2], 2);
      QCOMPARE(lines[5],
               u < 1 ? QStringLiteral("внутри эллипсоида") : QStringLiteral("снаружи эллипсоида"));
      (u < 1 ? inside : outside) += 1;
    }
    // Nothing under the mouse: no tooltip.
    QHelpEvent empty(QEvent::ToolTip, QPoint(3, 3), View()->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(View(), &empty);
    QTRY_VERIFY(!QToolTip::isVisible());
    QVERIFY(Tools()->AtomToolTip(QPoint(3, 3)).isEmpty());
  }

  // Two clicks on bonded atoms of the ideal cage measure its bond, 1.391 or 1.455 Å; the value
  // is in the corner and a dashed line joins the atoms; Esc clears both.
  void measuringABond() {
    Build(IdealExample);
    QTest::keyClick(View(), Qt::Key_F);
    const int objects = int(m_form->GLScene1->Objects().Children().size());
    const int other = State().NearestAtoms.at(1, 1);
    Click(View(), AtomPixel(1), Qt::LeftButton);
    QCOMPARE(Tools()->MeasuredAtoms(), std::vector<int>{1});
    Click(View(), AtomPixel(other), Qt::LeftButton);
    QCOMPARE(Tools()->MeasuredAtoms(), (std::vector<int>{1, other}));
    const ovalon::PointSet& c = State().AtomCoords;
    const double d =
        std::hypot(c.X.at(1) - c.X.at(other), c.Y.at(1) - c.Y.at(other), c.Z.at(1) - c.Z.at(other));
    QVERIFY2(std::abs(d - 1.391) < 5e-4 || std::abs(d - 1.455) < 5e-4,
             qPrintable(QString::number(d)));
    QCOMPARE(Tools()->MeasureLabel->text(),
             QStringLiteral("Атомы 1–%1: %2 Å").arg(other).arg(d, 0, 'f', 4));
    QVERIFY(Tools()->MeasureLabel->isVisible());
    const auto& children = m_form->GLScene1->Objects().Children();
    QCOMPARE(int(children.size()), objects + 1);
    auto* line = dynamic_cast<ovalon::TGLLines*>(children.back());
    QVERIFY(line != nullptr && line->LinePattern() != 0xFFFF && line->Nodes().size() == 2);
    QCOMPARE(line->Nodes()[0], State().AtomSpheres.at(1)->Position());
    // A drag is no click.
    SendMouse(View(), QEvent::MouseButtonPress, AtomPixel(5), Qt::LeftButton, Qt::LeftButton);
    SendMouse(View(), QEvent::MouseButtonRelease, AtomPixel(5) + QPoint(10, 0), Qt::LeftButton,
              Qt::NoButton);
    QCOMPARE(Tools()->MeasuredAtoms().size(), std::size_t{2});
    QTest::keyClick(m_form->CheckBox3, Qt::Key_Escape);
    QVERIFY(Tools()->MeasuredAtoms().empty());
    QVERIFY(!Tools()->MeasureLabel->isVisible());
    QCOMPARE(int(m_form->GLScene1->Objects().Children().size()), objects);
  }

  // The legend is off at start, L shows it over the view (not in the picture) and hides it.
  void legendToggles() {
    Build(DistortedExample);
    QLabel* legend = Tools()->Legend;
    QVERIFY(!legend->isVisible());
    QVERIFY(!Tools()->LegendAction->isChecked());
    const QImage frame = Frame();
    QTest::keyClick(View(), Qt::Key_L);
    QVERIFY(legend->isVisible());
    QVERIFY(legend->text().contains("Атомы") && legend->text().contains("Связи"));
    QVERIFY(legend->text().contains("1.50 Å"));
    QVERIFY(View()->rect().contains(legend->geometry()));
    QVERIFY(Frame() == frame);
    QTest::keyClick(View(), Qt::Key_L);
    QVERIFY(!legend->isVisible());
  }

  // The translucent ellipsoid is lit and blended, so no pixel keeps the wire frame's flat
  // colour and the atoms behind it show; switched off, the wire frame is back to the pixel.
  void translucentEllipsoid() {
    Build(DistortedExample);
    QTest::keyClick(View(), Qt::Key_F);
    m_form->ToolButton3->click();
    const QImage wire = Frame();
    const auto wirePixels = [](const QImage& image) {
      int count = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == qRgb(70, 200, 210);
      return count;
    };
    QVERIFY(wirePixels(wire) > 5000);
    Tools()->TranslucentAction->trigger();
    const QImage translucent = Frame();
    QCOMPARE(wirePixels(translucent), 0);
    QVERIFY(translucent.pixel(View()->width() / 2, View()->height() / 2) != qRgb(128, 128, 128));
    Tools()->TranslucentAction->trigger();
    QVERIFY(Frame() == wire);
  }

  void toolBarReadOuts() {
    for (QToolButton* button : {m_form->ToolButton1, m_form->ToolButton2, m_form->ToolButton3,
                                m_form->ToolButton4, m_form->ToolButton5})
      QVERIFY(!button->toolTip().isEmpty());
    QCOMPARE(m_form->TrackBar1->toolTip(), QStringLiteral("Зелёный цвет связей: 100 из 255"));
    m_form->TrackBar3->setValue(250);
    QCOMPARE(m_form->TrackBar3->toolTip(), QStringLiteral("Радиус атомов: 0.250 Å"));
    m_form->TrackBar2->setValue(15);
    QCOMPARE(m_form->TrackBar2->toolTip(), QStringLiteral("Толщина связей: 1.5 пикс."));
    QCOMPARE(m_form->TrackBar4->toolTip(),
             QStringLiteral("Наибольшая длина связи: 1.50 Å (при следующем построении)"));
  }
};

QTEST_MAIN(ViewToolsTest)
#include "viewtools_test.moc"
