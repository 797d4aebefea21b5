#pragma once
// Turning the bytes of a text file into lines.

#include <string>
#include <vector>

namespace ovalon {

/// Decodes file content to UTF-8 lines: a byte-order mark selects UTF-8 or UTF-16 (either byte
/// order); without one the bytes are read as UTF-8, or as Latin-1 when they are not valid UTF-8.
/// CR LF, LF and CR each end a line; a final line break does not start another line.
std::vector<std::string> DecodeTextLines(const std::string& bytes);

/// Reads the whole file; throws std::runtime_error with the path and the system's text (strerror)
/// when it cannot be opened or read.
std::string ReadFileBytes(const std::string& path);

}  // namespace ovalon
