#pragma once
// A short message shown over a part of the window for a few seconds, for news that needs no
// answer and no box.

#include <QString>

class QWidget;

namespace ovalon {

/// Shows `text` at the lower left of `over` for `milliseconds`, above its other children; the
/// label is `over`'s child named "TransientNotice", and a new notice replaces the one shown.
void ShowTransientNotice(QWidget* over, const QString& text, int milliseconds = 6000);

}  // namespace ovalon
