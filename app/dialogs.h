#pragma once
// The modal file dialogs and message boxes of the window, behind one interface so that tests
// can answer them.

#include <QString>
#include <memory>

class QWidget;

namespace ovalon {

/// The modal dialog of a long computation: a label, how many of its steps are done of how
/// many, and a cancel button. It appears only when show() is called.
class ProgressDialog {
 public:
  virtual ~ProgressDialog() = default;
  /// Shows the dialog; it blocks input to the other windows but not the caller.
  virtual void show() = 0;
  /// The number of steps done so far.
  virtual void setValue(int done) = 0;
  /// True once the user has asked to cancel (the cancel button, Escape or closing the dialog).
  virtual bool canceled() const = 0;
};

/// The answer of the image-save dialog.
struct ImageSaveChoice {
  QString path;                        ///< empty when the dialog was cancelled
  int scale = 1;                       ///< 1 or 2: the image is that many times the view's size
  bool transparentBackground = false;  ///< the background gets alpha 0
};

/// Every modal dialog the window shows. Message boxes have one OK button and show the text
/// exactly; file dialogs return the chosen path, or an empty string when cancelled.
class Dialogs {
 public:
  virtual ~Dialogs() = default;

  /// File-open dialog with the filter entries of `filter`, separated by ";;" (e.g. "Файлы
  /// координат атомов (*.xyz);;Все файлы (*)"), the first one selected, each shown without its
  /// patterns; starts at `start` (a folder or a file name; empty: the default).
  virtual QString openFileName(QWidget* parent, const QString& filter, const QString& start) = 0;

  /// File-save dialog with one filter entry, shown without its pattern, offering `proposed`.
  /// It adds no extension and replaces an existing file without asking.
  virtual QString saveFileName(QWidget* parent, const QString& filter, const QString& proposed) = 0;

  /// File-save dialog for an image with one filter entry, shown without its pattern, and the
  /// choice of the size (1× or 2×) and of a transparent background; it starts from `proposed`.
  virtual ImageSaveChoice saveImageFileName(QWidget* parent, const QString& filter,
                                            const ImageSaveChoice& proposed) = 0;

  /// A progress dialog over `total` steps with the text `label` and the cancel button
  /// `cancelText`, not shown yet; it disappears when the returned object is destroyed.
  virtual std::unique_ptr<ProgressDialog> progressDialog(QWidget* parent, const QString& label,
                                                         const QString& cancelText, int total) = 0;

  virtual void information(QWidget* parent, const QString& text) = 0;
  /// The message box of `information` with `informative` under the text and `details` behind
  /// the box's button for details (either may be empty). Without an own way to show them it is
  /// the plain box.
  virtual void detailedInformation(QWidget* parent, const QString& text, const QString& informative,
                                   const QString& details) {
    (void)informative;
    (void)details;
    information(parent, text);
  }
  virtual void warning(QWidget* parent, const QString& text) = 0;
  /// The error box for failures that no handler deals with itself.
  virtual void critical(QWidget* parent, const QString& text) = 0;
};

/// The dialogs of the windowing system: QFileDialog and QMessageBox.
class StandardDialogs : public Dialogs {
 public:
  QString openFileName(QWidget* parent, const QString& filter, const QString& start) override;
  QString saveFileName(QWidget* parent, const QString& filter, const QString& proposed) override;
  ImageSaveChoice saveImageFileName(QWidget* parent, const QString& filter,
                                    const ImageSaveChoice& proposed) override;
  std::unique_ptr<ProgressDialog> progressDialog(QWidget* parent, const QString& label,
                                                 const QString& cancelText, int total) override;
  void information(QWidget* parent, const QString& text) override;
  void detailedInformation(QWidget* parent, const QString& text, const QString& informative,
                           const QString& details) override;
  void warning(QWidget* parent, const QString& text) override;
  void critical(QWidget* parent, const QString& text) override;
};

}  // namespace ovalon
