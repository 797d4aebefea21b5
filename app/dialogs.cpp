#include "app/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace ovalon {

namespace {

/// Message boxes carry the program's name as their title.
const QString MessageTitle = QStringLiteral("Ovalon");

}  // namespace

QString StandardDialogs::openFileName(QWidget* parent, const QString& filter,
                                      const QString& start) {
  return QFileDialog::getOpenFileName(parent, QString(), start, filter, nullptr,
                                      QFileDialog::HideNameFilterDetails);
}

QString StandardDialogs::saveFileName(QWidget* parent, const QString& filter,
                                      const QString& proposed) {
  return QFileDialog::getSaveFileName(
      parent, QString(), proposed, filter, nullptr,
      QFileDialog::HideNameFilterDetails | QFileDialog::DontConfirmOverwrite);
}

void StandardDialogs::information(QWidget* parent, const QString& text) {
  QMessageBox::information(parent, MessageTitle, text);
}

void StandardDialogs::warning(QWidget* parent, const QString& text) {
  QMessageBox::warning(parent, MessageTitle, text);
}

void StandardDialogs::critical(QWidget* parent, const QString& text) {
  QMessageBox::critical(parent, MessageTitle, text);
}

}  // namespace ovalon
