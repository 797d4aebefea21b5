#include "app/viewtools.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QToolButton>
#include <QToolTip>
#include <cmath>

#include "app/atomdetails.h"
#include "app/ovalon.h"
#include "view3d/qt/glsceneviewer.h"
#include "view3d/scene/ellipsoidsurface.h"
#include "view3d/scene/viewnavigation.h"

namespace ovalon {

namespace {

/// A press and release closer than this (pixels, each way) is a click, not a drag.
constexpr int ClickSlop = 3;
/// An atom drawn smaller than this radius (pixels) is still found under the mouse.
constexpr float MinimumPickPixels = 5;
/// The measuring line: yellow, 2 pixels, dashed 8 on 8 off.
constexpr std::uint16_t MeasurePattern = 0x00FF;

const char* const OverlayStyle =
    "QLabel { background: rgba(40, 40, 40, 215); color: white; border: 1px solid #a0a0a0;"
    " border-radius: 3px; padding: 4px 6px; }";

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

QAction* MakeAction(QWidget* owner, const char* name, const char* text, QKeySequence keys,
                    bool checkable) {
  auto* action = new QAction(QString::fromUtf8(text), owner);
  action->setObjectName(QString::fromLatin1(name));
  action->setShortcut(keys);
  // The keys work wherever the focus is on the tab.
  action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  action->setCheckable(checkable);
  owner->addAction(action);
  return action;
}

QLabel* MakeOverlay(QWidget* view, const char* name) {
  auto* label = new QLabel(view);
  label->setObjectName(QString::fromLatin1(name));
  label->setStyleSheet(QString::fromLatin1(OverlayStyle));
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  label->hide();
  return label;
}

/// "<colour swatch> text" for the legend.
QString LegendRow(const char* colour, const QString& mark, const QString& text) {
  return QStringLiteral("<span style=\"color:%1\">%2</span> %3")
      .arg(QString::fromLatin1(colour), mark, text.toHtmlEscaped());
}

}  // namespace

ViewTools::ViewTools(TForm1& form) : QObject(&form), m_form(form) {
  // The pivot hangs on the camera's start target, which stays at the origin, so that the
  // scene's own list of objects is what it was.
  m_pivot = form.GLPoints1->AddNewChild<TGLSceneObject>();
  CreateActions();
  CreateOverlays();
  SetToolBarTips();
  TGLSceneViewer* view = form.GLSceneViewer1;
  connect(view, &TGLSceneViewer::MouseDown, this, &ViewTools::MouseDown);
  connect(view, &TGLSceneViewer::MouseUp, this, &ViewTools::MouseUp);
  connect(view, &TGLSceneViewer::ToolTipRequested, this, &ViewTools::ShowToolTip);
  connect(view, &TGLSceneViewer::KeyboardContextMenu, this,
          [this, view](QPoint at) { ShowContextMenu(view->mapToGlobal(at)); });
  view->installEventFilter(this);
}

void ViewTools::CreateActions() {
  QWidget* tab = m_form.TabSheet4;
  ResetViewAction = MakeAction(tab, "ResetViewAction", "Сбросить вид", Qt::Key_Home, false);
  FrameAllAction = MakeAction(tab, "FrameAllAction", "Показать всё", Qt::Key_F, false);
  TranslucentAction =
      MakeAction(tab, "TranslucentAction", "Полупрозрачный эллипсоид", QKeySequence(), true);
  LegendAction = MakeAction(tab, "LegendAction", "Легенда", Qt::Key_L, true);
  ClearMeasureAction =
      MakeAction(tab, "ClearMeasureAction", "Убрать измерение", Qt::Key_Escape, false);
  connect(ResetViewAction, &QAction::triggered, this, &ViewTools::ResetView);
  connect(FrameAllAction, &QAction::triggered, this, &ViewTools::FrameAll);
  connect(TranslucentAction, &QAction::toggled, this, &ViewTools::SetTranslucent);
  connect(LegendAction, &QAction::toggled, this, &ViewTools::ShowLegend);
  connect(ClearMeasureAction, &QAction::triggered, this, &ViewTools::ClearMeasurement);

  ContextMenu = new QMenu(m_form.GLSceneViewer1);
  ContextMenu->setObjectName(QStringLiteral("ViewContextMenu"));
  ContextMenu->addAction(ResetViewAction);
  ContextMenu->addAction(FrameAllAction);
  ContextMenu->addSeparator();
  ContextMenu->addAction(TranslucentAction);
  ContextMenu->addAction(LegendAction);
  ContextMenu->addSeparator();
  ContextMenu->addAction(ClearMeasureAction);
}

void ViewTools::CreateOverlays() {
  Legend = MakeOverlay(m_form.GLSceneViewer1, "ViewLegend");
  Legend->setTextFormat(Qt::RichText);
  MeasureLabel = MakeOverlay(m_form.GLSceneViewer1, "MeasureLabel");
}

void ViewTools::SetToolBarTips() {
  m_form.ToolButton1->setToolTip(QStringLiteral("Построить молекулу: атомы, связи, номера"));
  m_form.ToolButton2->setToolTip(QStringLiteral("Оси координат"));
  m_form.ToolButton3->setToolTip(QStringLiteral("Эллипсоид"));
  m_form.ToolButton4->setToolTip(QStringLiteral("Номера атомов"));
  struct Tip {
    QSlider* bar;
    QString (*text)(int);
  };
  const Tip tips[] = {
      {m_form.TrackBar1,
       [](int v) { return QStringLiteral("Зелёный цвет связей: %1 из 255").arg(v); }},
      {m_form.TrackBar3,
       [](int v) { return QStringLiteral("Радиус атомов: %1 Å").arg(v / 1000.0, 0, 'f', 3); }},
      {m_form.TrackBar2,
       [](int v) { return QStringLiteral("Толщина связей: %1 пикс.").arg(v / 10.0, 0, 'f', 1); }},
      {m_form.TrackBar4,
       [](int v) {
         return QStringLiteral("Наибольшая длина связи: %1 Å (при следующем построении)")
             .arg(v / 100.0, 0, 'f', 2);
       }},
  };
  for (const Tip& tip : tips) {
    const auto update = [bar = tip.bar, text = tip.text](int value) {
      bar->setToolTip(text(value));
    };
    update(tip.bar->value());
    connect(tip.bar, &QSlider::valueChanged, this, update);
  }
}

bool ViewTools::Pan(const ViewerMouseEvent& event, int mx, int my) {
  const bool pans = event.shift.middle || (event.shift.shift && event.shift.left);
  if (!pans) return false;
  const qreal ratio = m_form.GLSceneViewer1->devicePixelRatioF();
  PanView(*m_form.GLCamera1, *m_pivot, static_cast<float>((event.x - mx) * ratio),
          static_cast<float>((event.y - my) * ratio));
  return true;
}

void ViewTools::MouseDown(const ViewerMouseEvent& event) {
  m_pressedAt = QPoint(event.x, event.y);
  m_pressed = event.button;
}

void ViewTools::MouseUp(const ViewerMouseEvent& event) {
  const QPoint at(event.x, event.y);
  const bool click = event.button == m_pressed && std::abs(at.x() - m_pressedAt.x()) <= ClickSlop &&
                     std::abs(at.y() - m_pressedAt.y()) <= ClickSlop;
  m_pressed = ViewerButton::None;
  if (!click) return;
  if (event.button == ViewerButton::Right) {
    ShowContextMenu(m_form.GLSceneViewer1->mapToGlobal(at));
  } else if (event.button == ViewerButton::Left && !event.shift.shift) {
    if (const std::optional<int> atom = AtomAt(at)) ClickAtom(*atom);
  }
}

void ViewTools::ShowContextMenu(QPoint global) { ContextMenu->popup(global); }

std::optional<int> ViewTools::AtomAt(QPoint at) const {
  const AnalysisState& state = TForm1::State();
  std::vector<SceneVector> centres;
  std::vector<int> atoms;
  for (int i = 1; i <= AtomCount; ++i) {
    if (state.AtomSpheres.at(i) == nullptr) continue;
    centres.push_back(state.AtomSpheres.at(i)->AbsolutePosition());
    atoms.push_back(i);
  }
  const TGLSceneViewer* view = m_form.GLSceneViewer1;
  const qreal ratio = view->devicePixelRatioF();
  const std::optional<int> picked = PickSphere(
      *m_form.GLCamera1, static_cast<int>(view->width() * ratio),
      static_cast<int>(view->height() * ratio), centres,
      static_cast<float>(state.SceneSettings.AtomRadius), static_cast<float>(at.x() * ratio),
      static_cast<float>(at.y() * ratio), static_cast<float>(MinimumPickPixels * ratio));
  if (!picked) return std::nullopt;
  return atoms[*picked];
}

QString ViewTools::AtomToolTip(QPoint at) const {
  const std::optional<int> atom = AtomAt(at);
  if (!atom) return QString();
  const AnalysisState& state = TForm1::State();
  QStringList lines;
  for (const std::string& line :
       AtomTooltipLines(state.AtomCoords, state.CoordErrors, state.FitParams, *atom))
    lines << Utf8(line);
  return lines.join('\n');
}

void ViewTools::ShowToolTip(QPoint at, QPoint global) {
  const QString text = AtomToolTip(at);
  if (text.isEmpty()) {
    QToolTip::hideText();
    return;
  }
  // The tooltip stays while the mouse is over this atom's few pixels.
  QToolTip::showText(global, text, m_form.GLSceneViewer1, QRect(at - QPoint(4, 4), QSize(9, 9)));
}

void ViewTools::ResetView() {
  ovalon::ResetView(*m_form.GLCamera1, *m_form.GLPoints1);
  m_form.FaceLabelsToCamera();
}

void ViewTools::FrameAll() {
  const AnalysisState& state = TForm1::State();
  std::vector<SceneVector> atoms;
  for (int i = 1; i <= AtomCount; ++i) {
    if (state.AtomSpheres.at(i) != nullptr)
      atoms.push_back(state.AtomSpheres.at(i)->AbsolutePosition());
  }
  // The ellipsoid counts while it is shown.
  const std::array<double, 3> none{};
  const std::optional<BoundingSphere> bounds =
      SceneBounds(atoms, static_cast<float>(state.SceneSettings.AtomRadius),
                  m_form.ToolButton3->isChecked() ? state.SemiAxes : none);
  if (!bounds) return;
  const TGLSceneViewer* view = m_form.GLSceneViewer1;
  const qreal ratio = view->devicePixelRatioF();
  FrameSphere(*m_form.GLCamera1, *m_pivot, *bounds, static_cast<int>(view->width() * ratio),
              static_cast<int>(view->height() * ratio));
  m_form.FaceLabelsToCamera();
}

void ViewTools::SetTranslucent(bool translucent) {
  SetEllipsoidAppearance(*m_form.GLHeightField1, translucent);
  SetEllipsoidAppearance(*m_form.GLHeightField2, translucent);
}

void ViewTools::ShowLegend(bool shown) {
  if (shown) RefreshLegend();
  Legend->setVisible(shown);
  PlaceOverlays();
}

void ViewTools::RefreshLegend() {
  const AnalysisState& state = TForm1::State();
  const bool fitted = HasFit(state.FitParams);
  const auto side = [&](Extended value, const char* sign) {
    const QString f = QString::fromUtf8(sign);
    if (!fitted) return f;
    const QuadricSide s = SideOfQuadric(state.FitParams, value);
    if (s == QuadricSide::Positive || s == QuadricSide::Negative) return f;
    return f + QStringLiteral(": ") + Utf8(SideText(s));
  };
  const QString dot = QStringLiteral("●");
  const QString bar = QStringLiteral("━━");
  const QStringList rows = {
      QStringLiteral("<b>Атомы</b> (F — левая часть уравнения эллипсоида)"),
      LegendRow("#4060ff", dot, side(1, "F > 0")),
      LegendRow("#ff0000", dot, side(-1, "F ≤ 0")),
      QStringLiteral("<b>Связи</b> к ближайшим атомам, не длиннее %1 Å")
          .arg(state.SceneSettings.BondThreshold, 0, 'f', 2),
      LegendRow("#00a000", bar, QStringLiteral("зелёная: чем длиннее, тем темнее")),
      LegendRow("#ffffff", bar, QStringLiteral("белая: длиннее, чем охватывает шкала")),
  };
  Legend->setText(rows.join(QStringLiteral("<br>")));
  Legend->adjustSize();
}

void ViewTools::ClickAtom(int atom) {
  if (m_measured.size() != 1) ClearMeasurement();
  if (!m_measured.empty() && m_measured.front() == atom) return;
  m_measured.push_back(atom);
  const AnalysisState& state = TForm1::State();
  if (m_measured.size() == 1) {
    MeasureLabel->setText(QStringLiteral("Атом %1: выберите второй атом").arg(atom));
  } else {
    const int first = m_measured[0];
    MeasureLabel->setText(Utf8(DistanceText(state.AtomCoords, first, atom)));
    m_measureLine = m_form.GLScene1->Objects().AddNewChild<TGLLines>();
    m_measureLine->SetNodesAspect(lnaInvisible);
    m_measureLine->SetLineWidth(2);
    m_measureLine->SetLineColor(ColorFromRGB(255, 255, 0));
    m_measureLine->SetLinePattern(MeasurePattern);
    for (int i : m_measured) {
      const SceneVector p = state.AtomSpheres.at(i)->AbsolutePosition();
      m_measureLine->AddNode(p.x, p.y, p.z);
    }
  }
  MeasureLabel->adjustSize();
  MeasureLabel->show();
  PlaceOverlays();
}

void ViewTools::ClearMeasurement() {
  m_measured.clear();
  delete m_measureLine;
  m_measureLine = nullptr;
  MeasureLabel->hide();
}

void ViewTools::SceneRebuilt() {
  ClearMeasurement();
  if (LegendAction->isChecked()) {
    RefreshLegend();
    PlaceOverlays();
  }
}

void ViewTools::PlaceOverlays() {
  constexpr int Margin = 8;
  const QSize view = m_form.GLSceneViewer1->size();
  Legend->move(Margin, view.height() - Legend->height() - Margin);
  MeasureLabel->move(view.width() - MeasureLabel->width() - Margin, Margin);
}

bool ViewTools::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_form.GLSceneViewer1 && event->type() == QEvent::Resize) PlaceOverlays();
  return QObject::eventFilter(watched, event);
}

}  // namespace ovalon
