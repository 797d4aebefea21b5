#pragma once
// A stand-in for the window's dialogs, so that no test ever waits on a modal window.

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "app/dialogs.h"

namespace ovalon {

/// When the fake progress dialog reports that the user cancelled.
enum class FakeCancel {
  Never,
  WhenShown,  ///< from the moment it is shown
  AtOnce,     ///< from the first time it is asked, shown or not
};

/// Answers the window's dialogs from queues (an empty path cancels) and records every dialog
/// and message as "kind: text".
class FakeDialogs : public Dialogs {
 public:
  QStringList answers;
  QList<ImageSaveChoice> imageAnswers;
  QStringList fileDialogs;  ///< "open|save|image: filter: start or proposed name"
  QStringList messages;
  QStringList messageDetails;  ///< "informative|details" of each detailed message, in order

  FakeCancel progressCancel = FakeCancel::Never;
  QStringList progressDialogs;  ///< "progress: label: cancel text: total" for each one made
  int progressShown = 0;        ///< how many of them were shown
  int lastProgressValue = -1;   ///< the last value that a shown one was given
  std::function<void()> onProgressShown;  ///< runs when a progress dialog is shown

  QString openFileName(QWidget*, const QString& filter, const QString& start) override {
    fileDialogs << QStringLiteral("open: %1: %2").arg(filter, start);
    return answers.isEmpty() ? QString() : answers.takeFirst();
  }
  QString saveFileName(QWidget*, const QString& filter, const QString& proposed) override {
    fileDialogs << QStringLiteral("save: %1: %2").arg(filter, proposed);
    return answers.isEmpty() ? QString() : answers.takeFirst();
  }
  ImageSaveChoice saveImageFileName(QWidget*, const QString& filter,
                                    const ImageSaveChoice& proposed) override {
    fileDialogs << QStringLiteral("image: %1: %2").arg(filter, proposed.path);
    return imageAnswers.isEmpty() ? ImageSaveChoice{} : imageAnswers.takeFirst();
  }
  std::unique_ptr<ProgressDialog> progressDialog(QWidget*, const QString& label,
                                                 const QString& cancelText, int total) override {
    progressDialogs << QStringLiteral("progress: %1: %2: %3").arg(label, cancelText).arg(total);
    return std::make_unique<Progress>(*this);
  }
  void information(QWidget*, const QString& text) override { messages << "information: " + text; }
  void detailedInformation(QWidget* parent, const QString& text, const QString& informative,
                           const QString& details) override {
    information(parent, text);
    messageDetails << informative + "|" + details;
  }
  void warning(QWidget*, const QString& text) override { messages << "warning: " + text; }
  void critical(QWidget*, const QString& text) override { messages << "critical: " + text; }

 private:
  class Progress : public ProgressDialog {
   public:
    explicit Progress(FakeDialogs& owner) : m_owner(owner) {}
    void show() override {
      m_shown = true;
      ++m_owner.progressShown;
      if (m_owner.onProgressShown) m_owner.onProgressShown();
    }
    void setValue(int done) override { m_owner.lastProgressValue = done; }
    bool canceled() const override {
      switch (m_owner.progressCancel) {
        case FakeCancel::Never:
          return false;
        case FakeCancel::WhenShown:
          return m_shown;
        case FakeCancel::AtOnce:
          return true;
      }
      return false;
    }

   private:
    FakeDialogs& m_owner;
    bool m_shown = false;
  };
};

}  // namespace ovalon
