// Program start: the floating-point environment, the window, the event loop. The 3D view asks
// for its own OpenGL format; the window composes it without depth or multisampling.

#include <QApplication>
#include <clocale>

#include "app/dialogs.h"
#include "app/ovalon.h"
#include "app/qttranslations.h"
#include "core/fpenvironment.h"
#include "report/decimalseparator.h"

int main(int argc, char* argv[]) {
  ovalon::SetExtendedFloatingPointEnvironment();

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
