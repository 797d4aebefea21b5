#include "app/transientnotice.h"

#include <QLabel>
#include <QTimer>

namespace ovalon {

void ShowTransientNotice(QWidget* over, const QString& text, int milliseconds) {
  const QString name = QStringLiteral("TransientNotice");
  auto* label = over->findChild<QLabel*>(name, Qt::FindDirectChildrenOnly);
  if (label == nullptr) {
    label = new QLabel(over);
    label->setObjectName(name);
    label->setStyleSheet(
        QStringLiteral("QLabel { background: #fff8c4; color: black; border: 1px solid #b0a060;"
                       " border-radius: 3px; padding: 4px 8px; }"));
    auto* timer = new QTimer(label);
    timer->setObjectName(QStringLiteral("HideTimer"));
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, label, &QLabel::hide);
  }
  label->setText(text);
  label->adjustSize();
  constexpr int Margin = 12;
  label->move(Margin, over->height() - label->height() - Margin);
  label->raise();
  label->show();
  label->findChild<QTimer*>(QStringLiteral("HideTimer"))->start(milliseconds);
}

}  // namespace ovalon
