#pragma once
// The text panes as lists of lines: reading, appending and replacing them.
//
// A pane's text is a sequence of lines, each ended by a line break, so a pane with one line
// shows that line and an empty block after it; a last piece that the user typed without a line
// break is a line too.

#include <string>
#include <vector>

class QPlainTextEdit;

namespace ovalon {

/// The pane's lines in order, UTF-8; a final empty block (after the last line break) is no line.
std::vector<std::string> PaneLines(const QPlainTextEdit& pane);

/// Appends each line, UTF-8, at the end of the pane as a line of its own, and scrolls the
/// pane to its end.
void AppendLines(QPlainTextEdit& pane, const std::vector<std::string>& lines);
void AppendLine(QPlainTextEdit& pane, const std::string& line);

/// Replaces the whole text of the pane with the lines.
void SetPaneLines(QPlainTextEdit& pane, const std::vector<std::string>& lines);

}  // namespace ovalon
