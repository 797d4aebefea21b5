// The main window: its controls at their initial values, anchors, the window's own handlers,
// the report panes' clear and save buttons, loading and reading a coordinate file, and opening
// structure files (CIF, PDB, extended XYZ) as the coordinate text of their cage. Dialogs are
// answered by a fake; one test drives the real dialogs and closes them with a timer.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/cagesummary.h"
#include "app/analysisstate.h"
#include "app/dialogs.h"
#include "app/ovalon.h"
#include "app/reportpane.h"
#include "cli/summary.h"
#include "input/coordinatereader.h"
#include "input/textfile.h"
#include "report/decimalseparator.h"
#include "report/messages.h"
#include "structure/structure.h"
#include "tests/gui/fakedialogs.h"
#include "tests/support/files.h"
#include "view3d/qt/glsceneviewer.h"

using ovalon::TForm1;

namespace {

using Lines = std::vector<std::string>;

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QByteArray("<missing>");
  return file.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

/// The filters of "Открыть файл": the coordinate text first, then the structure files, then
/// every file.
const QString OpenFilter = QStringLiteral(
    "Файлы координат атомов (*.xyz);;Кристаллографические файлы (*.cif *.mmcif);;"
    "Файлы PDB (*.pdb *.ent);;Файлы расширенного XYZ (*.extxyz);;Все файлы (*)");

/// The pane's lines, for comparisons that print both sides on failure.
QStringList PaneText(const QPlainTextEdit* pane) {
  QStringList lines;
  for (const std::string& line : ovalon::PaneLines(*pane)) lines << Utf8(line);
  return lines;
}

/// Calls `inspect` with the next modal dialog that opens, then runs `close` on it. The timer
/// fires inside the dialog's own event loop; it gives up after five seconds so that a dialog
/// of another kind cannot hang the test.
void HandleNextModal(QObject* owner, std::function<void(QDialog*)> inspect,
                     std::function<void(QDialog*)> close) {
  auto* timer = new QTimer(owner);
  timer->setInterval(10);
  auto ticks = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, owner, [=] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      inspect(dialog);
      close(dialog);
    } else if (++*ticks > 500) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start();
}

QString Example(const char* name) {
  return QString::fromStdString(ovalon::test::ExamplePath(name));
}

/// The atom lines "C  x  y  z" of examples/c70.xyz as an extended XYZ frame.
QByteArray C70ExtendedXyz() {
  QByteArray atoms;
  int count = 0;
  const std::string bytes = ovalon::test::ReadFile(ovalon::test::ExamplePath("c70.xyz"));
  for (const std::string& line : ovalon::DecodeTextLines(bytes))
    if (!line.empty() && line[0] == 'C') {
      atoms += QByteArray::fromStdString(line) + "\n";
      ++count;
    }
  return QByteArray::number(count) + "\nProperties=species:S:1:pos:R:3\n" + atoms;
}

/// The cage atoms of the example CIF as the reader gives them, picked by their labels (the
/// solvent's carbon is C1S) rather than by the cage finder that the window uses.
void ExampleCifCage(ovalon::PointSet& coords, ovalon::PointSet& sigma) {
  const std::vector<ovalon::Structure> structures =
      ovalon::ReadStructures(ovalon::test::ReadFile(ovalon::test::ExamplePath("c60_solvate.cif")),
                             "c60_solvate.cif", ovalon::StructureFormat::Cif);
  int k = 0;
  for (const ovalon::StructureAtom& atom : structures.at(0).frames.at(0).atoms) {
    if (atom.element != "C" || atom.label.back() == 'S') continue;
    ++k;
    QVERIFY(k <= 60);
    coords.X.at(k) = atom.position[0];
    coords.Y.at(k) = atom.position[1];
    coords.Z.at(k) = atom.position[2];
    sigma.X.at(k) = atom.sigma[0];
    sigma.Y.at(k) = atom.sigma[1];
    sigma.Z.at(k) = atom.sigma[2];
  }
  QCOMPARE(k, 60);
}

/// The rows of `ovalon-report --summary --format table FILE`, each as its "name  value" pairs.
std::vector<std::map<std::string, std::string>> SummaryTable(const std::string& file) {
  std::istringstream in;
  std::ostringstream out, err;
  ovalon::RunSummaryCommand({"--summary", "--quiet", "--format", "table", file}, in, out, err,
                            false);
  std::vector<std::map<std::string, std::string>> rows(1);
  std::istringstream lines(out.str());
  for (std::string line; std::getline(lines, line);) {
    if (line.empty()) {
      rows.emplace_back();
      continue;
    }
    const std::size_t gap = line.find(' ');
    const std::size_t value = line.find_first_not_of(' ', gap);
    rows.back()[line.substr(0, gap)] = value == std::string::npos ? "" : line.substr(value);
  }
  if (rows.back().empty()) rows.pop_back();
  return rows;
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<ovalon::FakeDialogs> m_dialogs;
  std::unique_ptr<TForm1> m_form;
  std::unique_ptr<QTemporaryDir> m_dir;

  template <typename Control>
  Control* Find(const char* name) {
    auto* control = m_form->findChild<Control*>(QString::fromLatin1(name));
    if (control == nullptr) qFatal("no control %s", name);
    return control;
  }
  QString TempPath(const QString& name) const { return m_dir->filePath(name); }
  /// Clicks "Открыть файл" and chooses `path` in the dialog.
  void OpenFile(const QString& path) {
    m_dialogs->answers = {path};
    m_form->Button1->click();
  }

 private slots:
  void init() {
    TForm1::State() = ovalon::AnalysisState{};
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_dialogs = std::make_unique<ovalon::FakeDialogs>();
    m_form = std::make_unique<TForm1>(m_dialogs.get());
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
  }

  void cleanup() {
    m_form.reset();
    m_dialogs.reset();
    m_dir.reset();
  }

  void windowAtStart() {
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Ovalon"));
    QCOMPARE(m_form->size(), QSize(1153, 765));
    QVERIFY(!m_form->windowIcon().pixmap(32, 32).isNull());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect window = m_form->geometry();
    QVERIFY(qAbs((window.left() - screen.left()) - (screen.right() - window.right())) <= 1);
    QVERIFY(qAbs((window.top() - screen.top()) - (screen.bottom() - window.bottom())) <= 1);
    QCOMPARE(QFontInfo(m_form->font()).family(), QStringLiteral("Liberation Sans"));
    QCOMPARE(QFontInfo(m_form->font()).pixelSize(), 14);

    auto* pages = Find<QTabWidget>("PageControl1");
    QCOMPARE(pages->geometry(), m_form->rect());
    // The layout names the third tab as active; the program starts on the first.
    QCOMPARE(pages->currentIndex(), 0);
    const QStringList captions = {"1. Начальные данные", "2. Обработка результатов",
                                  "3. Характеристики эллипсоида", "4. 3D вид"};
    QCOMPARE(pages->count(), 4);
    for (int i = 0; i < 4; ++i) {
      QCOMPARE(pages->widget(i)->objectName(), QStringLiteral("TabSheet%1").arg(i + 1));
      QCOMPARE(pages->tabText(i), captions[i]);
    }
    QCOMPARE(m_form->mx, 0);
    QCOMPARE(m_form->my, 0);
  }

  // Every control of the first three tabs: parent, design bounds, caption or initial text and
  // font. A label's width is its text's, so the table gives only its position (width -1).
  void controls_data() {
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("bounds");
    QTest::addColumn<QString>("text");
    const auto row = [](const char* name, const char* parent, QRect bounds, const char* text) {
      QTest::newRow(name) << QString::fromLatin1(parent) << bounds << QString::fromUtf8(text);
    };
    row("Memo1", "TabSheet1", QRect(16, 20, 1115, 606), "Содержание файла.");
    row("GroupBox1", "TabSheet1", QRect(606, 634, 525, 85), "");
    row("Button1", "GroupBox1", QRect(16, 21, 252, 43), "Открыть файл");
    row("Button2", "GroupBox1", QRect(276, 21, 231, 43), "Заполнить координаты");

    row("Memo2", "TabSheet2", QRect(29, 29, 1090, 350), "Результаты.");
    row("GroupBox2", "TabSheet2", QRect(10, 387, 973, 326), "Операции");
    row("GroupBox3", "GroupBox2", QRect(31, 30, 472, 269), "");
    row("Label6", "GroupBox3", QRect(103, 10, -1, 20),
        "Параметры для алгоритма Лавенберга-Маркварда:");
    row("Label1", "GroupBox3", QRect(119, 50, -1, 20), "Колличество циклов уточнения:");
    row("Edit1", "GroupBox3", QRect(345, 47, 106, 28), "");
    row("Label2", "GroupBox3", QRect(111, 94, -1, 20), "Начальное значения параметров:");
    row("Edit2", "GroupBox3", QRect(345, 92, 106, 28), "");
    row("Label3", "GroupBox3", QRect(24, 140, -1, 20),
        "Начальное значение параметр регуляризации:");
    row("Edit3", "GroupBox3", QRect(345, 137, 106, 28), "");
    row("Label4", "GroupBox3", QRect(60, 186, -1, 20), "Шаг изменения параметр регуляризации:");
    row("Edit4", "GroupBox3", QRect(345, 183, 106, 28), "");
    row("Label5", "GroupBox3", QRect(258, 233, -1, 20), "'  ' - стандартные установки.");
    row("Label8", "GroupBox2", QRect(523, 41, -1, 20), "Точность определения обратной матрицы:");
    row("Edit6", "GroupBox2", QRect(832, 37, 106, 28), "1E-10");
    row("Label9", "GroupBox2", QRect(619, 78, -1, 20), "Точность метода вращения:");
    row("Edit7", "GroupBox2", QRect(832, 75, 106, 28), "1E-20");
    row("Button3", "GroupBox2", QRect(654, 124, 284, 54), "Определить диагонали");
    row("Button7", "GroupBox2", QRect(654, 186, 284, 53), "Аппроксимация");
    row("RadioButton1", "GroupBox2", QRect(574, 256, 275, 33), "МНК");
    row("RadioButton2", "GroupBox2", QRect(685, 256, 275, 33), "Алгоритм Лавенберга-Маркварда");
    row("Button10", "TabSheet2", QRect(1007, 572, 128, 54), "Сохранить");
    row("Button4", "TabSheet2", QRect(1007, 649, 128, 55), "Очистить");

    row("Memo3", "TabSheet3", QRect(23, 22, 1094, 546), "Характеристики эллипсоида.");
    row("Label7", "TabSheet3", QRect(429, 617, -1, 20), "");
    row("Button12", "TabSheet3", QRect(43, 635, 338, 52), "Вывести характеристики");
    row("CheckBox1", "TabSheet3", QRect(441, 634, 221, 33), "Преобразовать координаты");
    row("CheckBox2", "TabSheet3", QRect(441, 665, 315, 23), "Показать преобразованные координаты");
    row("Button11", "TabSheet3", QRect(848, 634, 122, 57), "Очистить");
    row("Button9", "TabSheet3", QRect(978, 634, 120, 57), "Сохранить");
  }

  void controls() {
    QFETCH(QString, parent);
    QFETCH(QRect, bounds);
    QFETCH(QString, text);
    auto* control = Find<QWidget>(QTest::currentDataTag());
    QCOMPARE(control->parentWidget()->objectName(), parent);

    if (auto* label = qobject_cast<QLabel*>(control)) {
      QCOMPARE(label->text(), text);
      QCOMPARE(label->pos(), bounds.topLeft());
      QCOMPARE(label->height(), 20);
      QVERIFY(label->width() >= label->sizeHint().width());
      QVERIFY2(label->geometry().right() < label->parentWidget()->width(), "label runs out");
    } else {
      QCOMPARE(control->geometry(), bounds);
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
      QCOMPARE(button->text(), text);
      QVERIFY2(button->sizeHint().width() <= button->width(), "caption does not fit");
    }
    if (auto* edit = qobject_cast<QLineEdit*>(control)) QCOMPARE(edit->text(), text);
    if (auto* box = qobject_cast<QGroupBox*>(control)) QCOMPARE(box->title(), text);

    const QFontInfo font(control->font());
    if (auto* pane = qobject_cast<QPlainTextEdit*>(control)) {
      QCOMPARE(PaneText(pane), QStringList{text});
      QCOMPARE(pane->lineWrapMode(), QPlainTextEdit::WidgetWidth);
      QCOMPARE(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
      QVERIFY(!pane->isReadOnly());
      QCOMPARE(font.family(), QStringLiteral("Liberation Mono"));
      QCOMPARE(font.pixelSize(), 19);
    } else {
      QCOMPARE(font.family(), QStringLiteral("Liberation Sans"));
      QCOMPARE(font.pixelSize(), 15);
    }
  }

  // The drawn text of each label ends before the edit field to its right.
  void labelsClearTheirEditFields() {
    const auto inkRight = [this](const char* name) {
      auto* label = Find<QLabel>(name);
      return label->x() + label->fontMetrics().tightBoundingRect(label->text()).right();
    };
    for (const char* name : {"Label1", "Label2", "Label3", "Label4"})
      QVERIFY2(inkRight(name) < 345, name);
    for (const char* name : {"Label8", "Label9"}) QVERIFY2(inkRight(name) < 832, name);
  }

  void checkAndRadioStatesAtStart() {
    auto* radio1 = Find<QRadioButton>("RadioButton1");
    auto* radio2 = Find<QRadioButton>("RadioButton2");
    QVERIFY(radio1->isChecked());
    QVERIFY(!radio2->isChecked());
    radio2->click();
    QVERIFY(!radio1->isChecked());

    QVERIFY(Find<QCheckBox>("CheckBox1")->isChecked());
    auto* checkBox2 = Find<QCheckBox>("CheckBox2");
    QVERIFY(!checkBox2->isChecked());
    QVERIFY(checkBox2->isVisibleTo(Find<QWidget>("TabSheet3")));
    auto* checkBox3 = Find<QCheckBox>("CheckBox3");
    QVERIFY(!checkBox3->isChecked());
    QCOMPARE(checkBox3->text(), QStringLiteral("   черный фон"));
    QCOMPARE(checkBox3->layoutDirection(), Qt::RightToLeft);
  }

  void toolBar() {
    Find<QTabWidget>("PageControl1")->setCurrentIndex(3);
    auto* page = Find<QWidget>("TabSheet4");
    auto* toolBar = Find<QWidget>("ToolBar1");
    auto* viewer = Find<QWidget>("GLSceneViewer1");
    QTRY_COMPARE(toolBar->geometry(), QRect(0, 0, page->width(), 28));
    QCOMPARE(viewer->parentWidget(), page);
    QCOMPARE(viewer->geometry(), QRect(0, 28, page->width(), page->height() - 28));
    QVERIFY(qobject_cast<ovalon::TGLSceneViewer*>(viewer) != nullptr);

    struct ToolButtonRow {
      const char* name;
      int left;
      bool toggle;
      bool handCursor;
    };
    std::vector<QImage> images;
    for (const ToolButtonRow& row : {ToolButtonRow{"ToolButton1", 0, false, true},
                                     ToolButtonRow{"ToolButton2", 29, true, true},
                                     ToolButtonRow{"ToolButton3", 58, true, true},
                                     ToolButtonRow{"ToolButton4", 87, true, false},
                                     ToolButtonRow{"ToolButton5", 621, false, true}}) {
      auto* button = Find<QToolButton>(row.name);
      QCOMPARE(button->parentWidget(), toolBar);
      QCOMPARE(button->geometry(), QRect(row.left, 0, 29, 28));
      QCOMPARE(button->isCheckable(), row.toggle);
      QVERIFY(!button->isChecked());
      QCOMPARE(button->cursor().shape(), row.handCursor ? Qt::PointingHandCursor : Qt::ArrowCursor);
      const QImage image = button->icon().pixmap(22, 22).toImage();
      int drawn = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) drawn += qAlpha(image.pixel(x, y)) > 0;
      QVERIFY2(drawn > 20, "blank tool-bar image: is Qt's SVG support (libqt6svg6) installed?");
      QVERIFY2(qAlpha(image.pixel(0, 0)) == 0, "the images have a transparent background");
      for (const QImage& other : images) QVERIFY(other != image);
      images.push_back(image);
    }

    struct TrackBarRow {
      const char* name;
      int left, width, minimum, maximum, position;
    };
    for (const TrackBarRow& row : {TrackBarRow{"TrackBar1", 116, 125, 0, 500, 100},
                                   TrackBarRow{"TrackBar3", 241, 94, 0, 1000, 100},
                                   TrackBarRow{"TrackBar2", 335, 84, 1, 100, 40},
                                   TrackBarRow{"TrackBar4", 419, 84, 120, 180, 150}}) {
      auto* bar = Find<QSlider>(row.name);
      QCOMPARE(bar->parentWidget(), toolBar);
      QCOMPARE(bar->geometry(), QRect(row.left, 0, row.width, 28));
      QCOMPARE(bar->orientation(), Qt::Horizontal);
      QCOMPARE(bar->minimum(), row.minimum);
      QCOMPARE(bar->maximum(), row.maximum);
      QCOMPARE(bar->value(), row.position);
      QCOMPARE(bar->tickPosition(), QSlider::NoTicks);
    }
    QCOMPARE(Find<QSlider>("TrackBar4")->pageStep(), 1);
    QCOMPARE(Find<QCheckBox>("CheckBox3")->geometry(), QRect(503, 0, 118, 28));
    // The image button follows the specified controls at the bar's right end.
    QCOMPARE(Find<QToolButton>("ToolButton5")->toolTip(), QStringLiteral("Сохранить изображение"));
  }

  void anchorsFollowResize() {
    auto* pages = Find<QTabWidget>("PageControl1");
    const QSize designPage = Find<QWidget>("TabSheet1")->size();
    // Grown by 100 × 50: "all four" grows by that much, "right, bottom" moves by it, and
    // controls inside a group box keep their place in it.
    const std::vector<std::pair<const char*, QRect>> grown = {
        {"Memo1", QRect(16, 20, 1215, 656)},      {"GroupBox1", QRect(706, 684, 525, 85)},
        {"Button1", QRect(16, 21, 252, 43)},      {"Memo2", QRect(29, 29, 1190, 400)},
        {"GroupBox2", QRect(110, 437, 973, 326)}, {"Edit6", QRect(832, 37, 106, 28)},
        {"Button10", QRect(1107, 622, 128, 54)},  {"Button4", QRect(1107, 699, 128, 55)},
        {"Memo3", QRect(23, 22, 1194, 596)},      {"Button12", QRect(143, 685, 338, 52)},
        {"CheckBox1", QRect(541, 684, 221, 33)},  {"CheckBox2", QRect(541, 715, 315, 23)},
        {"Button11", QRect(948, 684, 122, 57)},   {"Button9", QRect(1078, 684, 120, 57)},
    };
    m_form->resize(1253, 815);
    QTRY_COMPARE(m_form->size(), QSize(1253, 815));
    QCOMPARE(pages->geometry(), m_form->rect());
    QTRY_COMPARE(Find<QWidget>("TabSheet1")->size(), designPage + QSize(100, 50));
    for (const auto& [name, bounds] : grown) QCOMPARE(Find<QWidget>(name)->geometry(), bounds);
    QCOMPARE(Find<QLabel>("Label7")->pos(), QPoint(429, 617));

    pages->setCurrentIndex(3);
    auto* page4 = Find<QWidget>("TabSheet4");
    QTRY_COMPARE(Find<QWidget>("GLSceneViewer1")->size(), page4->size() - QSize(0, 28));
    QCOMPARE(page4->size(), designPage + QSize(100, 50));

    m_form->resize(1153, 765);
    QTRY_COMPARE(m_form->size(), QSize(1153, 765));
    QCOMPARE(Find<QWidget>("Memo1")->geometry(), QRect(16, 20, 1115, 606));
    QCOMPARE(Find<QWidget>("Button9")->geometry(), QRect(978, 634, 120, 57));
  }

  void formCreateSetsTheSceneSettings() {
    const ovalon::AnalysisState& state = TForm1::State();
    QCOMPARE(state.SceneSettings.BondThreshold, 1.5);
    QCOMPARE(state.SceneSettings.SelfPowerCount, 3);
    QCOMPARE(state.SceneSettings.BondColorDivisor, 100.0);
    QCOMPARE(state.SceneSettings.BondGreenBase, 0);
    QCOMPARE(state.SceneSettings.BondLineWidth, 0.0);
    QCOMPARE(state.SceneSettings.AtomRadius, 0.0);
    QVERIFY(state.AtomCoords == ovalon::PointSet{});
    QVERIFY(state.FitParams == ovalon::QuadricForm{});

    // The threshold follows TrackBar4 (120 / 100 rounds to the double nearest 1.2).
    Find<QSlider>("TrackBar4")->setValue(120);
    Find<QTabWidget>("PageControl1")->setCurrentIndex(2);
    m_form->FormCreate();
    QCOMPARE(state.SceneSettings.BondThreshold, 1.2);
    QCOMPARE(Find<QTabWidget>("PageControl1")->currentIndex(), 0);
  }

  void switchingTabsChangesNothing() {
    auto* pages = Find<QTabWidget>("PageControl1");
    const ovalon::SceneSettings settings = TForm1::State().SceneSettings;
    for (int index : {1, 2, 3, 0}) pages->setCurrentIndex(index);
    QCOMPARE(TForm1::State().SceneSettings.BondThreshold, settings.BondThreshold);
    QVERIFY(TForm1::State().AtomCoords == ovalon::PointSet{});
    for (const char* name : {"Memo1", "Memo2", "Memo3"})
      QCOMPARE(PaneText(Find<QPlainTextEdit>(name)).size(), 1);
    QVERIFY(m_dialogs->messages.isEmpty());
  }

  void checkBox1ShowsCheckBox2() {
    Find<QTabWidget>("PageControl1")->setCurrentIndex(2);
    auto* checkBox1 = Find<QCheckBox>("CheckBox1");
    auto* checkBox2 = Find<QCheckBox>("CheckBox2");
    checkBox2->setChecked(true);
    QTest::mouseClick(checkBox1, Qt::LeftButton);
    QVERIFY(!checkBox1->isChecked());
    QVERIFY(!checkBox2->isVisible());
    QTest::mouseClick(checkBox1, Qt::LeftButton);
    QVERIFY(checkBox2->isVisible());
    QVERIFY(checkBox2->isChecked());
  }

  void closingBeforeAnySceneEndsNormally() {
    QVERIFY(m_form->close());
    QVERIFY(!m_form->isVisible());
  }

  void clearPanes_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("pane");
    QTest::addColumn<QString>("initialLine");
    QTest::newRow("Button4") << "Button4"
                             << "Memo2"
                             << "Результаты.";
    QTest::newRow("Button11") << "Button11"
                              << "Memo3"
                              << "Характеристики эллипсоида.";
  }

  void clearPanes() {
    QFETCH(QString, button);
    QFETCH(QString, pane);
    QFETCH(QString, initialLine);
    auto* memo = m_form->findChild<QPlainTextEdit*>(pane);
    ovalon::AppendLines(*memo, {" ", "Строка отчёта 1", "2"});
    memo->setFocus();
    QTest::keyClicks(memo, "typed");
    for (int click = 0; click < 2; ++click) {
      m_form->findChild<QPushButton*>(button)->click();
      QCOMPARE(PaneText(memo), QStringList{initialLine});
    }
    // The next report appends right after the initial line.
    ovalon::AppendLine(*memo, "next");
    QCOMPARE(PaneText(memo), (QStringList{initialLine, "next"}));
  }

  // Lines are text blocks; the line break after the last line does not start another line, and
  // a last line typed without a break is still a line.
  void paneLines() {
    auto* memo = Find<QPlainTextEdit>("Memo1");
    QCOMPARE(memo->toPlainText(), QStringLiteral("Содержание файла.\n"));
    memo->setPlainText(QStringLiteral("typed\nwithout break"));
    ovalon::AppendLines(*memo, {"a", "", " "});
    QCOMPARE(PaneText(memo), (QStringList{"typed", "without break", "a", "", " "}));
    ovalon::SetPaneLines(*memo, {});
    QCOMPARE(PaneText(memo), QStringList{});
    ovalon::SetPaneLines(*memo, {"", "x"});
    QCOMPARE(PaneText(memo), (QStringList{"", "x"}));
  }

  void saveWritesCrLfUtf8() {
    // Expected bytes written out by hand: each line's UTF-8 followed by 0D 0A.
    auto* memo2 = Find<QPlainTextEdit>("Memo2");
    ovalon::AppendLines(*memo2, {" ", "a = 1.5 ± 0.2 Å", "Жж"});
    const QStringList before = PaneText(memo2);
    const QString report = TempPath("report.txt");
    WriteBytes(report, QByteArray("an older and much longer content\r\n\r\n\r\n"));
    m_dialogs->answers = {report};
    Find<QPushButton>("Button10")->click();
    QCOMPARE(FileBytes(report),
             QByteArray("\xD0\xA0\xD0\xB5\xD0\xB7\xD1\x83\xD0\xBB\xD1\x8C\xD1\x82"
                        "\xD0\xB0\xD1\x82\xD1\x8B.\r\n"
                        " \r\n"
                        "a = 1.5 \xC2\xB1 0.2 \xC3\x85\r\n"
                        "\xD0\x96\xD0\xB6\r\n"));
    QCOMPARE(PaneText(memo2), before);

    // Right after start, Memo3 holds only its initial line; a name without extension gets none.
    const QString plain = TempPath("characteristics");
    m_dialogs->answers = {plain};
    Find<QPushButton>("Button9")->click();
    QCOMPARE(FileBytes(plain), QString("Характеристики эллипсоида.\r\n").toUtf8());
    QVERIFY(!QFile::exists(plain + ".txt"));

    // A pane emptied by the user saves as an empty file; typed text gets its line breaks.
    memo2->clear();
    m_dialogs->answers = {report};
    Find<QPushButton>("Button10")->click();
    QCOMPARE(FileBytes(report), QByteArray());
    memo2->setPlainText("x\ny");
    m_dialogs->answers = {report};
    Find<QPushButton>("Button10")->click();
    QCOMPARE(FileBytes(report), QByteArray("x\r\ny\r\n"));
    QVERIFY(m_dialogs->messages.isEmpty());
  }

  void saveDialogSharedByBothPanes() {
    const QString filter = QStringLiteral("Текстовый файл (*.txt)");
    const QString first = TempPath("first.txt");
    m_dialogs->answers = {first, QString(), first};
    Find<QPushButton>("Button10")->click();
    const QByteArray saved = FileBytes(first);
    Find<QPushButton>("Button9")->click();  // cancelled: nothing is written
    QCOMPARE(FileBytes(first), saved);
    Find<QPushButton>("Button9")->click();
    QCOMPARE(FileBytes(first), QString("Характеристики эллипсоида.\r\n").toUtf8());
    QCOMPARE(m_dialogs->fileDialogs,
             (QStringList{"save: " + filter + ": ", "save: " + filter + ": " + first,
                          "save: " + filter + ": " + first}));
    QVERIFY(m_dialogs->messages.isEmpty());
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"first.txt"});
  }

  void saveFailureShowsTheSystemText() {
    auto* memo3 = Find<QPlainTextEdit>("Memo3");
    ovalon::AppendLine(*memo3, "kept");
    const QStringList before = PaneText(memo3);
    const QString path = TempPath("missing/report.txt");
    m_dialogs->answers = {path};
    Find<QPushButton>("Button9")->click();
    QCOMPARE(m_dialogs->messages, QStringList{"critical: " + path + ": " +
                                              QString::fromLocal8Bit(std::strerror(ENOENT))});
    QCOMPARE(PaneText(memo3), before);
    QVERIFY(!QFile::exists(path));
    // The name is still offered next time, as a dialog keeps what the user chose.
    Find<QPushButton>("Button10")->click();
    QVERIFY(m_dialogs->fileDialogs.last().endsWith(path));
  }

  void openLoadsTheFileIntoMemo1() {
    const QString file = TempPath("cage.xyz");
    WriteBytes(file, QString("60\r\nЖ comment\r\nC  1.0  2.0  3.0\r\n\r\nC  4  5  6").toUtf8());
    m_dialogs->answers = {file, QString()};
    Find<QPushButton>("Button1")->click();
    const QStringList loaded = {"60", "Ж comment", "C  1.0  2.0  3.0", "", "C  4  5  6"};
    QCOMPARE(PaneText(Find<QPlainTextEdit>("Memo1")), loaded);
    QVERIFY(TForm1::State().AtomCoords == ovalon::PointSet{});

    // The first dialog starts in the sample folder, the next offers the file chosen last; a
    // cancelled dialog changes nothing.
    Find<QPushButton>("Button1")->click();
    QCOMPARE(PaneText(Find<QPlainTextEdit>("Memo1")), loaded);
    const QString filter = OpenFilter;
    QCOMPARE(m_dialogs->fileDialogs,
             (QStringList{"open: " + filter + ": " + QDir::cleanPath(OVALON_SOURCE_DIR "/examples"),
                          "open: " + filter + ": " + file}));
    QVERIFY(m_dialogs->messages.isEmpty());
  }

  void unreadableFileLeavesMemo1() {
    auto* memo1 = Find<QPlainTextEdit>("Memo1");
    const QString missing = TempPath("missing.xyz");
    m_dialogs->answers = {missing};
    Find<QPushButton>("Button1")->click();
    QCOMPARE(m_dialogs->messages.size(), 1);
    QVERIFY(m_dialogs->messages[0].startsWith("critical: "));
    QVERIFY2(m_dialogs->messages[0].contains(QString::fromLocal8Bit(std::strerror(ENOENT))),
             qPrintable(m_dialogs->messages[0]));
    QCOMPARE(PaneText(memo1), QStringList{"Содержание файла."});
  }

  void fileOver64MiBLeavesMemo1() {
    auto* memo1 = Find<QPlainTextEdit>("Memo1");
    ovalon::AppendLine(*memo1, "kept");
    const QStringList before = PaneText(memo1);
    // Short lines, so that it is the size that counts.
    const QString large = TempPath("large.xyz");
    QByteArray bytes = QByteArray("C  1  2  3\n").repeated((64 << 20) / 11 + 1);
    QVERIFY(bytes.size() > 64 << 20);
    WriteBytes(large, bytes);
    m_dialogs->answers = {large};
    Find<QPushButton>("Button1")->click();
    QCOMPARE(m_dialogs->messages,
             QStringList{QStringLiteral("information: Файл слишком большой: больше 64 МБ!")});
    QCOMPARE(PaneText(memo1), before);
  }

  // The example CIF opened, filled, fitted (least squares, the default precisions) and
  // characterised in the window gives bit for bit what the analysis engine gives for the
  // reader's own atoms, and what ovalon-report --summary gives for the file: the text in Memo1
  // carries every coordinate and uncertainty exactly.
  void exampleCifThroughTheWindowMatchesTheEngine() {
    OpenFile(Example("c60_solvate.cif"));
    const QStringList text = PaneText(m_form->Memo1);
    QCOMPARE(text.size(), 122);
    QVERIFY2(
        text[0].startsWith("# file c60_solvate.cif, data block c60_solvate, cell a=10.2185(12)"),
        qPrintable(text[0]));
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Ovalon — c60_solvate.cif"));
    m_form->Button2->click();
    m_form->Button7->click();
    m_form->Button12->click();
    QVERIFY2(m_dialogs->messages.isEmpty(), qPrintable(m_dialogs->messages.join('\n')));

    ovalon::PointSet coords, sigma;
    ExampleCifCage(coords, sigma);
    const ovalon::AnalysisState& state = TForm1::State();
    QVERIFY(state.AtomCoords == coords);
    QVERIFY(state.CoordErrors == sigma);
    ovalon::SummarySettings settings;
    settings.fit.inversePrecision = 1e-10;  // Edit6 and Edit7 at their initial values
    settings.rotationPrecision = 1e-20;
    const ovalon::CageSummary expected = ovalon::SummariseCage(coords, sigma, settings, 1);
    QCOMPARE(int(expected.status), int(ovalon::SummaryStatus::Ok));
    // The engine sorts the semi-axes a ≥ b ≥ c; the window keeps them in eigenvalue order.
    std::array<double, 3> semiAxes = state.SemiAxes;
    std::sort(semiAxes.rbegin(), semiAxes.rend());
    QCOMPARE(semiAxes, expected.semiAxes);
    QCOMPARE(state.EllipsoidCentre, *expected.centre);
    // ovalon-report --summary finds the same cage in the same file and prints the same numbers
    // (shortest round-trip texts, so reading them back gives the doubles exactly).
    const auto rows = SummaryTable(ovalon::test::ExamplePath("c60_solvate.cif"));
    QCOMPARE(rows.size(), std::size_t{1});
    const std::map<std::string, std::string>& row = rows[0];
    QCOMPARE(QString::fromStdString(row.at("status")), QStringLiteral("ok"));
    QCOMPARE(QString::fromStdString(row.at("atoms")), QStringLiteral("60"));
    const char* axisColumns[3] = {"a", "b", "c"};
    const char* centreColumns[3] = {"centre_x", "centre_y", "centre_z"};
    for (int k = 0; k < 3; ++k) {
      QVERIFY2(std::stod(row.at(axisColumns[k])) == semiAxes[k], axisColumns[k]);
      QVERIFY2(std::stod(row.at(centreColumns[k])) == state.EllipsoidCentre[k], centreColumns[k]);
    }
    // The cage of c60_ideal.xyz has a circumradius of about 3.55 Å, centred on the origin.
    for (double axis : semiAxes)
      QVERIFY2(axis > 3.4 && axis < 3.7, qPrintable(QString::number(axis)));
  }

  // In a file of several models or frames the window takes the first and says so.
  void firstModelOrFrameOfSeveral_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("sourceLine");
    QTest::addColumn<QString>("firstUncertainty");
    QTest::newRow("pdb") << "c60_models.pdb"
                         << "# file c60_models.pdb, model 1"
                         << ">  0  0  0";
    QTest::newRow("extxyz") << "c60_frames.extxyz"
                            << "# file c60_frames.extxyz, frame 1"
                            << ">  0.002  0.002  0.002";
  }
  void firstModelOrFrameOfSeveral() {
    QFETCH(QString, file);
    QFETCH(QString, sourceLine);
    QFETCH(QString, firstUncertainty);
    OpenFile(Example(file.toUtf8().constData()));
    QVERIFY2(m_dialogs->messages.isEmpty(), qPrintable(m_dialogs->messages.join('\n')));
    const QStringList text = PaneText(m_form->Memo1);
    QCOMPARE(text.size(), 122);
    QVERIFY2(text[0].startsWith(sourceLine), qPrintable(text[0]));
    QVERIFY2(
        text[1].contains("the window opens frame 1 of 2; ovalon-report --summary reads them all"),
        qPrintable(text[1]));
    QCOMPARE(text[62], firstUncertainty);
  }

  // Each refused file leaves Memo1 and the window's title as they were.
  void refusedFilesLeaveMemo1_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::newRow("cage of 70 atoms")
        << "c70.extxyz" << C70ExtendedXyz()
        << "В клетке 70 атомов, а окно работает с клеткой из 60 атомов. Клетки другого размера "
           "обрабатывает ovalon-report --summary.";
    QTest::newRow("no cage")
        << "methane.extxyz" << QByteArray("2\n\nC 0 0 0\nH 0 0 1.09\n")
        << "В файле не найдена клетка из атомов углерода (1 carbon atom, no ring system of at "
           "least 20 atoms).";
    QTest::newRow("malformed CIF")
        << "broken.cif"
        << QByteArray("data_broken\n_cell_length_a 10.0\nloop_\n_atom_site_label\n'C1\n")
        << "Файл структуры не прочитан: broken.cif:5:4: unterminated";
    QTest::newRow("CIF without atoms")
        << "empty.cif" << QByteArray("data_empty\n_cell_length_a 10.0\n")
        << "Файл структуры не прочитан: empty.cif: no data block holds atom sites "
           "(_atom_site_fract_x or _atom_site.Cartn_x)";
    QTest::newRow("malformed extended XYZ")
        << "broken.extxyz" << QByteArray("1\nProperties=species:S:1:pos:R:3\nC 0 0\n")
        << "Файл структуры не прочитан: broken.extxyz: line 3: 3 fields where Properties "
           "declares 4";
  }
  void refusedFilesLeaveMemo1() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    ovalon::AppendLine(*m_form->Memo1, "kept");
    const QStringList before = PaneText(m_form->Memo1);
    const QString path = TempPath(name);
    WriteBytes(path, content);
    OpenFile(path);
    QCOMPARE(m_dialogs->messages.size(), 1);
    QVERIFY2(m_dialogs->messages[0].startsWith("information: " + message),
             qPrintable(m_dialogs->messages[0]));
    QCOMPARE(PaneText(m_form->Memo1), before);
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Ovalon"));
  }

  // The extension decides, in any case; the content is never looked at. A CIF named .xyz or
  // .txt opens as its own text.
  void readerChosenByNameOnly_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("asStructure");
    QTest::newRow("cif") << "cage.cif" << true;
    QTest::newRow("upper case") << "CAGE.CIF" << true;
    QTest::newRow("mmcif") << "cage.mmcif" << true;
    QTest::newRow("xyz") << "cage.xyz" << false;
    QTest::newRow("txt") << "cage.txt" << false;
    QTest::newRow("no extension") << "cif" << false;
  }
  void readerChosenByNameOnly() {
    QFETCH(QString, name);
    QFETCH(bool, asStructure);
    const std::string cif = ovalon::test::ReadFile(ovalon::test::ExamplePath("c60_solvate.cif"));
    const QString path = TempPath(name);
    WriteBytes(path, QByteArray::fromStdString(cif));
    OpenFile(path);
    QVERIFY2(m_dialogs->messages.isEmpty(), qPrintable(m_dialogs->messages.join('\n')));
    const QStringList text = PaneText(m_form->Memo1);
    if (asStructure) {
      QCOMPARE(text.size(), 122);
      QVERIFY2(text[0].startsWith("# file " + name + ", data block c60_solvate"),
               qPrintable(text[0]));
    } else {
      QCOMPARE(text.first(), QStringLiteral("data_c60_solvate"));
      QCOMPARE(text.size(), qsizetype(ovalon::DecodeTextLines(cif).size()));
    }
  }

  void fillReadsMemo1IntoTheState() {
    // 60 atoms, each followed by its uncertainty line: atom k at (k + 0.5, -k, 0.25) with
    // uncertainties (0.125, 0.5, k + 0.25). Every value is a short binary fraction, so it reads
    // exactly whatever the reader's rounding.
    QStringList text = {"60", "generated cage"};
    for (int k = 1; k <= 60; ++k) {
      text << QStringLiteral("C  %1.5  -%1  2.5e-1").arg(k);
      text << QStringLiteral(">  0.125  0.5  %1.25").arg(k);
    }
    Find<QPlainTextEdit>("Memo1")->setPlainText(text.join('\n'));
    Find<QPushButton>("Button2")->click();
    const ovalon::AnalysisState& state = TForm1::State();
    for (int k : {1, 37, 60}) {
      QCOMPARE(state.AtomCoords.X.at(k), k + 0.5);
      QCOMPARE(state.AtomCoords.Y.at(k), double(-k));
      QCOMPARE(state.AtomCoords.Z.at(k), 0.25);
      QCOMPARE(state.CoordErrors.X.at(k), 0.125);
      QCOMPARE(state.CoordErrors.Y.at(k), 0.5);
      QCOMPARE(state.CoordErrors.Z.at(k), k + 0.25);
    }
    QVERIFY(m_dialogs->messages.isEmpty());
  }

  void fillShowsTheFormatMessageThenTheNotices() {
    const Lines lines = {"C  1.0  2.0  3.0", "C  1,5  2.0  3.0"};
    ovalon::SetPaneLines(*Find<QPlainTextEdit>("Memo1"), lines);
    Find<QPushButton>("Button2")->click();
    QCOMPARE(TForm1::State().AtomCoords.X.at(1), 1.0);
    QCOMPARE(TForm1::State().AtomCoords.X.at(2), 0.0);
    // The reader decides which notices a run gives; the window shows each once, after the
    // format message.
    ovalon::PointSet atoms, errors;
    QStringList expected = {"information: Неправильный формат строк файла!"};
    for (const std::string& notice :
         ovalon::CoordinateNotices(ovalon::ReadCoordinates(lines, atoms, errors)))
      expected << "information: " + Utf8(notice);
    QCOMPARE(m_dialogs->messages, expected);
  }

  // Reading a number makes "." the separator of every later report, even a text that is not a
  // number; a press that reads no number leaves the separator as it was.
  void separatorBecomesThePointOnceANumberIsRead() {
    const auto separatorAfter = [&](const char* button) {
      ovalon::SetDecimalSeparator(",");
      Find<QPushButton>(button)->click();
      return ovalon::DecimalSeparator();
    };
    ovalon::SetPaneLines(*Find<QPlainTextEdit>("Memo1"), {"60", "no atom line"});
    QCOMPARE(separatorAfter("Button2"), std::string(","));
    Find<QLineEdit>("Edit6")->setText("not a number");
    QCOMPARE(separatorAfter("Button7"), std::string(","));  // no coordinates: nothing is read
    ovalon::SetPaneLines(*Find<QPlainTextEdit>("Memo1"), {"C  1,5  2.0  3.0"});
    QCOMPARE(separatorAfter("Button2"), std::string("."));
    ovalon::SetPaneLines(*Find<QPlainTextEdit>("Memo1"), {"C  1.5  2.0  3.0"});
    Find<QPushButton>("Button2")->click();
    QCOMPARE(separatorAfter("Button7"), std::string("."));  // Edit6 was read and rejected
    QCOMPARE(separatorAfter("Button3"), std::string(","));  // the diagonals read no text
    ovalon::SetDecimalSeparator(".");
    m_dialogs->messages.clear();
  }

  // The real dialogs, closed by a timer from inside their own event loops.
  void standardDialogsShowAndClose() {
    ovalon::StandardDialogs real;
    QString seen;
    const auto reject = [](QDialog* dialog) { dialog->reject(); };
    const auto describeBox = [&](QDialog* dialog) {
      auto* box = qobject_cast<QMessageBox*>(dialog);
      QVERIFY(box != nullptr);
      seen = box->windowTitle() + "|" + box->text() + "|" +
             QString::number(int(box->standardButtons()));
    };
    HandleNextModal(this, describeBox, reject);
    real.information(m_form.get(), "Неправильный формат строк файла!");
    QCOMPARE(seen, "Ovalon|Неправильный формат строк файла!|" + QString::number(QMessageBox::Ok));
    HandleNextModal(this, describeBox, reject);
    real.critical(m_form.get(), "x: No such file");
    QCOMPARE(seen, "Ovalon|x: No such file|" + QString::number(QMessageBox::Ok));

    QFileDialog* fileDialog = nullptr;
    const auto keep = [&](QDialog* dialog) { fileDialog = qobject_cast<QFileDialog*>(dialog); };
    HandleNextModal(this, keep, [&](QDialog* dialog) {
      QVERIFY(fileDialog != nullptr);
      QCOMPARE(fileDialog->nameFilters(), OpenFilter.split(";;"));
      // Shown without its pattern, as the caption alone.
      QCOMPARE(fileDialog->selectedNameFilter(), QStringLiteral("Файлы координат атомов"));
      QVERIFY(fileDialog->testOption(QFileDialog::HideNameFilterDetails));
      QCOMPARE(fileDialog->directory().absolutePath(), m_dir->path());
      dialog->reject();
    });
    QCOMPARE(real.openFileName(m_form.get(), OpenFilter, m_dir->path()), QString());

    // A real save through the window: the typed name has no extension and gets none.
    ovalon::TForm1 form(&real);
    const QString path = TempPath("report");
    HandleNextModal(this, keep, [&](QDialog* dialog) {
      QVERIFY(fileDialog != nullptr);
      QCOMPARE(fileDialog->acceptMode(), QFileDialog::AcceptSave);
      QVERIFY(fileDialog->testOption(QFileDialog::DontConfirmOverwrite));
      QCOMPARE(fileDialog->nameFilters(), QStringList{"Текстовый файл (*.txt)"});
      fileDialog->selectFile(path);
      dialog->accept();
    });
    form.Button10->click();
    QCOMPARE(FileBytes(path), QString("Результаты.\r\n").toUtf8());
    QVERIFY(!QFile::exists(path + ".txt"));
  }

  // The real image dialog: Qt's own save dialog with the PNG filter, starting from the last
  // choice, and the size and background options in it; a typed name gets ".png".
  void standardImageDialog() {
    ovalon::StandardDialogs real;
    QString seen;
    HandleNextModal(
        this,
        [&](QDialog* dialog) {
          auto* fileDialog = qobject_cast<QFileDialog*>(dialog);
          QVERIFY(fileDialog != nullptr);
          auto* twice = fileDialog->findChild<QRadioButton*>("DoubleSize");
          auto* transparent = fileDialog->findChild<QCheckBox*>("TransparentBackground");
          QVERIFY(twice != nullptr && transparent != nullptr);
          seen = fileDialog->nameFilters().join(';') + "|" +
                 QString::number(fileDialog->acceptMode() == QFileDialog::AcceptSave) +
                 QString::number(fileDialog->testOption(QFileDialog::HideNameFilterDetails)) +
                 QString::number(twice->isChecked()) + QString::number(transparent->isChecked());
          transparent->setChecked(true);
          fileDialog->selectFile(TempPath("view"));
        },
        [](QDialog* dialog) { dialog->accept(); });
    const ovalon::ImageSaveChoice choice = real.saveImageFileName(
        m_form.get(), "Изображение PNG (*.png)", {TempPath("last.png"), 2, false});
    QCOMPARE(seen, QStringLiteral("Изображение PNG (*.png)|1110"));
    QCOMPARE(choice.path, TempPath("view.png"));
    QCOMPARE(choice.scale, 2);
    QVERIFY(choice.transparentBackground);
  }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
