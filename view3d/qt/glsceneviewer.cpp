#include "view3d/qt/glsceneviewer.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <cmath>

namespace ovalon {

void TGLSceneBuffer::SetBackgroundColor(const QColor& color) {
  m_background = color;
  m_viewer->Invalidate();
}

void TGLSceneBuffer::Render() { m_viewer->RenderNow(); }

TGLSceneViewer::TGLSceneViewer(QWidget* parent) : QOpenGLWidget(parent) {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setVersion(2, 1);
  format.setDepthBufferSize(24);
  format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
  setFormat(format);
  // Every frame clears and draws the whole view itself. Without this, Qt would clear the frame
  // buffer before each paintGL once the view is on screen, wiping a frame drawn by RenderNow.
  setUpdateBehavior(QOpenGLWidget::PartialUpdate);
  setMouseTracking(true);  // moves without a button are reported too
  setFocusPolicy(Qt::StrongFocus);
  m_clock.start();
  m_settle.setSingleShot(true);
  m_settle.setTimerType(Qt::PreciseTimer);
  connect(&m_settle, &QTimer::timeout, this, &TGLSceneViewer::Settle);
  connect(this, &QOpenGLWidget::frameSwapped, this, &TGLSceneViewer::FrameSwapped);
}

TGLSceneViewer::~TGLSceneViewer() {
  StopListening();
  ReleaseGL();
  // The base class destroys the context after this object's members are gone.
  if (context() != nullptr) disconnect(context(), nullptr, this, nullptr);
}

void TGLSceneViewer::SetCamera(TGLCamera* camera) {
  StopListening();
  m_camera = camera;
  m_scene = camera != nullptr ? camera->Scene() : nullptr;
  if (m_scene != nullptr) m_scene->AddListener(this);
  Invalidate();
}

void TGLSceneViewer::RenderNow() {
  if (!isValid()) {  // no context before the widget is first shown
    update();
    return;
  }
  makeCurrent();
  Draw();
  doneCurrent();
  m_drawn = true;
  update();
}

void TGLSceneViewer::Invalidate() {
  m_drawn = false;
  update();
}

void TGLSceneViewer::initializeGL() {
  // The context can go away before the widget does (moving to another window).
  connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &TGLSceneViewer::ReleaseGL,
          Qt::UniqueConnection);
  m_renderer.Initialize();
}

void TGLSceneViewer::resizeGL(int, int) { m_drawn = false; }

void TGLSceneViewer::paintGL() {
  if (m_drawn) {
    m_drawn = false;
    return;
  }
  Draw();
}

void TGLSceneViewer::Draw() {
  const QColor background = m_buffer.BackgroundColor();
  const qreal ratio = devicePixelRatioF();
  const double now = Now();
  m_lastInteractive = !m_stillOnly && m_interaction.Interacting(now);
  m_lastStride = m_lastInteractive ? m_interaction.StrideAt(now) : 1;
  m_drawStarted = now;
  if (!m_stillOnly) m_lighterShown = m_lastStride > 1;
  m_renderer.Render(m_camera, static_cast<int>(width() * ratio), static_cast<int>(height() * ratio),
                    ColorFromRGB(background.red(), background.green(), background.blue()), 1,
                    m_lastStride);
  ++m_frames;
}

void TGLSceneViewer::NoteInteraction() {
  m_interaction.Interacted(Now());
  m_settle.start(static_cast<int>(std::ceil(InteractiveFrames::SettleMs)));
}

QImage TGLSceneViewer::grabFramebuffer() {
  m_stillOnly = true;
  QImage image = QOpenGLWidget::grabFramebuffer();
  m_stillOnly = false;
  m_drawStarted = -1;  // read back, not shown
  return image;
}

void TGLSceneViewer::FrameSwapped() {
  if (m_drawStarted < 0) return;  // composed again without a new frame
  m_interaction.FrameShown(m_lastStride, Now() - m_drawStarted, m_lastInteractive);
  m_drawStarted = -1;
}

void TGLSceneViewer::Settle() {
  const double now = Now();
  if (m_interaction.Interacting(now)) {  // a timer may fire a little early
    m_settle.start(static_cast<int>(std::ceil(m_interaction.UntilSettled(now))));
    return;
  }
  if (m_lighterShown) Invalidate();
}

double TGLSceneViewer::Now() const { return m_clock.nsecsElapsed() / 1e6; }

void TGLSceneViewer::mousePressEvent(QMouseEvent* event) {
  emit MouseDown(ToViewerMouseEvent(*event));
}

void TGLSceneViewer::mouseMoveEvent(QMouseEvent* event) {
  emit MouseMove(ToViewerMouseEvent(*event));
}

void TGLSceneViewer::mouseReleaseEvent(QMouseEvent* event) {
  emit MouseUp(ToViewerMouseEvent(*event));
}

void TGLSceneViewer::contextMenuEvent(QContextMenuEvent* event) {
  event->accept();
  if (event->reason() != QContextMenuEvent::Mouse) emit KeyboardContextMenu(event->pos());
}

bool TGLSceneViewer::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    emit ToolTipRequested(help->pos(), help->globalPos());
    return true;
  }
  return QOpenGLWidget::event(event);
}

void TGLSceneViewer::SceneChanged() { Invalidate(); }

void TGLSceneViewer::ObjectDestroyed(TGLSceneObject* object) {
  if (object == m_camera) m_camera = nullptr;
  Invalidate();
}

void TGLSceneViewer::SceneDestroyed() {
  m_scene = nullptr;
  m_camera = nullptr;
  Invalidate();
}

void TGLSceneViewer::StopListening() {
  if (m_scene != nullptr) m_scene->RemoveListener(this);
  m_scene = nullptr;
}

void TGLSceneViewer::ReleaseGL() {
  if (context() == nullptr) return;
  makeCurrent();
  m_renderer.ReleaseResources();
  doneCurrent();
}

ViewerMouseEvent ToViewerMouseEvent(const QMouseEvent& event) {
  const QPoint p = event.position().toPoint();
  const Qt::MouseButtons buttons = event.buttons();
  const Qt::KeyboardModifiers keys = event.modifiers();
  ViewerMouseEvent result;
  result.x = p.x();
  result.y = p.y();
  result.shift.shift = keys.testFlag(Qt::ShiftModifier);
  result.shift.ctrl = keys.testFlag(Qt::ControlModifier);
  result.shift.alt = keys.testFlag(Qt::AltModifier);
  result.shift.left = buttons.testFlag(Qt::LeftButton);
  result.shift.right = buttons.testFlag(Qt::RightButton);
  result.shift.middle = buttons.testFlag(Qt::MiddleButton);
  switch (event.button()) {
    case Qt::NoButton:
      result.button = ViewerButton::None;
      break;
    case Qt::LeftButton:
      result.button = ViewerButton::Left;
      break;
    case Qt::RightButton:
      result.button = ViewerButton::Right;
      break;
    case Qt::MiddleButton:
      result.button = ViewerButton::Middle;
      break;
    default:
      result.button = ViewerButton::Other;
      break;
  }
  return result;
}

}  // namespace ovalon
