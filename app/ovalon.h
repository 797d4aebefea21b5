#pragma once
// The main window Form1: four tabs that follow the order of work, and the handlers of their
// controls, which are the program's only entry points.

#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/analysisstate.h"
#include "app/dialogs.h"
#include "report/fitrun.h"
#include "structure/structure.h"
#include "view3d/scene/glcamera.h"
#include "view3d/scene/glheightfield.h"
#include "view3d/scene/globjects.h"
#include "view3d/scene/viewerinput.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class QToolButton;

namespace ovalon {

class TGLSceneViewer;
class ViewTools;

/// The main window. Controls carry the layout's names as object names; a control on a tab keeps
/// its design bounds at the design client size 1153 × 765 and follows its anchors on resize.
class TForm1 : public QWidget {
  Q_OBJECT

 public:
  /// Builds the window and its controls at their initial values, centred on the screen, then
  /// runs FormCreate. `dialogs` shows every file dialog and message box and must outlive the
  /// window.
  explicit TForm1(Dialogs* dialogs, QWidget* parent = nullptr);
  /// Empties the scene-object slots of the analysis state that point into this window's scene,
  /// whose objects go with it.
  ~TForm1() override;

  /// The analysis state shared by every operation: one static instance, zero at program start.
  static AnalysisState& State();

  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet1 = nullptr;
  QWidget* TabSheet2 = nullptr;
  QWidget* TabSheet3 = nullptr;
  QWidget* TabSheet4 = nullptr;

  QPlainTextEdit* Memo1 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;

  QPlainTextEdit* Memo2 = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QGroupBox* GroupBox3 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* Label9 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QLineEdit* Edit6 = nullptr;
  QLineEdit* Edit7 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* Button7 = nullptr;
  QRadioButton* RadioButton1 = nullptr;
  QRadioButton* RadioButton2 = nullptr;
  QPushButton* Button10 = nullptr;
  QPushButton* Button4 = nullptr;

  QPlainTextEdit* Memo3 = nullptr;
  QLabel* Label7 = nullptr;
  QPushButton* Button12 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  QPushButton* Button11 = nullptr;
  QPushButton* Button9 = nullptr;

  QWidget* ToolBar1 = nullptr;
  QToolButton* ToolButton1 = nullptr;
  QToolButton* ToolButton2 = nullptr;
  QToolButton* ToolButton3 = nullptr;
  QToolButton* ToolButton4 = nullptr;
  QSlider* TrackBar1 = nullptr;
  QSlider* TrackBar2 = nullptr;
  QSlider* TrackBar3 = nullptr;
  QSlider* TrackBar4 = nullptr;
  QCheckBox* CheckBox3 = nullptr;
  /// At the bar's right end after CheckBox3: saves the view as an image (also Ctrl+S in the view).
  QToolButton* ToolButton5 = nullptr;
  /// The 3D view; its camera is GLCamera1.
  TGLSceneViewer* GLSceneViewer1 = nullptr;
  /// The view's context menu, its keys, panning, the atom tooltip, measuring and the legend.
  ViewTools* GLSceneTools = nullptr;

  /// The scene of the 3D view and its design-time components. The camera (carrying the light)
  /// looks from (1, 1, 1) at GLPoints1 at the origin, which lists the atoms and carries the
  /// axes; the two height fields are the upper and the lower half of the ellipsoid surface.
  std::unique_ptr<TGLScene> GLScene1;
  TGLCamera* GLCamera1 = nullptr;
  TGLLightSource* GLLightSource1 = nullptr;
  TGLPoints* GLPoints1 = nullptr;
  TGLHeightField* GLHeightField1 = nullptr;
  TGLHeightField* GLHeightField2 = nullptr;

  /// The last recorded mouse position in the client pixels of GLSceneViewer1.
  int mx = 0;
  int my = 0;

 public slots:
  /// Selects the first tab, empties GLPoints1 and sets the initial scene settings.
  void FormCreate();
  /// Destroys the atom spheres, atom labels and bond lines when the window closes.
  void FormClose();
  /// Switching tabs only shows the other page.
  void PageControl1Change();
  /// Wheel turns while the window is active; delta is 120 per notch, positive away from the user.
  /// On the fourth tab the camera moves towards or away from the origin, by 1.1 per notch.
  void FormMouseWheel(int wheelDelta);

  /// Opens a coordinate file into Memo1; a structure file (CIF, PDB, extended XYZ, chosen by
  /// its name) opens as the coordinate text of its cage.
  void Button1Click();
  /// Reads Memo1 into AtomCoords and CoordErrors.
  void Button2Click();
  void Button3Click();
  /// Clears Memo2 back to its initial line.
  void Button4Click();
  void Button7Click();
  /// Saves Memo3 to a text file.
  void Button9Click();
  /// Saves Memo2 to a text file.
  void Button10Click();
  /// Clears Memo3 back to its initial line.
  void Button11Click();
  void Button12Click();
  /// CheckBox2 is shown exactly while CheckBox1 is checked.
  void CheckBox1Click();
  /// Black background of the 3D view when checked, grey otherwise; redraws at once.
  void CheckBox3Click();

  /// Builds or rebuilds the atoms, bond lines and atom numbers from the analysis state.
  void ToolButton1Click();
  /// Shows or removes the axes and their labels, by the button's Down state.
  void ToolButton2Click();
  /// Shows or hides the ellipsoid surface, by the button's Down state.
  void ToolButton3Click();
  /// Shows or removes the atom numbers, by the button's Down state.
  void ToolButton4Click();
  /// Saves the view as drawn to a PNG file at 1× or 2× its size, with its background or a
  /// transparent one, as chosen in the file dialog.
  void ToolButton5Click();
  /// Sets the green level of ordinary bonds and recolours the bond lines.
  void TrackBar1Change();
  /// Sets the width of the bond lines (position / 10 pixels).
  void TrackBar2Change();
  /// Sets the radius of the atom spheres (position / 1000).
  void TrackBar3Change();
  /// Sets the bond threshold (position / 100) for the next build.
  void TrackBar4Change();

  /// A mouse button went down over the 3D view: records the position.
  void GLSceneViewer1MouseDown(const ovalon::ViewerMouseEvent& event);
  /// The mouse moved over the 3D view: orbits by one degree per pixel while a button or Shift,
  /// Ctrl or Alt is held, and turns the labels to the camera.
  void GLSceneViewer1MouseMove(const ovalon::ViewerMouseEvent& event);

 public:
  /// The heights of the upper and the lower half of the ellipsoid at the sample (x, y), read
  /// from SemiAxes at sampling time; the colour and texture point are left as they come.
  void GLHeightField1GetHeight(float x, float y, float& z, SceneColor& color, TexPoint& texPoint);
  void GLHeightField2GetHeight(float x, float y, float& z, SceneColor& color, TexPoint& texPoint);

  /// Turns the axis labels, and the atom numbers while ToolButton4 is down, to the camera.
  void FaceLabelsToCamera();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  /// A control that keeps its distance to the given edges of its tab page.
  struct Anchored {
    QWidget* control;
    QRect designBounds;
    Qt::Edges anchors;
  };

  void BuildPageControl();
  void BuildTab1();
  void BuildTab2();
  void BuildTab3();
  void BuildTab4();
  void CreateScene();
  void ConnectHandlers();
  /// The components that the molecule scene is built with.
  MoleculeView SceneView() const;
  void Anchor(QWidget* control, Qt::Edges anchors);
  /// The smallest client size at which no control is cut off.
  QSize MinimumClientSize() const;
  /// The message of a rejected field, naming it by its label, with the focus put on it.
  void ShowRejectedField(FitField field);

  /// Runs a handler's body; an exception ends it with the error box showing its text (for
  /// running out of memory, "Недостаточно памяти!").
  void RunHandler(const std::function<void()>& body);
  /// Shows the coordinate text of the cage of a structure file in Memo1, or the message of why
  /// there is none and leaves Memo1 as it was; true when it was shown.
  bool ShowStructureCage(const std::string& bytes, const QString& name, StructureFormat format);
  void ClearPane(QPlainTextEdit& pane, const char* initialLine);
  void SavePane(const QPlainTextEdit& pane);

  Dialogs* m_dialogs;
  std::vector<Anchored> m_anchored;
  QString m_lastOpenName;       ///< offered by the next file-open dialog
  QString m_lastSaveName;       ///< offered by the next file-save dialog, shared by both panes
  ImageSaveChoice m_lastImage;  ///< offered by the next image-save dialog
};

/// The application's main window, set by main().
extern TForm1* Form1;

}  // namespace ovalon
