#include "app/messagedetails.h"

#include <algorithm>

namespace ovalon {

namespace {

/// Characters of the line kept on each side of the field when the line is long.
constexpr qsizetype Context = 60;

}  // namespace

QString FormatErrorDetails(const BadField& field) {
  // Positions are bytes of the UTF-8 line; the pieces are cut there and then decoded.
  const std::string& line = field.line;
  const std::size_t start = std::min(field.start, line.size());
  const std::size_t end = std::min(start + field.length, line.size());
  QString before = QString::fromStdString(line.substr(0, start));
  QString after = QString::fromStdString(line.substr(end));
  if (before.size() > Context) before = QStringLiteral("…") + before.right(Context);
  if (after.size() > Context) after = after.left(Context) + QStringLiteral("…");
  return QStringLiteral("Строка %1, число %2:\n%3«%4»%5")
      .arg(field.lineNumber)
      .arg(field.fieldNumber)
      .arg(before, QString::fromStdString(line.substr(start, end - start)), after);
}

QString RejectedFieldText(const QString& caption, const QString& text) {
  return caption + QStringLiteral(" «") + text + QStringLiteral("»");
}

}  // namespace ovalon
