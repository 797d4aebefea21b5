// Program start: the floating-point environment, the window, the event loop. The 3D view asks
// for its own OpenGL format; the window composes it without depth or multisampling.

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

#include "app/dialogs.h"
#include "app/ovalon.h"
#include "app/qttranslations.h"
#include "core/fpenvironment.h"
#include "report/decimalseparator.h"

namespace {

/// Whether the windowing system can be reached: a platform named by the user (QT_QPA_PLATFORM
/// or -platform, as the tests' offscreen and xcb set-ups do), or an X11 or Wayland display.
bool DisplayAvailable(int argc, char* argv[]) {
  if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0) return true;
  }
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

struct StartupMessage {
  QtMsgType type;
  QByteArray category;
  QString text;
};

/// Qt's messages while the application starts, held back: when the platform cannot start, Qt
/// aborts with several lines; the program ends with one line and status 1 instead.
std::vector<StartupMessage> HeldMessages;

void HoldStartupMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    // The first message usually names the cause ("could not connect to display :1").
    const QString reason = HeldMessages.empty() ? text : HeldMessages.front().text;
    std::fprintf(stderr, "ovalon: the window cannot start: %s\n",
                 reason.section(QLatin1Char('\n'), 0, 0).toLocal8Bit().constData());
    std::_Exit(1);
  }
  HeldMessages.push_back({type, context.category, text});
}

/// Passes the held messages on, now that the application has started.
void ReleaseStartupMessages(QtMessageHandler handler) {
  for (const StartupMessage& message : HeldMessages)
    handler(message.type, QMessageLogContext(nullptr, 0, nullptr, message.category.constData()),
            message.text);
  HeldMessages.clear();
}

}  // namespace

int main(int argc, char* argv[]) {
  ovalon::SetExtendedFloatingPointEnvironment();
  if (!DisplayAvailable(argc, argv)) {
    std::fputs(
        "ovalon: the window needs a display, but neither DISPLAY nor WAYLAND_DISPLAY is set "
        "(use xvfb-run or ssh -X; ovalon-report gives the reports without one)\n",
        stderr);
    return 1;
  }

  const QtMessageHandler defaultHandler = qInstallMessageHandler(HoldStartupMessage);
  QApplication application(argc, argv);
  qInstallMessageHandler(defaultHandler);
  ReleaseStartupMessages(defaultHandler);
  ovalon::InstallRussianQtTranslations(application);

  ovalon::SetDecimalSeparatorFromLocale();
  // QApplication adopts the user's locale for the C library; the reports carry their own decimal
  // separator, so the C library's number conversions stay those of the "C" locale.
  std::setlocale(LC_NUMERIC, "C");

  try {
    ovalon::StandardDialogs dialogs;
    ovalon::TForm1 window(&dialogs);
    ovalon::Form1 = &window;
    window.show();
    const int status = application.exec();
    ovalon::Form1 = nullptr;
    return status;
  } catch (const std::exception& error) {
    // The handlers report their own errors; this is building the window running out of memory.
    std::fprintf(stderr, "ovalon: %s\n", error.what());
    return 1;
  }
}
