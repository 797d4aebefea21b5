#include "app/ovalon.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QSlider>
#include <QStandardPaths>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <exception>
#include <new>
#include <optional>

#include "analysis/diagonals.h"
#include "app/dialogs.h"
#include "app/fitprogress.h"
#include "app/messagedetails.h"
#include "app/reportfile.h"
#include "app/reportpane.h"
#include "app/sceneslots.h"
#include "app/structurefile.h"
#include "app/transientnotice.h"
#include "app/viewtools.h"
#include "core/singularmatrixerror.h"
#include "input/coordinatereader.h"
#include "input/textfile.h"
#include "report/characteristics.h"
#include "report/decimalseparator.h"
#include "report/diagonals.h"
#include "report/fitrun.h"
#include "report/messages.h"
#include "view3d/qt/glsceneviewer.h"
#include "view3d/qt/sceneimage.h"
#include "view3d/scene/ellipsoidsurface.h"
#include "view3d/scene/viewnavigation.h"

namespace ovalon {

TForm1* Form1 = nullptr;

namespace {

const QSize DesignClientSize(1153, 765);

constexpr Qt::Edges RightBottom = Qt::RightEdge | Qt::BottomEdge;
constexpr Qt::Edges AllFour = Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge;

const char* const Memo1InitialLine = "Содержание файла.";
const char* const Memo2InitialLine = "Результаты.";
const char* const Memo3InitialLine = "Характеристики эллипсоида.";

/// "Открыть файл" reads a file whole into Memo1; a larger one is refused with this message.
const char* const FileTooLargeMessage = "Файл слишком большой: больше 64 МБ!";
const char* const OutOfMemoryMessage = "Недостаточно памяти!";
/// Precedes the reader's own message about a structure file it cannot read.
const char* const StructureErrorMessage = "Файл структуры не прочитан: ";

/// The first filter is the coordinate text; the structure files after it open as the text of
/// their cage, and "Все файлы" opens any other file as text. The dialog hides the patterns.
const QString CoordinateFileFilter = QStringLiteral(
    "Файлы координат атомов (*.xyz);;"
    "Кристаллографические файлы (*.cif *.mmcif);;"
    "Файлы PDB (*.pdb *.ent);;"
    "Файлы расширенного XYZ (*.extxyz);;"
    "Все файлы (*)");
const QString ReportFileFilter = QStringLiteral("Текстовый файл (*.txt)");
const QString ImageFileFilter = QStringLiteral("Изображение PNG (*.png)");

/// The layout's fonts are Windows fonts; these metric-compatible families stand in for them.
void RegisterFontSubstitutes() {
  QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"));
  QFont::insertSubstitution(QStringLiteral("@Arial Unicode MS"), QStringLiteral("Liberation Sans"));
  QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
}

/// Full hinting rounds every glyph's advance to whole pixels, as the screen fonts that the
/// layout was drawn with do; without it the labels of the second tab run into their edit fields.
QFont PixelFont(const QString& family, int pixelSize) {
  QFont font(family);
  font.setPixelSize(pixelSize);
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

template <typename Control>
Control* Place(QWidget* parent, const char* name, QRect bounds) {
  auto* control = new Control(parent);
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(bounds);
  return control;
}

QPushButton* MakeButton(QWidget* parent, const char* name, QRect bounds, const char* caption) {
  auto* button = Place<QPushButton>(parent, name, bounds);
  button->setText(QString::fromUtf8(caption));
  return button;
}

/// Labels size themselves to their text, 20 pixels high.
QLabel* MakeLabel(QWidget* parent, const char* name, QPoint topLeft, const char* caption) {
  auto* label = Place<QLabel>(parent, name, QRect(topLeft, QSize(0, 20)));
  label->setText(QString::fromUtf8(caption));
  label->resize(label->sizeHint().width(), 20);
  return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, QRect bounds, const char* text) {
  auto* edit = Place<QLineEdit>(parent, name, bounds);
  edit->setText(QString::fromUtf8(text));
  return edit;
}

QGroupBox* MakeGroupBox(QWidget* parent, const char* name, QRect bounds, const char* caption) {
  auto* box = Place<QGroupBox>(parent, name, bounds);
  box->setTitle(QString::fromUtf8(caption));
  return box;
}

QCheckBox* MakeCheckBox(QWidget* parent, const char* name, QRect bounds, const char* caption,
                        bool checked) {
  auto* box = Place<QCheckBox>(parent, name, bounds);
  box->setText(QString::fromUtf8(caption));
  box->setChecked(checked);
  return box;
}

QRadioButton* MakeRadioButton(QWidget* parent, const char* name, QRect bounds, const char* caption,
                              bool checked) {
  auto* button = Place<QRadioButton>(parent, name, bounds);
  button->setText(QString::fromUtf8(caption));
  button->setChecked(checked);
  return button;
}

/// A text pane: editable, word wrap, vertical scroll bar, "Courier New" 19 px.
QPlainTextEdit* MakePane(QWidget* parent, const char* name, QRect bounds, const char* initialLine) {
  auto* pane = Place<QPlainTextEdit>(parent, name, bounds);
  pane->setFont(PixelFont(QStringLiteral("Courier New"), 19));
  pane->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  SetPaneLines(*pane, {initialLine});
  return pane;
}

/// Image `index` of the tool bar's image list (22 × 22, transparent background).
QIcon ToolBarImage(int index) {
  return QIcon(QStringLiteral(":/ovalon/images/toolbar%1.svg").arg(index));
}

constexpr int ToolBarHeight = 28;

QToolButton* MakeToolButton(QWidget* toolBar, const char* name, int left, int image, bool toggle,
                            bool handCursor) {
  auto* button = Place<QToolButton>(toolBar, name, QRect(left, 0, 29, ToolBarHeight));
  button->setIcon(ToolBarImage(image));
  button->setIconSize(QSize(22, 22));
  button->setAutoRaise(true);
  button->setCheckable(toggle);
  if (handCursor) button->setCursor(Qt::PointingHandCursor);
  return button;
}

QSlider* MakeTrackBar(QWidget* toolBar, const char* name, int left, int width, int minimum,
                      int maximum, int position) {
  auto* bar = Place<QSlider>(toolBar, name, QRect(left, 0, width, ToolBarHeight));
  bar->setOrientation(Qt::Horizontal);
  bar->setRange(minimum, maximum);
  bar->setValue(position);
  bar->setTickPosition(QSlider::NoTicks);
  return bar;
}

/// The system grey of the 3D view's background, and the black of CheckBox3.
const QColor ViewGrey(128, 128, 128);
const QColor ViewBlack(0, 0, 0);

/// The divisions per semi-axis of the ellipsoid's wire frame.
constexpr int EllipsoidDivisions = 150;

/// The 3D view of the fourth tab.
TGLSceneViewer* CreateSceneViewer(QWidget* parent) {
  auto* viewer = new TGLSceneViewer(parent);
  viewer->setObjectName(QStringLiteral("GLSceneViewer1"));
  return viewer;
}

/// One half of the ellipsoid surface: an unlit cyan wire frame, both faces drawn.
TGLHeightField* AddSurfaceHalf(TGLSceneObject& root) {
  auto* field = root.AddNewChild<TGLHeightField>();
  for (TGLSamplingScale* scale : {&field->XSamplingScale(), &field->YSamplingScale()}) {
    scale->SetStep(0.1f);
    scale->SetMin(0);
    scale->SetMax(0);
    scale->SetOrigin(0);
  }
  field->SetOptions({hfoTextureCoordinates, hfoTwoSided});
  SetEllipsoidAppearance(*field, false);
  return field;
}

/// Empties `slot` when it refers to an object of `scene`, destroying the object.
template <typename T>
void ReleaseSlotIn(T*& slot, const TGLScene* scene) {
  if (slot != nullptr && slot->Scene() == scene) DestroySlot(slot);
}

/// The sample coordinate files: installed beside the program, or in the source tree.
QString ExamplesFolder() {
  const QStringList candidates = {
      QCoreApplication::applicationDirPath() + QStringLiteral("/../share/ovalon/examples"),
      QStringLiteral(OVALON_EXAMPLES_DIR),
  };
  for (const QString& folder : candidates) {
    if (QDir(folder).exists()) return QDir::cleanPath(folder);
  }
  return QString();
}

/// Where the first image is offered: the user's pictures folder, or the home folder.
QString DefaultImageFolder() {
  const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  return !pictures.isEmpty() && QDir(pictures).exists() ? pictures : QDir::homePath();
}

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

/// The smallest height a text pane that grows with the window keeps.
constexpr int MinimumPaneHeight = 100;

/// Told once, over the report pane, when the user cancels a Levenberg–Marquardt run.
const char* const CancelledFitNotice =
    "Расчёт методом Левенберга-Маркварда отменён: отчёт не добавлен, результаты прежние.";

/// Where a control with the given design bounds and anchors lies once its parent has grown by
/// `growth` beyond its design size.
QRect AnchoredBounds(QRect design, Qt::Edges anchors, QSize growth) {
  QRect bounds = design;
  if (anchors & Qt::RightEdge) {
    if (anchors & Qt::LeftEdge)
      bounds.setWidth(std::max(0, design.width() + growth.width()));
    else
      bounds.translate(growth.width(), 0);
  }
  if (anchors & Qt::BottomEdge) {
    if (anchors & Qt::TopEdge)
      bounds.setHeight(std::max(0, design.height() + growth.height()));
    else
      bounds.translate(0, growth.height());
  }
  return bounds;
}

}  // namespace

TForm1::TForm1(Dialogs* dialogs, QWidget* parent) : QWidget(parent), m_dialogs(dialogs) {
  m_lastImage.path = QDir(DefaultImageFolder()).filePath(QStringLiteral("ovalon.png"));
  RegisterFontSubstitutes();
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Ovalon"));
  setWindowIcon(QIcon(QStringLiteral(":/ovalon/images/ovalon.svg")));
  setFont(PixelFont(QStringLiteral("Tahoma"), 14));
  const QScreen* screen = QGuiApplication::primaryScreen();
  setGeometry(
      QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, DesignClientSize, screen->geometry()));

  BuildPageControl();
  BuildTab1();
  BuildTab2();
  BuildTab3();
  BuildTab4();
  CreateScene();
  GLSceneTools = new ViewTools(*this);
  setMinimumSize(MinimumClientSize());
  // The layout keeps the third tab active; FormCreate shows the first.
  PageControl1->setCurrentIndex(2);
  ConnectHandlers();
  FormCreate();
}

TForm1::~TForm1() {
  // No handler runs while the window is taken apart.
  if (qApp != nullptr) qApp->removeEventFilter(this);
  // The slots are module-level and outlive the window; those that refer to its scene are
  // emptied here, before the scene destroys their objects.
  AnalysisState& state = State();
  const TGLScene* scene = GLScene1.get();
  for (TGLSphere*& slot : state.AtomSpheres.data) ReleaseSlotIn(slot, scene);
  for (TGLSpaceText*& slot : state.AtomLabels.data) ReleaseSlotIn(slot, scene);
  for (TGLLines*& slot : state.BondLines.data) ReleaseSlotIn(slot, scene);
  for (TGLSpaceText*& slot : state.AxisLabels.data) ReleaseSlotIn(slot, scene);
}

AnalysisState& TForm1::State() {
  static AnalysisState state;
  return state;
}

void TForm1::BuildPageControl() {
  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  PageControl1->setFont(PixelFont(QStringLiteral("@Arial Unicode MS"), 15));
  PageControl1->setGeometry(QRect(QPoint(0, 0), DesignClientSize));
  const char* const captions[] = {"1. Начальные данные", "2. Обработка результатов",
                                  "3. Характеристики эллипсоида", "4. 3D вид"};
  QWidget** pages[] = {&TabSheet1, &TabSheet2, &TabSheet3, &TabSheet4};
  for (int i = 0; i < 4; ++i) {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet%1").arg(i + 1));
    PageControl1->addTab(page, QString::fromUtf8(captions[i]));
    *pages[i] = page;
  }
}

void TForm1::BuildTab1() {
  Memo1 = MakePane(TabSheet1, "Memo1", QRect(16, 20, 1115, 606), Memo1InitialLine);
  Anchor(Memo1, AllFour);
  GroupBox1 = MakeGroupBox(TabSheet1, "GroupBox1", QRect(606, 634, 525, 85), "");
  Anchor(GroupBox1, RightBottom);
  Button1 = MakeButton(GroupBox1, "Button1", QRect(16, 21, 252, 43), "Открыть файл");
  Button2 = MakeButton(GroupBox1, "Button2", QRect(276, 21, 231, 43), "Заполнить координаты");
}

void TForm1::BuildTab2() {
  Memo2 = MakePane(TabSheet2, "Memo2", QRect(29, 29, 1090, 350), Memo2InitialLine);
  Anchor(Memo2, AllFour);
  GroupBox2 = MakeGroupBox(TabSheet2, "GroupBox2", QRect(10, 387, 973, 326), "Операции");
  Anchor(GroupBox2, RightBottom);

  GroupBox3 = MakeGroupBox(GroupBox2, "GroupBox3", QRect(31, 30, 472, 269), "");
  Label6 = MakeLabel(GroupBox3, "Label6", QPoint(103, 10),
                     "Параметры для алгоритма Лавенберга-Маркварда:");
  Label1 = MakeLabel(GroupBox3, "Label1", QPoint(119, 50), "Колличество циклов уточнения:");
  Edit1 = MakeEdit(GroupBox3, "Edit1", QRect(345, 47, 106, 28), "");
  Label2 = MakeLabel(GroupBox3, "Label2", QPoint(111, 94), "Начальное значения параметров:");
  Edit2 = MakeEdit(GroupBox3, "Edit2", QRect(345, 92, 106, 28), "");
  Label3 =
      MakeLabel(GroupBox3, "Label3", QPoint(24, 140), "Начальное значение параметр регуляризации:");
  Edit3 = MakeEdit(GroupBox3, "Edit3", QRect(345, 137, 106, 28), "");
  Label4 = MakeLabel(GroupBox3, "Label4", QPoint(60, 186), "Шаг изменения параметр регуляризации:");
  Edit4 = MakeEdit(GroupBox3, "Edit4", QRect(345, 183, 106, 28), "");
  Label5 = MakeLabel(GroupBox3, "Label5", QPoint(258, 233), "'  ' - стандартные установки.");

  Label8 =
      MakeLabel(GroupBox2, "Label8", QPoint(523, 41), "Точность определения обратной матрицы:");
  Edit6 = MakeEdit(GroupBox2, "Edit6", QRect(832, 37, 106, 28), "1E-10");
  Label9 = MakeLabel(GroupBox2, "Label9", QPoint(619, 78), "Точность метода вращения:");
  Edit7 = MakeEdit(GroupBox2, "Edit7", QRect(832, 75, 106, 28), "1E-20");
  Button3 = MakeButton(GroupBox2, "Button3", QRect(654, 124, 284, 54), "Определить диагонали");
  Button7 = MakeButton(GroupBox2, "Button7", QRect(654, 186, 284, 53), "Аппроксимация");
  RadioButton1 = MakeRadioButton(GroupBox2, "RadioButton1", QRect(574, 256, 275, 33), "МНК", true);
  RadioButton2 = MakeRadioButton(GroupBox2, "RadioButton2", QRect(685, 256, 275, 33),
                                 "Алгоритм Лавенберга-Маркварда", false);

  Button10 = MakeButton(TabSheet2, "Button10", QRect(1007, 572, 128, 54), "Сохранить");
  Anchor(Button10, RightBottom);
  Button4 = MakeButton(TabSheet2, "Button4", QRect(1007, 649, 128, 55), "Очистить");
  Anchor(Button4, RightBottom);
}

void TForm1::BuildTab3() {
  Memo3 = MakePane(TabSheet3, "Memo3", QRect(23, 22, 1094, 546), Memo3InitialLine);
  Anchor(Memo3, AllFour);
  Label7 = MakeLabel(TabSheet3, "Label7", QPoint(429, 617), "");
  Button12 = MakeButton(TabSheet3, "Button12", QRect(43, 635, 338, 52), "Вывести характеристики");
  Anchor(Button12, RightBottom);
  CheckBox1 = MakeCheckBox(TabSheet3, "CheckBox1", QRect(441, 634, 221, 33),
                           "Преобразовать координаты", true);
  Anchor(CheckBox1, RightBottom);
  CheckBox2 = MakeCheckBox(TabSheet3, "CheckBox2", QRect(441, 665, 315, 23),
                           "Показать преобразованные координаты", false);
  Anchor(CheckBox2, RightBottom);
  Button11 = MakeButton(TabSheet3, "Button11", QRect(848, 634, 122, 57), "Очистить");
  Anchor(Button11, RightBottom);
  Button9 = MakeButton(TabSheet3, "Button9", QRect(978, 634, 120, 57), "Сохранить");
  Anchor(Button9, RightBottom);
}

void TForm1::BuildTab4() {
  ToolBar1 = new QWidget(TabSheet4);
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  ToolBar1->setFixedHeight(ToolBarHeight);
  ToolButton1 = MakeToolButton(ToolBar1, "ToolButton1", 0, 0, false, true);
  ToolButton2 = MakeToolButton(ToolBar1, "ToolButton2", 29, 2, true, true);
  ToolButton3 = MakeToolButton(ToolBar1, "ToolButton3", 58, 1, true, true);
  ToolButton4 = MakeToolButton(ToolBar1, "ToolButton4", 87, 3, true, false);
  TrackBar1 = MakeTrackBar(ToolBar1, "TrackBar1", 116, 125, 0, 500, 100);
  TrackBar3 = MakeTrackBar(ToolBar1, "TrackBar3", 241, 94, 0, 1000, 100);
  TrackBar2 = MakeTrackBar(ToolBar1, "TrackBar2", 335, 84, 1, 100, 40);
  TrackBar4 = MakeTrackBar(ToolBar1, "TrackBar4", 419, 84, 120, 180, 150);
  TrackBar4->setPageStep(1);
  CheckBox3 = MakeCheckBox(ToolBar1, "CheckBox3", QRect(503, 0, 118, ToolBarHeight),
                           "   черный фон", false);
  CheckBox3->setLayoutDirection(Qt::RightToLeft);
  ToolButton5 = MakeToolButton(ToolBar1, "ToolButton5", 503 + 118, 4, false, true);
  ToolButton5->setToolTip(QStringLiteral("Сохранить изображение"));

  // The bar runs along the top edge and the view fills the rest of the page.
  GLSceneViewer1 = CreateSceneViewer(TabSheet4);
  auto* layout = new QVBoxLayout(TabSheet4);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ToolBar1);
  layout->addWidget(GLSceneViewer1, 1);
}

void TForm1::CreateScene() {
  GLScene1 = std::make_unique<TGLScene>();
  TGLSceneObject& root = GLScene1->Objects();
  GLCamera1 = root.AddNewChild<TGLCamera>();
  GLLightSource1 = GLCamera1->AddNewChild<TGLLightSource>();
  GLLightSource1->SetConstAttenuation(1);
  GLLightSource1->SetSpotCutOff(180);
  GLPoints1 = root.AddNewChild<TGLPoints>();
  GLHeightField1 = AddSurfaceHalf(root);
  GLHeightField1->SetOnGetHeight(
      [this](float x, float y, float& z, SceneColor& color, TexPoint& texPoint) {
        GLHeightField1GetHeight(x, y, z, color, texPoint);
      });
  GLHeightField2 = AddSurfaceHalf(root);
  GLHeightField2->SetOnGetHeight(
      [this](float x, float y, float& z, SceneColor& color, TexPoint& texPoint) {
        GLHeightField2GetHeight(x, y, z, color, texPoint);
      });
  GLCamera1->SetPosition(1, 1, 1);
  GLCamera1->SetTargetObject(GLPoints1);
  GLCamera1->SetFocalLength(50);
  GLCamera1->SetDepthOfView(100);

  GLSceneViewer1->SetCamera(GLCamera1);
  GLSceneViewer1->Buffer().SetBackgroundColor(ViewGrey);
}

MoleculeView TForm1::SceneView() const { return {&GLScene1->Objects(), GLCamera1, GLPoints1}; }

void TForm1::ConnectHandlers() {
  connect(PageControl1, &QTabWidget::currentChanged, this, &TForm1::PageControl1Change);
  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
  connect(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
  connect(Button7, &QPushButton::clicked, this, &TForm1::Button7Click);
  connect(Button9, &QPushButton::clicked, this, &TForm1::Button9Click);
  connect(Button10, &QPushButton::clicked, this, &TForm1::Button10Click);
  connect(Button11, &QPushButton::clicked, this, &TForm1::Button11Click);
  connect(Button12, &QPushButton::clicked, this, &TForm1::Button12Click);
  connect(CheckBox1, &QCheckBox::toggled, this, &TForm1::CheckBox1Click);
  connect(CheckBox3, &QCheckBox::toggled, this, &TForm1::CheckBox3Click);
  // A toggle button's click arrives after its Down state has changed.
  connect(ToolButton1, &QToolButton::clicked, this, &TForm1::ToolButton1Click);
  connect(ToolButton2, &QToolButton::clicked, this, &TForm1::ToolButton2Click);
  connect(ToolButton3, &QToolButton::clicked, this, &TForm1::ToolButton3Click);
  connect(ToolButton4, &QToolButton::clicked, this, &TForm1::ToolButton4Click);
  connect(ToolButton5, &QToolButton::clicked, this, &TForm1::ToolButton5Click);
  // Ctrl+S works wherever the focus is on the fourth tab.
  auto* saveImage = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), TabSheet4);
  saveImage->setContext(Qt::WidgetWithChildrenShortcut);
  connect(saveImage, &QShortcut::activated, this, &TForm1::ToolButton5Click);
  connect(TrackBar1, &QSlider::valueChanged, this, &TForm1::TrackBar1Change);
  connect(TrackBar2, &QSlider::valueChanged, this, &TForm1::TrackBar2Change);
  connect(TrackBar3, &QSlider::valueChanged, this, &TForm1::TrackBar3Change);
  connect(TrackBar4, &QSlider::valueChanged, this, &TForm1::TrackBar4Change);
  connect(GLSceneViewer1, &TGLSceneViewer::MouseDown, this, &TForm1::GLSceneViewer1MouseDown);
  connect(GLSceneViewer1, &TGLSceneViewer::MouseMove, this, &TForm1::GLSceneViewer1MouseMove);
  // The window sees every wheel turn over any of its controls before the control does.
  qApp->installEventFilter(this);
}

QSize TForm1::MinimumClientSize() const {
  // The window may shrink until a control that moves with the right or bottom edge reaches the
  // left or top edge of its tab, or a pane that grows with the window is MinimumPaneHeight
  // high; the tool bar of the fourth tab keeps its width.
  QSize shrink(DesignClientSize.width() - ToolBar1->childrenRect().right(), 0);
  shrink.setHeight(DesignClientSize.height());
  for (const Anchored& anchored : m_anchored) {
    const QRect& design = anchored.designBounds;
    if (anchored.anchors & Qt::LeftEdge) {
      shrink.setHeight(std::min(shrink.height(), design.height() - MinimumPaneHeight));
      continue;
    }
    shrink.setWidth(std::min(shrink.width(), design.left()));
    shrink.setHeight(std::min(shrink.height(), design.top()));
  }
  return DesignClientSize - shrink;
}

void TForm1::Anchor(QWidget* control, Qt::Edges anchors) {
  m_anchored.push_back({control, control->geometry(), anchors});
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PageControl1->setGeometry(rect());
  // Every page grows by as much as the client area, so the design bounds hold exactly at the
  // design size whatever the tab widget's own frame takes.
  const QSize growth = size() - DesignClientSize;
  for (const Anchored& anchored : m_anchored)
    anchored.control->setGeometry(AnchoredBounds(anchored.designBounds, anchored.anchors, growth));
}

void TForm1::closeEvent(QCloseEvent* event) {
  FormClose();
  QWidget::closeEvent(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  // Only the event as it reaches the control under the mouse, not its copies passed on to the
  // control's parents.
  if (event->type() == QEvent::Wheel && event->spontaneous()) {
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (widget != nullptr && widget->window() == this)
      FormMouseWheel(static_cast<QWheelEvent*>(event)->angleDelta().y());
  }
  return QWidget::eventFilter(watched, event);
}

void TForm1::RunHandler(const std::function<void()>& body) {
  try {
    body();
  } catch (const std::bad_alloc&) {
    m_dialogs->critical(this, QString::fromUtf8(OutOfMemoryMessage));
  } catch (const std::exception& error) {
    m_dialogs->critical(this, QString::fromUtf8(error.what()));
  }
}

void TForm1::FormCreate() {
  PageControl1->setCurrentIndex(0);
  GLPoints1->Positions().Clear();
  ovalon::SceneSettings& settings = State().SceneSettings;
  settings.BondThreshold = TrackBarSetting(TrackBar4->value(), 100);
  settings.SelfPowerCount = 3;
  settings.BondColorDivisor = 100.0;
}

void TForm1::FormClose() {
  AnalysisState& state = State();
  DestroySceneObjects(state.AtomSpheres, state.AtomLabels, state.BondLines);
}

void TForm1::PageControl1Change() {}

void TForm1::FormMouseWheel(int wheelDelta) {
  if (PageControl1->currentIndex() != 3) return;
  GLSceneViewer1->setFocus();
  GLSceneViewer1->NoteInteraction();
  // A step that would take the camera nearer than 0.01 Å or farther than 10⁵ Å from its
  // target does nothing.
  ZoomWithinLimits(*GLCamera1, WheelDistanceRatio(wheelDelta));
}

void TForm1::Button1Click() {
  RunHandler([this] {
    const QString start = m_lastOpenName.isEmpty() ? ExamplesFolder() : m_lastOpenName;
    const QString path = m_dialogs->openFileName(this, CoordinateFileFilter, start);
    if (path.isEmpty()) return;
    m_lastOpenName = path;
    std::string bytes;
    try {
      bytes = ReadFileBytes(LocalPath(path), {.maxBytes = MaxTextFileBytes});
    } catch (const TextLimitError&) {
      m_dialogs->information(this, QString::fromUtf8(FileTooLargeMessage));
      return;
    }
    const QString name = QFileInfo(path).fileName();
    if (const std::optional<StructureFormat> format = StructureFormatOfName(name.toStdString())) {
      if (!ShowStructureCage(bytes, name, *format)) return;
    } else {
      SetPaneLines(*Memo1, DecodeTextLines(bytes));
    }
    setWindowTitle(QStringLiteral("Ovalon — ") + name);
  });
}

bool TForm1::ShowStructureCage(const std::string& bytes, const QString& name,
                               StructureFormat format) {
  CoordinateText text;
  try {
    text = StructureCageText(bytes, name.toStdString(), format);
  } catch (const StructureError& e) {
    m_dialogs->information(this,
                           QString::fromUtf8(StructureErrorMessage) + QString::fromUtf8(e.what()));
    return false;
  }
  if (!text.problem.empty()) {
    m_dialogs->information(this, QString::fromStdString(text.problem));
    return false;
  }
  SetPaneLines(*Memo1, text.lines);
  return true;
}

void TForm1::Button2Click() {
  RunHandler([this] {
    AnalysisState& state = State();
    const CoordinateReading reading =
        ReadCoordinates(PaneLines(*Memo1), state.AtomCoords, state.CoordErrors);
    SetDecimalSeparatorAfterParsing(reading.numbersParsed);
    if (reading.formatError) {
      m_dialogs->detailedInformation(this, QString::fromUtf8(FormatErrorMessage), QString(),
                                     FormatErrorDetails(reading.badField));
    }
    for (const std::string& notice : CoordinateNotices(reading))
      m_dialogs->information(this, QString::fromStdString(notice));
  });
}

void TForm1::Button3Click() {
  RunHandler([this] {
    AnalysisState& state = State();
    const DiagonalResult result = FindMaximumDiagonals(state.AtomCoords);
    state.AtomMaxDistance = result.atomMaxDistance;
    state.DiagonalStart = result.start;
    state.DiagonalEnd = result.end;
    state.DiagonalVector = result.vector;
    state.DiagonalLength = result.length;
    AppendLines(*Memo2, DiagonalLines(state.AtomCoords, result, DecimalSeparator()));
  });
}

void TForm1::Button4Click() { ClearPane(*Memo2, Memo2InitialLine); }

void TForm1::Button7Click() {
  RunHandler([this] {
    AnalysisState& state = State();
    FitSettings settings;
    settings.inversePrecision = Edit6->text().toStdString();
    settings.rotationPrecision = Edit7->text().toStdString();
    settings.leastSquares = RadioButton1->isChecked();
    settings.cycles = Edit1->text().toStdString();
    settings.start = Edit2->text().toStdString();
    settings.lambda = Edit3->text().toStdString();
    settings.step = Edit4->text().toStdString();

    // The fields are read and the report is written here, on the thread that holds the decimal
    // separator; only the numerics of a long run go to a worker thread.
    const PointSet coords = state.AtomCoords;
    const PointSet errors = state.CoordErrors;
    const PreparedFit prepared = PrepareFit(coords, settings);
    SetDecimalSeparatorAfterParsing(prepared.result.numbersParsed);
    FitRunResult result = prepared.result;
    if (prepared.plan) {
      const FitOutcome outcome =
          ComputeFitWithProgress(this, *m_dialogs, coords, errors, *prepared.plan);
      result = FinishFit(prepared.result, coords, *prepared.plan, outcome, DecimalSeparator());
    }
    // Each precision is kept once it has been read, even when a later field is rejected.
    if (result.inversePrecision) state.InversePrecision = *result.inversePrecision;
    if (result.rotationPrecision) state.RotationPrecision = *result.rotationPrecision;
    switch (result.status) {
      case FitStatus::NotRun:
        return;
      case FitStatus::Cancelled:
        ShowTransientNotice(Memo2, QString::fromUtf8(CancelledFitNotice));
        return;
      case FitStatus::InvalidInput:
        ShowRejectedField(result.invalidField.value_or(FitField::InversePrecision));
        return;
      case FitStatus::SingularMatrix:
        m_dialogs->information(this, QString::fromUtf8(SingularMatrixMessage));
        return;
      case FitStatus::Done:
        break;
    }
    AppendLines(*Memo2, result.lines);
    state.FitParams = *result.fitParams;
    if (result.fitErrors) state.FitErrors = *result.fitErrors;
  });
}

void TForm1::ShowRejectedField(FitField field) {
  const std::pair<QLabel*, QLineEdit*> controls[] = {
      {Label8, Edit6}, {Label9, Edit7}, {Label1, Edit1},
      {Label2, Edit2}, {Label3, Edit3}, {Label4, Edit4},
  };
  const auto [label, edit] = controls[static_cast<int>(field)];
  m_dialogs->detailedInformation(this, QString::fromUtf8(InvalidInputMessage),
                                 RejectedFieldText(label->text(), edit->text()), QString());
  edit->setFocus();
  edit->selectAll();
}

void TForm1::Button9Click() { SavePane(*Memo3); }

void TForm1::Button10Click() { SavePane(*Memo2); }

void TForm1::Button11Click() { ClearPane(*Memo3, Memo3InitialLine); }

void TForm1::Button12Click() {
  RunHandler([this] {
    AnalysisState& state = State();
    CharacteristicsInput input;
    input.fitParams = state.FitParams;
    input.fitErrors = state.FitErrors;
    input.inversePrecision = state.InversePrecision;
    input.rotationPrecision = state.RotationPrecision;
    input.atomCoords = state.AtomCoords;
    input.coordErrors = state.CoordErrors;
    input.transformCoordinates = CheckBox1->isChecked();
    input.showCoordinates = CheckBox2->isChecked();

    CharacteristicsResult result;
    try {
      result = RunCharacteristics(input, DecimalSeparator());
    } catch (const SingularMatrixError&) {
      m_dialogs->information(this, QString::fromUtf8(SingularMatrixMessage));
      return;
    }
    if (!result.ran) return;
    state.EllipsoidCentre = result.ellipsoidCentre;
    state.SemiAxes = result.semiAxes;
    state.TransformedCoords = result.transformedCoords;
    AppendLines(*Memo3, result.lines);
  });
}

void TForm1::CheckBox1Click() { CheckBox2->setVisible(CheckBox1->isChecked()); }

void TForm1::CheckBox3Click() {
  RunHandler([this] {
    GLSceneViewer1->Buffer().SetBackgroundColor(CheckBox3->isChecked() ? ViewBlack : ViewGrey);
    GLSceneViewer1->Buffer().Render();
  });
}

void TForm1::ToolButton1Click() {
  RunHandler([this] {
    AnalysisState& state = State();
    ovalon::SceneSettings& settings = state.SceneSettings;
    settings.BondGreenBase = TrackBar1->value();
    settings.BondLineWidth = TrackBarSetting(TrackBar2->value(), 10);
    settings.AtomRadius = TrackBarSetting(TrackBar3->value(), 1000);
    const MoleculeData data{state.TransformedCoords, state.AtomCoords, state.FitParams,
                            state.SemiAxes};
    BuildMoleculeScene(SceneView(), data, settings, ToolButton4->isChecked(), state.NearestAtoms,
                       state.NearestDistances, state.AtomSpheres, state.BondLines,
                       state.AtomLabels);
    GLSceneTools->SceneRebuilt();
  });
}

void TForm1::ToolButton2Click() {
  RunHandler([this] {
    AnalysisState& state = State();
    if (ToolButton2->isChecked())
      CreateAxisLabels(SceneView(), state.AxisLabels);
    else
      DestroyAxisLabels(SceneView(), state.AxisLabels);
  });
}

void TForm1::ToolButton3Click() {
  RunHandler([this] {
    SetEllipsoidSampling(*GLHeightField1, *GLHeightField2, State().SemiAxes, EllipsoidDivisions,
                         ToolButton3->isChecked());
  });
}

void TForm1::ToolButton4Click() {
  RunHandler([this] {
    AnalysisState& state = State();
    if (ToolButton4->isChecked()) {
      const MoleculeData data{state.TransformedCoords, state.AtomCoords, state.FitParams,
                              state.SemiAxes};
      CreateAtomLabels(SceneView(), data, state.AtomLabels);
    } else {
      DestroyAtomLabels(state.AtomLabels);
    }
  });
}

void TForm1::ToolButton5Click() {
  RunHandler([this] {
    const ImageSaveChoice choice = m_dialogs->saveImageFileName(this, ImageFileFilter, m_lastImage);
    if (choice.path.isEmpty()) return;
    m_lastImage = choice;
    // The view's own frame size, as it draws itself.
    const qreal ratio = GLSceneViewer1->devicePixelRatioF();
    const QSize viewSize(static_cast<int>(GLSceneViewer1->width() * ratio),
                         static_cast<int>(GLSceneViewer1->height() * ratio));
    const QImage image =
        RenderSceneImage(GLSceneViewer1->Camera(), viewSize, choice.scale,
                         GLSceneViewer1->Buffer().BackgroundColor(), choice.transparentBackground);
    WritePngImage(choice.path, image);
  });
}

void TForm1::TrackBar1Change() {
  AnalysisState& state = State();
  state.SceneSettings.BondGreenBase = TrackBar1->value();
  GLSceneViewer1->NoteInteraction();
  RecolorBondLines(state.BondLines, state.NearestDistances, state.SceneSettings);
  GLSceneViewer1->setFocus();
}

void TForm1::TrackBar2Change() {
  AnalysisState& state = State();
  state.SceneSettings.BondLineWidth = TrackBarSetting(TrackBar2->value(), 10);
  GLSceneViewer1->NoteInteraction();
  SetBondLineWidths(state.BondLines, state.SceneSettings.BondLineWidth);
  GLSceneViewer1->setFocus();
}

void TForm1::TrackBar3Change() {
  AnalysisState& state = State();
  state.SceneSettings.AtomRadius = TrackBarSetting(TrackBar3->value(), 1000);
  GLSceneViewer1->NoteInteraction();
  SetAtomRadii(state.AtomSpheres, state.SceneSettings.AtomRadius);
  GLSceneViewer1->setFocus();
}

void TForm1::TrackBar4Change() {
  State().SceneSettings.BondThreshold = TrackBarSetting(TrackBar4->value(), 100);
  GLSceneViewer1->setFocus();
}

void TForm1::GLSceneViewer1MouseDown(const ViewerMouseEvent& event) {
  mx = event.x;
  my = event.y;
}

void TForm1::GLSceneViewer1MouseMove(const ViewerMouseEvent& event) {
  AnalysisState& state = State();
  if (GLSceneTools->Pan(event, mx, my)) {
    GLSceneViewer1->NoteInteraction();
    mx = event.x;
    my = event.y;
    FaceLabelsToCamera();
    return;
  }
  if (!event.shift.Empty()) {
    GLSceneViewer1->NoteInteraction();
    // One pixel of mouse travel is one degree of orbit.
    GLCamera1->MoveAroundTarget(static_cast<float>(my - event.y), static_cast<float>(mx - event.x));
    mx = event.x;
    my = event.y;
    if (ToolButton4->isChecked()) FaceAtomLabels(state.AtomLabels, *GLCamera1);
  }
  FaceAxisLabels(state.AxisLabels, *GLCamera1);
}

void TForm1::FaceLabelsToCamera() {
  AnalysisState& state = State();
  if (ToolButton4->isChecked()) FaceAtomLabels(state.AtomLabels, *GLCamera1);
  FaceAxisLabels(state.AxisLabels, *GLCamera1);
}

void TForm1::GLHeightField1GetHeight(float x, float y, float& z, SceneColor&, TexPoint&) {
  z = EllipsoidHeight(State().SemiAxes, +1, x, y, GLHeightField1->XSamplingScale().Step(),
                      GLHeightField1->YSamplingScale().Step());
}

void TForm1::GLHeightField2GetHeight(float x, float y, float& z, SceneColor&, TexPoint&) {
  z = EllipsoidHeight(State().SemiAxes, -1, x, y, GLHeightField2->XSamplingScale().Step(),
                      GLHeightField2->YSamplingScale().Step());
}

void TForm1::ClearPane(QPlainTextEdit& pane, const char* initialLine) {
  RunHandler([&] {
    pane.clear();
    AppendLine(pane, initialLine);
  });
}

void TForm1::SavePane(const QPlainTextEdit& pane) {
  RunHandler([&] {
    const QString path = m_dialogs->saveFileName(this, ReportFileFilter, m_lastSaveName);
    if (path.isEmpty()) return;
    m_lastSaveName = path;
    WriteLinesCrLf(LocalPath(path), PaneLines(pane));
  });
}

}  // namespace ovalon
