#pragma once
// The details that the window's message boxes add to their fixed texts: where a coordinate
// text has a field that is not a number, and which edit field a run rejected.

#include <QString>

#include "input/coordinatereader.h"

namespace ovalon {

/// "Строка 12, число 2:" and the line with the bad field between «», shortened around the
/// field when the line is long.
QString FormatErrorDetails(const BadField& field);

/// "<caption> «<text>»", the caption of a field's label (ending with its colon) and the text
/// that was rejected.
QString RejectedFieldText(const QString& caption, const QString& text);

}  // namespace ovalon
