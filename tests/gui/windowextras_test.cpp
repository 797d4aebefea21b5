// The window as a chemist expects it, beyond its specified controls: the file name in the
// title, the located bad field of a coordinate text and the named field of a rejected run,
// tab-separated files, the minimum size, Qt's own texts in Russian, and the word that a
// Levenberg–Marquardt run was cancelled.

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/analysisstate.h"
#include "app/ovalon.h"
#include "app/qttranslations.h"
#include "app/reportpane.h"
#include "tests/gui/fakedialogs.h"

using ovalon::TForm1;

namespace {

const QString DistortedExample = QStringLiteral(OVALON_SOURCE_DIR "/examples/c60_distorted.xyz");

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class WindowExtrasTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<ovalon::FakeDialogs> m_dialogs;
  std::unique_ptr<TForm1> m_form;
  QTemporaryDir m_dir;

  ovalon::AnalysisState& State() { return TForm1::State(); }

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

  void fileNameInTheTitle() {
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Ovalon"));
    m_dialogs->answers = {DistortedExample};
    m_form->Button1->click();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Ovalon — c60_distorted.xyz"));
    m_form->Button1->click();  // cancelled: the title stays
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Ovalon — c60_distorted.xyz"));
  }

  // The specified message, and as its details the line number and the line with the bad field
  // marked.
  void formatErrorDetails() {
    ovalon::SetPaneLines(*m_form->Memo1, {"60", "comment", "C  1.0  2.0  3.0", "C  4.0  5,5  6.0"});
    m_form->Button2->click();
    QCOMPARE(m_dialogs->messages, QStringList{"information: Неправильный формат строк файла!"});
    QCOMPARE(m_dialogs->messageDetails,
             QStringList{QStringLiteral("|Строка 4, число 2:\nC  4.0  «5,5»  6.0")});
  }

  // The specified message names the field that failed by its label, with the text it held,
  // and the focus goes to it.
  void rejectedFieldIsNamed() {
    m_dialogs->answers = {DistortedExample};
    m_form->Button1->click();
    m_form->Button2->click();
    m_form->PageControl1->setCurrentIndex(1);
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    m_form->Edit6->setText("abc");
    m_form->Button7->click();
    m_form->Edit6->setText("1E-10");
    m_form->RadioButton2->setChecked(true);
    m_form->Edit3->setText("1,5");
    m_form->Button7->click();
    QCOMPARE(
        m_dialogs->messages,
        QStringList(2, QStringLiteral("information: Проверьте правильности введенных данных!")));
    QCOMPARE(m_dialogs->messageDetails,
             (QStringList{QStringLiteral("Точность определения обратной матрицы: «abc»|"),
                          QStringLiteral("Начальное значение параметр регуляризации: «1,5»|")}));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(m_form->Edit3));
  }

  // A file whose fields are separated by tabs reads like the spaced original.
  void tabSeparatedFile() {
    QByteArray text = FileBytes(DistortedExample);
    QVERIFY(!text.isEmpty());
    m_dialogs->answers = {DistortedExample};
    m_form->Button1->click();
    m_form->Button2->click();
    const ovalon::AnalysisState spaced = State();
    TForm1::State() = ovalon::AnalysisState{};
    const QString tabbed = m_dir.filePath("tabbed.xyz");
    QFile file(tabbed);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.replace("  ", "\t"));
    file.close();
    m_dialogs->answers = {tabbed};
    m_form->Button1->click();
    QVERIFY(m_form->Memo1->toPlainText().contains('\t'));
    m_form->Button2->click();
    QVERIFY2(m_dialogs->messages.isEmpty(), qPrintable(m_dialogs->messages.join('\n')));
    QVERIFY(State().AtomCoords == spaced.AtomCoords);
    QVERIFY(State().CoordErrors == spaced.CoordErrors);
  }

  // Smaller than 900 × 600 is refused; at the smallest size every control of every tab lies
  // inside its page and the panes keep some height.
  void minimumSizeCutsNothingOff() {
    m_form->resize(900, 600);
    QTRY_VERIFY(m_form->width() >= m_form->minimumWidth());
    const QSize smallest = m_form->minimumSize();
    QVERIFY(smallest.width() > 900 && smallest.height() < 765);
    m_form->resize(smallest);
    QTRY_COMPARE(m_form->size(), smallest);
    for (int tab = 0; tab < 4; ++tab) {
      m_form->PageControl1->setCurrentIndex(tab);
      QWidget* page = m_form->PageControl1->currentWidget();
      for (QWidget* control : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        // The empty Label7 shows nothing that could be cut off.
        const auto* label = qobject_cast<QLabel*>(control);
        if (control->isHidden() || (label != nullptr && label->text().isEmpty())) continue;
        QVERIFY2(page->rect().contains(control->geometry()),
                 qPrintable(control->objectName() + " on tab " + QString::number(tab + 1)));
      }
    }
    for (QPlainTextEdit* pane : {m_form->Memo1, m_form->Memo2, m_form->Memo3})
      QVERIFY(pane->height() >= 100);
    QVERIFY(m_form->GroupBox2->geometry().left() >= 0);
  }

  // Qt's own texts (file dialogs, buttons, context menus) come in Russian, whatever the locale.
  void qtTextsInRussian() {
    QVERIFY(ovalon::InstallRussianQtTranslations(*qApp));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Перейти к:"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
  }

  // A cancelled run says so once over the report pane, without a box, and the pane keeps its text.
  void cancelledRunSaysSo() {
    m_dialogs->answers = {DistortedExample};
    m_form->Button1->click();
    m_form->Button2->click();
    m_form->PageControl1->setCurrentIndex(1);
    m_form->RadioButton2->setChecked(true);
    m_form->Edit1->setText("1000000");
    m_dialogs->progressCancel = ovalon::FakeCancel::AtOnce;
    const QString before = m_form->Memo2->toPlainText();
    m_form->Button7->click();
    QCOMPARE(m_form->Memo2->toPlainText(), before);
    QVERIFY(m_dialogs->messages.isEmpty());
    auto* notice = m_form->Memo2->findChild<QLabel*>("TransientNotice");
    QVERIFY(notice != nullptr && notice->isVisible());
    QVERIFY(notice->text().contains("отменён"));
    QVERIFY(m_form->Memo2->rect().contains(notice->geometry()));
    QTRY_VERIFY_WITH_TIMEOUT(!notice->isVisible(), 10000);
  }
};

QTEST_MAIN(WindowExtrasTest)
#include "windowextras_test.moc"
