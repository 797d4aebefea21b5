#pragma once
// TGLSceneViewer: the OpenGL view of a scene inside a window, with its Buffer.

#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QOpenGLWidget>
#include <QTimer>

#include "view3d/gl/glrenderer.h"
#include "view3d/qt/qtglyphsource.h"
#include "view3d/scene/glcamera.h"
#include "view3d/scene/interactiveframes.h"
#include "view3d/scene/viewerinput.h"

class QMouseEvent;

namespace ovalon {

class TGLSceneViewer;

/// The viewer's frame buffer settings: the background colour and drawing at once.
class TGLSceneBuffer {
 public:
  explicit TGLSceneBuffer(TGLSceneViewer* viewer) : m_viewer(viewer) {}
  /// The clear colour as a window-system colour; default black.
  QColor BackgroundColor() const { return m_background; }
  /// Uses (R/255, G/255, B/255, 1) of `color` from the next frame on and schedules a redraw.
  void SetBackgroundColor(const QColor& color);
  /// Draws the scene now.
  void Render();

 private:
  TGLSceneViewer* m_viewer;
  QColor m_background{0, 0, 0};
};

/// Draws the scene of its Camera with depth and double buffering in a compatibility OpenGL
/// context, redrawing soon after any change of that scene. Reports mouse-down and mouse-move
/// events (with or without a held button) as plain values. While the user moves the view
/// (NoteInteraction) frames are drawn lighter; the full frame follows once the moving stops.
class TGLSceneViewer : public QOpenGLWidget, private TGLSceneListener {
  Q_OBJECT

 public:
  explicit TGLSceneViewer(QWidget* parent = nullptr);
  ~TGLSceneViewer() override;

  /// The camera whose scene and view are drawn (not owned); forgotten when it or its scene is
  /// destroyed.
  TGLCamera* Camera() const { return m_camera; }
  void SetCamera(TGLCamera* camera);

  TGLSceneBuffer& Buffer() { return m_buffer; }

  /// Draws the frame now (Buffer.Render); it is shown at the next composition of the window.
  void RenderNow();

  /// The renderer, for its validity and statistics.
  const GLRenderer& Renderer() const { return m_renderer; }
  /// Frames drawn so far.
  int FrameCount() const { return m_frames; }

  /// The user drags, pans, turns the wheel or moves a track bar: the frames drawn until
  /// InteractiveFrames::SettleMs after the last call are lighter, and then the full frame is
  /// drawn.
  void NoteInteraction();
  /// Which frames are lighter, and how much; fed with the times of the frames shown.
  InteractiveFrames& Interaction() { return m_interaction; }
  /// The wire-frame stride of the last frame drawn: 1 for the full frame.
  int LastStride() const { return m_lastStride; }

  /// The full frame, drawn now and read back, also during an interaction.
  QImage grabFramebuffer();

 signals:
  /// A mouse button went down at client pixel (x, y).
  void MouseDown(const ovalon::ViewerMouseEvent& event);
  /// The mouse moved to client pixel (x, y), buttons held or not.
  void MouseMove(const ovalon::ViewerMouseEvent& event);
  /// A mouse button went up at client pixel (x, y).
  void MouseUp(const ovalon::ViewerMouseEvent& event);
  /// The mouse rests at client pixel `at` and a tooltip may be shown; `global` is the same
  /// point on the screen.
  void ToolTipRequested(QPoint at, QPoint global);
  /// The context menu was asked for from the keyboard, to be shown at client pixel `at`. A
  /// right click asks for nothing here: the right button also orbits, so the window decides on
  /// its release.
  void KeyboardContextMenu(QPoint at);

 protected:
  void initializeGL() override;
  void resizeGL(int width, int height) override;
  void paintGL() override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool event(QEvent* event) override;

 private:
  friend class TGLSceneBuffer;
  void SceneChanged() override;
  void ObjectDestroyed(TGLSceneObject* object) override;
  void SceneDestroyed() override;
  void StopListening();
  void ReleaseGL();
  void Draw();
  void Invalidate();
  void FrameSwapped();
  void Settle();
  double Now() const;

  QtGlyphSource m_glyphs;
  GLRenderer m_renderer{&m_glyphs};
  TGLSceneBuffer m_buffer{this};
  TGLCamera* m_camera = nullptr;
  TGLScene* m_scene = nullptr;
  int m_frames = 0;
  // The frame buffer already holds the current frame, drawn by RenderNow.
  bool m_drawn = false;
  InteractiveFrames m_interaction;
  QElapsedTimer m_clock;
  QTimer m_settle;  // fires when the full frame may be due
  int m_lastStride = 1;
  bool m_lastInteractive = false;
  bool m_lighterShown = false;  // the view shows a lighter frame
  bool m_stillOnly = false;     // grabFramebuffer draws the full frame
  double m_drawStarted = -1;    // the last frame's start, until it is shown
};

/// The plain event of a Qt mouse event.
ViewerMouseEvent ToViewerMouseEvent(const QMouseEvent& event);

}  // namespace ovalon
