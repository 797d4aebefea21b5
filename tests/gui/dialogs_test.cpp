// The window's real file dialogs on folders whose files block a reader: /proc, /sys, /dev and a
// folder with a FIFO. The dialogs must list them by name and stay responsive. A watchdog thread
// ends the run with a failure when the user-interface thread stops turning over.

#include "app/dialogs.h"

#include <sys/stat.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

namespace {

/// Fails the whole run when the user-interface thread has not counted a tick for `deadline`.
class Watchdog {
 public:
  explicit Watchdog(std::chrono::seconds deadline)
      : m_thread([this, deadline] { Watch(deadline); }) {
    QObject::connect(&m_ticks, &QTimer::timeout, [this] { ++m_count; });
    m_ticks.start(20);
  }
  ~Watchdog() {
    {
      std::lock_guard lock(m_mutex);
      m_done = true;
    }
    m_wake.notify_one();
    m_thread.join();
  }

 private:
  void Watch(std::chrono::seconds deadline) {
    std::unique_lock lock(m_mutex);
    long last = -1;
    while (!m_wake.wait_for(lock, deadline, [this] { return m_done; })) {
      const long now = m_count.load();
      if (now == last) {
        std::fprintf(stderr, "FAIL: the user-interface thread was blocked for %lld s\n",
                     static_cast<long long>(deadline.count()));
        std::_Exit(EXIT_FAILURE);
      }
      last = now;
    }
  }

  QTimer m_ticks;
  std::atomic<long> m_count{0};
  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_done = false;
  std::thread m_thread;
};

/// Runs `act` on the next file dialog once it is shown, lets it list for a while, then
/// cancels it.
void WorkNextFileDialog(QObject* owner, std::function<void(QFileDialog*)> act) {
  auto* timer = new QTimer(owner);
  timer->setInterval(10);
  auto step = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, owner, [=] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      if (++*step > 500) timer->deleteLater();
      return;
    }
    if (*step >= 0) {
      *step = -1;
      dialog->setViewMode(QFileDialog::Detail);  // the type column asks for every file's kind
      act(dialog);
    } else if (--*step < -80) {  // about 0.8 s of listing and painting
      timer->deleteLater();
      dialog->reject();
    }
  });
  timer->start();
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir m_dir;
  QString FifoFolder() {
    const QString fifo = m_dir.filePath("pipe");
    if (!QFileInfo::exists(fifo)) mkfifo(QFile::encodeName(fifo).constData(), 0600);
    return m_dir.path();
  }

 private slots:
  void foldersOfSpecialFiles_data() {
    QTest::addColumn<QString>("folder");
    QTest::newRow("proc") << "/proc";
    QTest::newRow("sys") << "/sys/kernel";
    QTest::newRow("dev") << "/dev";
    QTest::newRow("fifo") << QString();
  }

  // Each dialog starts in the folder; the save dialog is also sent there by typing the folder's
  // name and pressing Enter, as a user would.
  void foldersOfSpecialFiles() {
    QFETCH(QString, folder);
    if (folder.isEmpty()) folder = FifoFolder();
    if (!QFileInfo(folder).isDir()) QSKIP("no such folder here");
    const Watchdog watchdog(std::chrono::seconds(15));
    ovalon::StandardDialogs dialogs;
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QString listed;
    WorkNextFileDialog(this, [&](QFileDialog* dialog) { listed = dialog->directory().path(); });
    QCOMPARE(dialogs.openFileName(&window, "Файлы координат атомов (*.xyz)", folder), QString());
    QCOMPARE(listed, folder);

    WorkNextFileDialog(this, [&](QFileDialog* dialog) { listed = dialog->directory().path(); });
    QCOMPARE(
        dialogs.saveImageFileName(&window, "Изображение PNG (*.png)", {folder + "/a.png", 1, false})
            .path,
        QString());
    QCOMPARE(listed, folder);

    WorkNextFileDialog(this, [&](QFileDialog* dialog) {
      auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
      QVERIFY(name != nullptr);
      name->setText(folder);
      QTest::keyClick(name, Qt::Key_Return);
      listed = dialog->directory().path();
    });
    QCOMPARE(dialogs.saveFileName(&window, "Текстовый файл (*.txt)", QDir::homePath()), QString());
    QCOMPARE(listed, folder);
  }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
