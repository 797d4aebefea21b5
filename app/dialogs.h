#pragma once
// The modal file dialogs and message boxes of the window, behind one interface so that tests
// can answer them.

#include <QString>

class QWidget;

namespace ovalon {

/// Every modal dialog the window shows. Message boxes have one OK button and show the text
/// exactly; file dialogs return the chosen path, or an empty string when cancelled.
class Dialogs {
 public:
  virtual ~Dialogs() = default;

  /// File-open dialog with one filter entry, e.g. "Файлы координат атомов (*.xyz)", shown
  /// without its pattern; starts at `start` (a folder or a file name; empty: the default).
  virtual QString openFileName(QWidget* parent, const QString& filter, const QString& start) = 0;

  /// File-save dialog with one filter entry, shown without its pattern, offering `proposed`.
  /// It adds no extension and replaces an existing file without asking.
  virtual QString saveFileName(QWidget* parent, const QString& filter, const QString& proposed) = 0;

  virtual void information(QWidget* parent, const QString& text) = 0;
  virtual void warning(QWidget* parent, const QString& text) = 0;
  /// The error box for failures that no handler deals with itself.
  virtual void critical(QWidget* parent, const QString& text) = 0;
};

/// The dialogs of the windowing system: QFileDialog and QMessageBox.
class StandardDialogs : public Dialogs {
 public:
  QString openFileName(QWidget* parent, const QString& filter, const QString& start) override;
  QString saveFileName(QWidget* parent, const QString& filter, const QString& proposed) override;
  void information(QWidget* parent, const QString& text) override;
  void warning(QWidget* parent, const QString& text) override;
  void critical(QWidget* parent, const QString& text) override;
};

}  // namespace ovalon
