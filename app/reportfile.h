#pragma once
// Writing a report pane's lines to a text file.

#include <string>
#include <vector>

namespace ovalon {

/// Writes every line followed by CR LF to `path` (bytes as given, UTF-8, no byte-order mark),
/// creating the file or replacing its content. Throws std::runtime_error with the system's
/// text when the file cannot be created or written.
void WriteLinesCrLf(const std::string& path, const std::vector<std::string>& lines);

}  // namespace ovalon
