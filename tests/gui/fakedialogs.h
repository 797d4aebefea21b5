#pragma once
// A stand-in for the window's dialogs, so that no test ever waits on a modal window.

#include <QString>
#include <QStringList>

#include "app/dialogs.h"

namespace ovalon {

/// Answers the window's dialogs from a queue of paths (an empty path cancels) and records
/// every dialog and message as "kind: text".
class FakeDialogs : public Dialogs {
 public:
  QStringList answers;
  QStringList fileDialogs;  ///< "open|save: filter: start or proposed name"
  QStringList messages;

  QString openFileName(QWidget*, const QString& filter, const QString& start) override {
    fileDialogs << QStringLiteral("open: %1: %2").arg(filter, start);
    return answers.isEmpty() ? QString() : answers.takeFirst();
  }
  QString saveFileName(QWidget*, const QString& filter, const QString& proposed) override {
    fileDialogs << QStringLiteral("save: %1: %2").arg(filter, proposed);
    return answers.isEmpty() ? QString() : answers.takeFirst();
  }
  void information(QWidget*, const QString& text) override { messages << "information: " + text; }
  void warning(QWidget*, const QString& text) override { messages << "warning: " + text; }
  void critical(QWidget*, const QString& text) override { messages << "critical: " + text; }
};

}  // namespace ovalon
