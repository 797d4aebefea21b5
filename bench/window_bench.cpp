// The main window as the user meets it, under an X server with Mesa's software renderer:
//   QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" ./window_bench
// - StartUp: from launching the ovalon program to its window painted on the screen.
// - Memory: the resident size after each step towards the full scene (counters in MiB): the
//   window shown, the fourth tab shown, atoms, bonds, numbers and axes built, the ellipsoid
//   shown.
// - Drag: the full scene (60 atoms, bonds, atom numbers, axes, both halves of the ellipsoid)
//   in the window at its design size, dragged with real X input from xdotool. Counters: frames
//   per second while dragging, the median time from the start of a frame's drawing until it is
//   on the screen, the wire-frame stride of the last frame of the drag, the resident size.

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "app/dialogs.h"
#include "app/ovalon.h"
#include "app/viewtools.h"
#include "view3d/qt/glsceneviewer.h"

namespace {

using namespace ovalon;

const QString Example = QStringLiteral(OVALON_SOURCE_DIR "/examples/c60_distorted.xyz");

/// The application as the program makes it (no default surface format).
void EnsureApplication() {
  static int argc = 1;
  static char name[] = "window_bench";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
}

/// Answers the open dialog with the example and ignores everything else.
class ExampleDialogs : public Dialogs {
 public:
  QString openFileName(QWidget*, const QString&, const QString&) override { return Example; }
  QString saveFileName(QWidget*, const QString&, const QString&) override { return {}; }
  ImageSaveChoice saveImageFileName(QWidget*, const QString&, const ImageSaveChoice&) override {
    return {};
  }
  std::unique_ptr<ProgressDialog> progressDialog(QWidget*, const QString&, const QString&,
                                                 int) override {
    return nullptr;
  }
  void information(QWidget*, const QString&) override {}
  void warning(QWidget*, const QString&) override {}
  void critical(QWidget*, const QString&) override {}
};

/// Resident set size of this process in MiB.
double ResidentMiB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmRSS:"))
      return line.mid(6).trimmed().split(' ').front().toDouble() / 1024;
  }
  return 0;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

/// Waits for the next swapped frame of the view, at most `ms` milliseconds.
bool WaitForFrame(TGLSceneViewer* view, int ms) {
  QEventLoop loop;
  QObject::connect(view, &QOpenGLWidget::frameSwapped, &loop, &QEventLoop::quit);
  QTimer::singleShot(ms, &loop, [&loop] { loop.exit(1); });
  return loop.exec() == 0;
}

/// Waits for the frame that a change scheduled, and a little for the window to settle.
void Settle(TGLSceneViewer* view) {
  WaitForFrame(view, 10000);
  QTest::qWait(300);
}

/// Analyses the example and shows the fourth tab.
void Analyse(TForm1& form) {
  form.Button1->click();
  form.Button2->click();
  form.Button7->click();
  form.Button12->click();
  form.PageControl1->setCurrentIndex(3);
}

/// Atoms, bonds, atom numbers and axes, framed from outside.
void BuildMolecule(TForm1& form) {
  form.ToolButton4->click();
  form.ToolButton1->click();
  form.ToolButton2->click();
  form.GLSceneTools->FrameAllAction->trigger();
}

void BM_Memory(benchmark::State& state) {
  EnsureApplication();
  for (auto _ : state) {
    ExampleDialogs dialogs;
    auto form = std::make_unique<TForm1>(&dialogs);
    TGLSceneViewer* view = form->GLSceneViewer1;
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get())) {
      state.SkipWithError("no window (run under Xvfb with QT_QPA_PLATFORM=xcb)");
      return;
    }
    QTest::qWait(300);
    state.counters["1_window"] = ResidentMiB();
    Analyse(*form);
    Settle(view);
    state.counters["2_tab4"] = ResidentMiB();
    BuildMolecule(*form);
    Settle(view);
    state.counters["3_molecule"] = ResidentMiB();
    form->ToolButton3->click();
    Settle(view);
    state.counters["4_ellipsoid"] = ResidentMiB();
  }
}
BENCHMARK(BM_Memory)->Iterations(1)->Unit(benchmark::kMillisecond);

/// Counts the frames of a view and times each from the start of its drawing (the widget's
/// paint event) to its swap.
class FrameClock : public QObject {
 public:
  explicit FrameClock(TGLSceneViewer* view) : m_view(view) {
    m_clock.start();
    view->installEventFilter(this);
    connect(view, &QOpenGLWidget::frameSwapped, this, [this] {
      swaps.push_back(m_clock.nsecsElapsed());
      if (m_paintStart >= 0) frameMs.push_back((swaps.back() - m_paintStart) / 1e6);
      m_paintStart = -1;
    });
  }
  ~FrameClock() override { m_view->removeEventFilter(this); }
  qint64 Now() const { return m_clock.nsecsElapsed(); }

  std::vector<qint64> swaps;
  std::vector<double> frameMs;

 private:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) m_paintStart = m_clock.nsecsElapsed();
    return false;
  }

  TGLSceneViewer* m_view;
  QElapsedTimer m_clock;
  qint64 m_paintStart = -1;
};

/// xdotool's arguments for a drag with the left button from `start`: 150 moves of 2 pixels to
/// the right and 150 back, 8 ms apart like a mouse reporting at 125 Hz.
QStringList DragArguments(QPoint start) {
  QStringList args = {QStringLiteral("mousemove"), QString::number(start.x()),
                      QString::number(start.y()), QStringLiteral("mousedown"), QStringLiteral("1")};
  for (int i = 0; i < 300; ++i) {
    args << QStringLiteral("mousemove_relative") << QStringLiteral("--")
         << QString::number(i < 150 ? 2 : -2) << QStringLiteral("1") << QStringLiteral("sleep")
         << QStringLiteral("0.008");
  }
  args << QStringLiteral("mouseup") << QStringLiteral("1");
  return args;
}

void BM_Drag(benchmark::State& state) {
  EnsureApplication();
  ExampleDialogs dialogs;
  auto form = std::make_unique<TForm1>(&dialogs);
  form->show();
  Analyse(*form);
  BuildMolecule(*form);
  form->ToolButton3->click();
  TGLSceneViewer* view = form->GLSceneViewer1;
  if (!WaitForFrame(view, 10000)) {
    state.SkipWithError("the view drew nothing (run under Xvfb with QT_QPA_PLATFORM=xcb)");
    return;
  }
  Settle(view);
  state.counters["rss_MiB"] = ResidentMiB();

  FrameClock frames(view);
  const QPoint start = view->mapToGlobal(view->rect().center()) - QPoint(150, 0);
  for (auto _ : state) {
    frames.swaps.clear();
    frames.frameMs.clear();
    QProcess xdotool;
    QEventLoop loop;
    QObject::connect(&xdotool, &QProcess::finished, &loop, &QEventLoop::quit);
    const qint64 begin = frames.Now();
    xdotool.start(QStringLiteral("xdotool"), DragArguments(start));
    if (!xdotool.waitForStarted()) {
      state.SkipWithError("xdotool is missing");
      return;
    }
    loop.exec();
    const qint64 end = frames.Now();
    state.SetIterationTime((end - begin) / 1e9);
    state.counters["stride"] = view->LastStride();
    std::vector<qint64> during;
    for (qint64 t : frames.swaps) {
      if (t >= begin && t <= end) during.push_back(t);
    }
    if (during.size() >= 2) {
      state.counters["frames_per_second"] =
          (during.size() - 1) / ((during.back() - during.front()) / 1e9);
    }
    state.counters["paint_to_swap_ms"] = Median(frames.frameMs);
    WaitForFrame(view, 1000);  // the full frame after the drag
  }
}
BENCHMARK(BM_Drag)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

/// True once the 8 × 8 pixels around the screen's centre are all white: the first tab's text
/// pane of the centred window is painted there, while an empty Xvfb screen shows its
/// black-and-white weave.
bool CentrePainted() {
  QScreen* screen = QGuiApplication::primaryScreen();
  const QPoint c = screen->geometry().center();
  const QImage image = screen->grabWindow(0, c.x() - 4, c.y() - 4, 8, 8).toImage();
  if (image.isNull()) return false;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) return false;
    }
  }
  return true;
}

/// Launch to first paint of the real program, looked for every 5 ms; each iteration starts it
/// anew and closes it.
void BM_StartUp(benchmark::State& state) {
  EnsureApplication();
  if (CentrePainted()) {
    state.SkipWithError("the screen's centre is white already");
    return;
  }
  for (auto _ : state) {
    QProcess program;
    QElapsedTimer clock;
    clock.start();
    program.start(QStringLiteral(OVALON_PROGRAM), {});
    if (!program.waitForStarted()) {
      state.SkipWithError("cannot start ovalon");
      return;
    }
    while (!CentrePainted() && clock.elapsed() < 10000) QThread::msleep(5);
    state.SetIterationTime(clock.nsecsElapsed() / 1e9);
    program.terminate();
    program.waitForFinished();
    while (CentrePainted()) QThread::msleep(5);
  }
}
BENCHMARK(BM_StartUp)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace
