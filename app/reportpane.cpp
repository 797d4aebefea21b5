#include "app/reportpane.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace ovalon {

std::vector<std::string> PaneLines(const QPlainTextEdit& pane) {
  std::vector<std::string> lines;
  const QTextDocument* document = pane.document();
  for (QTextBlock block = document->begin(); block != document->end(); block = block.next())
    lines.push_back(block.text().toStdString());
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

void AppendLines(QPlainTextEdit& pane, const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  QTextCursor cursor(pane.document());
  cursor.movePosition(QTextCursor::End);
  cursor.beginEditBlock();
  // A last line typed without a line break is ended first, as every line is.
  if (!cursor.block().text().isEmpty()) cursor.insertBlock();
  for (const std::string& line : lines) {
    cursor.insertText(QString::fromStdString(line));
    cursor.insertBlock();
  }
  cursor.endEditBlock();
  pane.setTextCursor(cursor);
  pane.ensureCursorVisible();
}

void AppendLine(QPlainTextEdit& pane, const std::string& line) { AppendLines(pane, {line}); }

void SetPaneLines(QPlainTextEdit& pane, const std::vector<std::string>& lines) {
  QString text;
  for (const std::string& line : lines) {
    text += QString::fromStdString(line);
    text += QLatin1Char('\n');
  }
  pane.setPlainText(text);
}

}  // namespace ovalon
