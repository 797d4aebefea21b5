#include "app/fitprogress.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <exception>
#include <memory>
#include <thread>

#include "app/dialogs.h"
#include "core/fpenvironment.h"

namespace ovalon {

namespace {

/// How often the window looks at the worker's progress.
constexpr int ProgressTickMs = 50;

const char* const ProgressLabel = "Уточнение параметров…";
const char* const ProgressCancelText = "Отмена";

/// The widget that an event for `receiver` acts on: the receiver itself, or the widget that owns
/// it (a shortcut belongs to its parent widget).
const QWidget* WidgetOf(const QObject* receiver) {
  for (const QObject* object = receiver; object != nullptr; object = object->parent()) {
    if (object->isWidgetType()) return static_cast<const QWidget*>(object);
  }
  return nullptr;
}

/// Keeps the user's input away from one window while it waits for a worker, as a modal dialog
/// would, and lets everything else through: the window keeps painting and resizing.
class InputBlock : public QObject {
 public:
  explicit InputBlock(QWidget* window) : m_window(window) { qApp->installEventFilter(this); }
  ~InputBlock() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!IsInput(event->type())) return false;
    const QWidget* widget = WidgetOf(watched);
    if (widget == nullptr || widget->window() != m_window) return false;
    // A close request is refused, not merely hidden from the window.
    if (event->type() == QEvent::Close) event->ignore();
    return true;
  }

 private:
  static bool IsInput(QEvent::Type type) {
    switch (type) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Shortcut:
      case QEvent::ShortcutOverride:
      case QEvent::ContextMenu:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
      case QEvent::Close:
        return true;
      default:
        return false;
    }
  }

  QWidget* m_window;
};

}  // namespace

bool ProgressDialogDue(std::int64_t elapsedMs, int done, int total) {
  constexpr std::int64_t MinimumTimingMs = 50;
  if (done >= total) return false;
  if (elapsedMs >= ProgressDialogDelayMs) return true;
  if (elapsedMs < MinimumTimingMs || done <= 0) return false;
  const double expectedMs = static_cast<double>(elapsedMs) * total / done;
  return expectedMs >= ProgressDialogDelayMs;
}

FitOutcome ComputeFitWithProgress(QWidget* window, Dialogs& dialogs, const PointSet& coords,
                                  const PointSet& errors, const FitPlan& plan) {
  const int total = plan.marquardt.refinementCycles;
  if (plan.leastSquares || total <= 0) return ComputeFit(coords, errors, plan);

  InputBlock block(window);
  std::atomic<int> done{0};
  std::atomic<bool> cancel{false};
  FitOutcome outcome;
  std::exception_ptr failure;
  QEventLoop loop;
  QElapsedTimer clock;
  clock.start();
  std::thread worker([&] {
    // The x87 control word belongs to the thread: without this the worker would compute with
    // whatever precision it was started with.
    SetExtendedFloatingPointEnvironment();
    try {
      outcome = ComputeFit(coords, errors, plan, [&](int cycles) {
        done.store(cycles, std::memory_order_relaxed);
        return !cancel.load(std::memory_order_relaxed);
      });
    } catch (...) {
      failure = std::current_exception();
    }
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });

  const std::unique_ptr<ProgressDialog> dialog = dialogs.progressDialog(
      window, QString::fromUtf8(ProgressLabel), QString::fromUtf8(ProgressCancelText), total);
  bool shown = false;
  QTimer ticks;
  ticks.setInterval(ProgressTickMs);
  QObject::connect(&ticks, &QTimer::timeout, [&] {
    const int cycles = done.load(std::memory_order_relaxed);
    if (!shown && ProgressDialogDue(clock.elapsed(), cycles, total)) {
      dialog->show();
      shown = true;
    }
    if (shown) dialog->setValue(cycles);
    if (dialog->canceled()) cancel.store(true, std::memory_order_relaxed);
  });
  ticks.start();
  loop.exec();
  worker.join();
  ticks.stop();

  if (failure) std::rethrow_exception(failure);
  if (dialog->canceled()) outcome.end = FitEnd::Cancelled;
  return outcome;
}

}  // namespace ovalon
