#pragma once
// The 3D view's tools beyond its specified controls: the context menu and its keys (reset,
// show all, translucent ellipsoid, legend), panning, the atom tooltip, measuring a distance
// between two clicked atoms, and the read-outs of the tool bar. None of them changes the
// picture until the user asks for it.

#include <QObject>
#include <QPoint>
#include <QString>
#include <optional>
#include <vector>

#include "view3d/scene/viewerinput.h"

class QAction;
class QLabel;
class QMenu;

namespace ovalon {

class TForm1;
class TGLLines;
class TGLSceneObject;

class ViewTools : public QObject {
  Q_OBJECT

 public:
  /// Attaches to the fourth tab of `form`, whose scene must exist.
  explicit ViewTools(TForm1& form);

  QAction* ResetViewAction = nullptr;  ///< "Сбросить вид" (Home)
  QAction* FrameAllAction = nullptr;   ///< "Показать всё" (F)
  QAction* TranslucentAction = nullptr;  ///< "Полупрозрачный эллипсоид", off at start
  QAction* LegendAction = nullptr;        ///< "Легенда" (L), off at start
  QAction* ClearMeasureAction = nullptr;  ///< "Убрать измерение" (Esc)
  QMenu* ContextMenu = nullptr;
  QLabel* Legend = nullptr;        ///< bottom left corner of the view
  QLabel* MeasureLabel = nullptr;  ///< top right corner of the view

  /// A move over the view that pans instead of orbiting: the middle button, or Shift with the
  /// left button. Pans by the way from (mx, my) and returns true; false for any other move.
  bool Pan(const ViewerMouseEvent& event, int mx, int my);

  /// The tooltip text of the atom drawn under client pixel `at`, empty when there is none.
  QString AtomToolTip(QPoint at) const;

  /// The atoms picked for measuring so far (none, one or two), in click order.
  const std::vector<int>& MeasuredAtoms() const { return m_measured; }

  /// The scene was built anew: the measurement goes, the legend follows the new analysis.
  void SceneRebuilt();

 private:
  void CreateActions();
  void CreateOverlays();
  void SetToolBarTips();
  void MouseDown(const ViewerMouseEvent& event);
  void MouseUp(const ViewerMouseEvent& event);
  void ShowToolTip(QPoint at, QPoint global);
  void ShowContextMenu(QPoint global);
  void ResetView();
  void FrameAll();
  void SetTranslucent(bool translucent);
  void ShowLegend(bool shown);
  void RefreshLegend();
  void ClickAtom(int atom);
  void ClearMeasurement();
  void PlaceOverlays();
  /// The atom whose sphere is drawn under client pixel `at`.
  std::optional<int> AtomAt(QPoint at) const;
  bool eventFilter(QObject* watched, QEvent* event) override;

  TForm1& m_form;
  TGLSceneObject* m_pivot = nullptr;  ///< the target of a panned or framed view
  TGLLines* m_measureLine = nullptr;  ///< the dashed line between the measured atoms
  std::vector<int> m_measured;
  QPoint m_pressedAt;
  ViewerButton m_pressed = ViewerButton::None;
};

}  // namespace ovalon
