// Saves a picture of each tab of the main window as tab1.png … tab4.png in the folder given as
// the only argument, for looking at the layout. Run it under xvfb-run.

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTest>

#include "app/dialogs.h"
#include "app/ovalon.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if (argc != 2) return 2;
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  ovalon::StandardDialogs dialogs;
  ovalon::TForm1 window(&dialogs);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  for (int tab = 0; tab < window.PageControl1->count(); ++tab) {
    window.PageControl1->setCurrentIndex(tab);
    QTest::qWait(200);
    if (!window.grab().save(folder.filePath(QStringLiteral("tab%1.png").arg(tab + 1)))) return 1;
  }
  return 0;
}
