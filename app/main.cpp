// Program start: the floating-point environment, the OpenGL surface, the window, the event loop.

#include <QApplication>
#include <QSurfaceFormat>
#include <clocale>

#include "app/dialogs.h"
#include "app/ovalon.h"
#include "app/qttranslations.h"
#include "core/fpenvironment.h"
#include "report/decimalseparator.h"

int main(int argc, char* argv[]) {
  ovalon::SetExtendedFloatingPointEnvironment();

  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setVersion(2, 1);
  format.setDepthBufferSize(24);
  format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
  format.setSamples(4);
  QSurfaceFormat::setDefaultFormat(format);

  QApplication application(argc, argv);
  ovalon::InstallRussianQtTranslations(application);
  ovalon::SetDecimalSeparatorFromLocale();
  // QApplication adopts the user's locale for the C library; the reports carry their own decimal
  // separator, so the C library's number conversions stay those of the "C" locale.
  std::setlocale(LC_NUMERIC, "C");

  ovalon::StandardDialogs dialogs;
  ovalon::TForm1 window(&dialogs);
  ovalon::Form1 = &window;
  window.show();
  const int status = application.exec();
  ovalon::Form1 = nullptr;
  return status;
}
