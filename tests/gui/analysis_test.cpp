// The window's analysis buttons: approximation, diagonals and characteristics append what the
// core builds, store its results, and show the messages of rejected fields and singular
// matrices without appending or storing anything. The numerics themselves are tested in the
// core's own tests; here the example file goes through the real window and the command-line
// tool, and the two must agree line for line.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/analysisstate.h"
#include "app/dialogs.h"
#include "app/fitprogress.h"
#include "app/ovalon.h"
#include "app/reportpane.h"
#include "cli/reportcommand.h"
#include "report/fitrun.h"
#include "tests/gui/fakedialogs.h"

using ovalon::FakeDialogs;
using ovalon::TForm1;

namespace {

using Lines = std::vector<std::string>;

const QString ExampleFile = QStringLiteral(OVALON_SOURCE_DIR "/examples/c60_distorted.xyz");

Lines SplitLines(const std::string& text) {
  Lines lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

/// The lines appended to a pane after its initial line.
Lines Appended(const QPlainTextEdit* pane) {
  Lines lines = ovalon::PaneLines(*pane);
  lines.erase(lines.begin());
  return lines;
}

}  // namespace

class AnalysisTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<FakeDialogs> m_dialogs;
  std::unique_ptr<TForm1> m_form;

  void LoadExample() {
    m_dialogs->answers = {ExampleFile};
    m_form->Button1->click();
    m_form->Button2->click();
    QVERIFY2(m_dialogs->messages.isEmpty(), qPrintable(m_dialogs->messages.join('\n')));
  }

  /// Runs ovalon-report on the example with the given options; returns its standard output.
  static Lines Report(std::vector<std::string> args, int expectedStatus = 0) {
    args.push_back(ExampleFile.toStdString());
    std::ostringstream out, err;
    const int status = ovalon::RunReportCommand(args, out, err);
    if (status != expectedStatus) qWarning("ovalon-report: %s", err.str().c_str());
    return status == expectedStatus ? SplitLines(out.str()) : Lines{"<status>"};
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

  // The window and ovalon-report give the same lines for the same settings.
  void windowAndCommandLineAgree_data() {
    QTest::addColumn<bool>("marquardt");
    QTest::addColumn<bool>("transform");
    QTest::addColumn<bool>("show");
    QTest::newRow("least squares") << false << true << false;
    QTest::newRow("least squares, coordinates listed") << false << true << true;
    QTest::newRow("Levenberg-Marquardt, not transformed") << true << false << false;
  }
  void windowAndCommandLineAgree() {
    QFETCH(bool, marquardt);
    QFETCH(bool, transform);
    QFETCH(bool, show);
    LoadExample();
    m_form->Button3->click();
    (marquardt ? m_form->RadioButton2 : m_form->RadioButton1)->setChecked(true);
    m_form->Edit1->setText("25");
    m_form->Button7->click();
    m_form->CheckBox1->setChecked(transform);
    m_form->CheckBox2->setChecked(show);
    m_form->Button12->click();
    QVERIFY(m_dialogs->messages.isEmpty());

    std::vector<std::string> args = {"--diagonals", "--cycles", "25"};
    if (marquardt) args.insert(args.end(), {"--method", "lm"});
    if (!transform) args.push_back("--no-transform");
    if (show) args.push_back("--show-coords");
    Lines window = Appended(m_form->Memo2);
    const Lines memo3 = Appended(m_form->Memo3);
    window.insert(window.end(), memo3.begin(), memo3.end());
    QCOMPARE(window, Report(args));
    QCOMPARE(Appended(m_form->Memo2).size(), size_t(68 + 81));
  }

  void approximationStoresItsResult() {
    LoadExample();
    m_form->Button7->click();
    const ovalon::AnalysisState& state = TForm1::State();
    QCOMPARE(state.InversePrecision, ovalon::Extended(1e-10));
    QCOMPARE(state.RotationPrecision, ovalon::Extended(1e-20));
    QCOMPARE(state.FitParams.at(10), ovalon::Extended(1));
    QCOMPARE(state.FitErrors.at(10), ovalon::Extended(0));
    QVERIFY(state.FitParams.at(1) < 0 && state.FitErrors.at(1) != 0);

    // A Levenberg–Marquardt run replaces the quadric and keeps the least-squares errors.
    const ovalon::QuadricForm errors = state.FitErrors;
    const ovalon::QuadricForm params = state.FitParams;
    m_form->RadioButton2->setChecked(true);
    m_form->Edit1->setText("0");
    m_form->Edit2->setText("0.5");
    m_form->Button7->click();
    QVERIFY(state.FitErrors == errors);
    QVERIFY(!(state.FitParams == params));
    QCOMPARE(state.FitParams.at(1), ovalon::Extended(0.5));
    QCOMPARE(state.FitParams.at(4), ovalon::Extended(0.25));
    QCOMPARE(Appended(m_form->Memo2).size(), size_t(2 * 81));
  }

  void nothingHappensBeforeCoordinatesAreRead() {
    m_form->Edit6->setText("not a number");
    m_form->Button7->click();
    m_form->Button12->click();
    QVERIFY(m_dialogs->messages.isEmpty());
    QVERIFY(Appended(m_form->Memo2).empty());
    QVERIFY(Appended(m_form->Memo3).empty());
    QCOMPARE(TForm1::State().InversePrecision, ovalon::Extended(0));
  }

  void rejectedFieldKeepsWhatWasReadBefore() {
    LoadExample();
    m_form->RadioButton2->setChecked(true);
    m_form->Edit6->setText("1E-12");
    m_form->Edit1->setText(" ");
    m_form->Button7->click();
    QCOMPARE(m_dialogs->messages,
             QStringList{"information: Проверьте правильности введенных данных!"});
    const ovalon::AnalysisState& state = TForm1::State();
    QCOMPARE(state.InversePrecision, ovalon::Extended(1e-12));
    QCOMPARE(state.RotationPrecision, ovalon::Extended(1e-20));
    QVERIFY(state.FitParams == ovalon::QuadricForm{});
    QVERIFY(Appended(m_form->Memo2).empty());
  }

  void singularMatrixAppendsAndStoresNothing() {
    LoadExample();
    m_form->Button7->click();
    m_form->Button12->click();
    const ovalon::AnalysisState before = TForm1::State();
    const Lines memo2 = ovalon::PaneLines(*m_form->Memo2);
    const Lines memo3 = ovalon::PaneLines(*m_form->Memo3);

    m_form->Edit6->setText("1E10");
    m_form->Button7->click();
    const QString singular =
        QStringLiteral("information: Матрица вырождена при заданной точности обратной матрицы!");
    QCOMPARE(m_dialogs->messages, QStringList{singular});
    const ovalon::AnalysisState& state = TForm1::State();
    QCOMPARE(state.InversePrecision, ovalon::Extended(1e10));  // read before the fit
    QVERIFY(state.FitParams == before.FitParams);
    QVERIFY(state.FitErrors == before.FitErrors);
    QVERIFY(ovalon::PaneLines(*m_form->Memo2) == memo2);

    // The characteristics invert with the stored precision, now 1E10: the centre's matrix is
    // singular to it, and nothing of that run is kept either.
    m_form->Button12->click();
    QCOMPARE(m_dialogs->messages, (QStringList{singular, singular}));
    QVERIFY(state.SemiAxes == before.SemiAxes);
    QVERIFY(state.EllipsoidCentre == before.EllipsoidCentre);
    QVERIFY(state.TransformedCoords == before.TransformedCoords);
    QVERIFY(ovalon::PaneLines(*m_form->Memo3) == memo3);
  }

  // The progress dialog is due once a run has lasted 500 ms, or earlier when, timed for at least
  // 50 ms, its rate says it will last 500 ms in all; never for a run that has ended.
  void progressDialogDue_data() {
    QTest::addColumn<qint64>("elapsed");
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("total");
    QTest::addColumn<bool>("due");
    QTest::newRow("too early to judge") << qint64(49) << 1 << 1000000 << false;
    QTest::newRow("5 s expected") << qint64(50) << 3000 << 300000 << true;
    QTest::newRow("exactly 500 ms expected") << qint64(50) << 1000 << 10000 << true;
    QTest::newRow("400 ms expected") << qint64(100) << 2500 << 10000 << false;
    QTest::newRow("no cycle done yet") << qint64(300) << 0 << 10 << false;
    QTest::newRow("500 ms gone, first cycle running") << qint64(500) << 0 << 10 << true;
    QTest::newRow("500 ms gone, slower than measured") << qint64(500) << 9999 << 10000 << true;
    QTest::newRow("finished") << qint64(2000) << 300000 << 300000 << false;
  }
  void progressDialogDue() {
    QFETCH(qint64, elapsed);
    QFETCH(int, done);
    QFETCH(int, total);
    QFETCH(bool, due);
    QCOMPARE(ovalon::ProgressDialogDue(elapsed, done, total), due);
  }

  // 300,000 cycles take over a second: the dialog is due at the first look, 50 ms
  // in. The fake cancels as it shows, so the run ends there; nothing of it is kept except the
  // precisions, read before the fit as for a rejected field. The window takes no input
  // meanwhile: a click on "Очистить" or "Аппроксимация" during the run does nothing.
  void longRunShowsProgressAndCancelKeepsEverything() {
    LoadExample();
    m_form->Button7->click();  // least squares: FitParams and FitErrors now hold a fit
    const ovalon::AnalysisState before = TForm1::State();
    const Lines memo2 = ovalon::PaneLines(*m_form->Memo2);
    QCOMPARE(m_dialogs->progressDialogs, QStringList{});  // least squares shows no progress

    m_form->RadioButton2->setChecked(true);
    m_form->Edit1->setText("300000");
    m_form->Edit6->setText("1E-11");
    m_form->Edit7->setText("1E-19");
    m_dialogs->progressCancel = ovalon::FakeCancel::WhenShown;
    m_dialogs->onProgressShown = [this] {
      QTest::mouseClick(m_form->Button4, Qt::LeftButton);
      QTest::mouseClick(m_form->Button7, Qt::LeftButton);
    };
    QElapsedTimer clock;
    clock.start();
    m_form->Button7->click();
    QVERIFY2(clock.elapsed() < 3000, "the run was not abandoned");

    QCOMPARE(m_dialogs->progressDialogs,
             QStringList{"progress: Уточнение параметров…: Отмена: 300000"});
    QCOMPARE(m_dialogs->progressShown, 1);
    QVERIFY(m_dialogs->messages.isEmpty());
    QVERIFY(ovalon::PaneLines(*m_form->Memo2) == memo2);
    const ovalon::AnalysisState& state = TForm1::State();
    QVERIFY(state.FitParams == before.FitParams);
    QVERIFY(state.FitErrors == before.FitErrors);
    QCOMPARE(state.InversePrecision, ovalon::Extended(1e-11));
    QCOMPARE(state.RotationPrecision, ovalon::Extended(1e-19));
  }

  // 100 cycles end long before the first look at the progress: no dialog shows.
  void shortRunShowsNoProgress() {
    LoadExample();
    m_form->RadioButton2->setChecked(true);
    m_form->Button7->click();
    QCOMPARE(m_dialogs->progressDialogs.size(), 1);
    QCOMPARE(m_dialogs->progressShown, 0);
    QCOMPARE(Appended(m_form->Memo2).size(), size_t(81));
  }

  // A run cancelled at the first look (50 ms into about half a second) and then repeated gives
  // the report and the quadric of the same run computed by RunFit on this thread.
  void cancelledThenRepeatedRunIsTheUninterruptedRun() {
    LoadExample();
    m_form->RadioButton2->setChecked(true);
    m_form->Edit1->setText("100000");
    m_form->Edit3->setText("0.01");
    m_dialogs->progressCancel = ovalon::FakeCancel::AtOnce;
    m_form->Button7->click();
    QVERIFY(Appended(m_form->Memo2).empty());
    QVERIFY(TForm1::State().FitParams == ovalon::QuadricForm{});

    m_dialogs->progressCancel = ovalon::FakeCancel::Never;
    m_form->Button7->click();
    ovalon::FitSettings settings;
    settings.leastSquares = false;
    settings.cycles = "100000";
    settings.lambda = "0.01";
    const ovalon::AnalysisState& state = TForm1::State();
    const ovalon::FitRunResult whole =
        ovalon::RunFit(state.AtomCoords, state.CoordErrors, settings, ".");
    QCOMPARE(whole.status, ovalon::FitStatus::Done);
    QCOMPARE(Appended(m_form->Memo2), whole.lines);
    QVERIFY(state.FitParams == *whole.fitParams);
    QCOMPARE(m_dialogs->progressDialogs.size(), 2);
  }

  // The real dialog: modal, with its label, "done из total" and the cancel button, which ends
  // the run with nothing kept.
  void realProgressDialogCancels() {
    LoadExample();
    ovalon::StandardDialogs real;
    TForm1 form(&real);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.RadioButton2->setChecked(true);
    form.Edit1->setText("300000");
    QString seen;
    auto* timer = new QTimer(this);
    timer->setInterval(10);
    connect(timer, &QTimer::timeout, this, [&, timer] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr) return;
      timer->stop();
      timer->deleteLater();
      const auto* bar = modal->findChild<QProgressBar*>();
      const auto* label = modal->findChild<QLabel*>();
      auto* cancel = modal->findChild<QPushButton*>(QStringLiteral("CancelButton"));
      if (bar == nullptr || label == nullptr || cancel == nullptr) return;
      seen = label->text() + "|" + cancel->text() + "|" + QString::number(bar->maximum()) + "|" +
             (bar->text().endsWith(QStringLiteral(" из 300000")) ? "из" : bar->text());
      QTest::mouseClick(cancel, Qt::LeftButton);
    });
    timer->start();
    QElapsedTimer clock;
    clock.start();
    form.Button7->click();
    QCOMPARE(seen, QStringLiteral("Уточнение параметров…|Отмена|300000|из"));
    QVERIFY2(clock.elapsed() < 3000, "the run was not abandoned");
    QVERIFY(Appended(form.Memo2).empty());
    QVERIFY(TForm1::State().FitParams == ovalon::QuadricForm{});
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
  }

  void diagonalsStoreTheLongestChord() {
    LoadExample();
    m_form->Button3->click();
    const ovalon::AnalysisState& state = TForm1::State();
    QCOMPARE(Appended(m_form->Memo2).size(), size_t(68));
    QVERIFY(state.DiagonalLength > 7 && state.DiagonalLength < 9);
    for (int k = 0; k < 3; ++k)
      QCOMPARE(state.DiagonalVector[k], state.DiagonalEnd[k] - state.DiagonalStart[k]);
    double longest = 0;
    for (int i = 1; i <= 60; ++i) longest = std::max(longest, state.AtomMaxDistance.at(i));
    QCOMPARE(longest, state.DiagonalLength);
  }

  void characteristicsStoreTheEllipsoid() {
    LoadExample();
    m_form->Button7->click();
    m_form->CheckBox1->setChecked(false);
    m_form->Button12->click();
    const ovalon::AnalysisState& state = TForm1::State();
    QVERIFY(state.TransformedCoords == state.AtomCoords);
    for (double axis : state.SemiAxes) QVERIFY(axis > 3 && axis < 4.5);
    QVERIFY(std::abs(state.EllipsoidCentre[0] - 1.5) < 0.01);

    m_form->CheckBox1->setChecked(true);
    m_form->Button12->click();
    QVERIFY(!(state.TransformedCoords == state.AtomCoords));
    QVERIFY(m_dialogs->messages.isEmpty());
  }
};

QTEST_MAIN(AnalysisTest)
#include "analysis_test.moc"
