// The window's analysis buttons: approximation, diagonals and characteristics append what the
// core builds, store its results, and show the messages of rejected fields and singular
// matrices without appending or storing anything. The numerics themselves are tested in the
// core's own tests; here the example file goes through the real window and the command-line
// tool, and the two must agree line for line.

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/analysisstate.h"
#include "app/dialogs.h"
#include "app/ovalon.h"
#include "app/reportpane.h"
#include "cli/reportcommand.h"
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
