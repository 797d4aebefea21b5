#pragma once
// The main window Form1: four tabs that follow the order of work, and the handlers of their
// controls, which are the program's only entry points.

#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

#include "app/analysisstate.h"

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

class Dialogs;

/// The main window. Controls carry the layout's names as object names; a control on a tab keeps
/// its design bounds at the design client size 1153 × 765 and follows its anchors on resize.
class TForm1 : public QWidget {
  Q_OBJECT

 public:
  /// Builds the window and its controls at their initial values, centred on the screen, then
  /// runs FormCreate. `dialogs` shows every file dialog and message box and must outlive the
  /// window.
  explicit TForm1(Dialogs* dialogs, QWidget* parent = nullptr);

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
  QWidget* GLSceneViewer1 = nullptr;

  /// The last recorded mouse position in the client pixels of GLSceneViewer1.
  int mx = 0;
  int my = 0;

 public slots:
  /// Selects the first tab and sets the initial scene settings.
  void FormCreate();
  /// Destroys the scene objects when the window closes.
  void FormClose();
  /// Switching tabs only shows the other page.
  void PageControl1Change();
  /// Wheel turns while the window is active; delta is 120 per notch, positive away from the user.
  void FormMouseWheel(int wheelDelta);

  /// Opens a coordinate file into Memo1.
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
  void CheckBox3Click();

  void ToolButton1Click();
  void ToolButton2Click();
  void ToolButton3Click();
  void ToolButton4Click();
  void TrackBar1Change();
  void TrackBar2Change();
  void TrackBar3Change();
  void TrackBar4Change();

  /// A mouse button went down over the 3D view at client pixel (x, y).
  void GLSceneViewer1MouseDown(int x, int y);
  /// The mouse moved over the 3D view; `buttons` and `modifiers` are the held ones.
  void GLSceneViewer1MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x,
                               int y);

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
  void ConnectHandlers();
  void Anchor(QWidget* control, Qt::Edges anchors);

  /// Runs a handler's body; an exception ends it with the error box showing its text.
  void RunHandler(const std::function<void()>& body);
  void ClearPane(QPlainTextEdit& pane, const char* initialLine);
  void SavePane(const QPlainTextEdit& pane);

  Dialogs* m_dialogs;
  std::vector<Anchored> m_anchored;
  QString m_lastOpenName;  ///< offered by the next file-open dialog
  QString m_lastSaveName;  ///< offered by the next file-save dialog, shared by both panes
};

/// The application's main window, set by main().
extern TForm1* Form1;

}  // namespace ovalon
