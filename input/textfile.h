#pragma once
// Turning the bytes of a text file into lines.

#include <cstddef>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ovalon {

/// The largest coordinate text that is read whole: the window's "Открыть файл" and
/// ovalon-report refuse larger ones.
inline constexpr std::size_t MaxTextFileBytes = std::size_t{64} << 20;
/// The longest line ovalon-report reads.
inline constexpr std::size_t MaxLineBytes = std::size_t{1} << 20;

/// Limits of a text read whole, in bytes as stored; a line's length leaves out its line break.
struct TextLimits {
  std::size_t maxBytes = std::numeric_limits<std::size_t>::max();
  std::size_t maxLineBytes = std::numeric_limits<std::size_t>::max();
};

/// A text that breaks its TextLimits: "NAME is larger than 64 MiB" or
/// "NAME: line 3 is longer than 1 MiB". Reading stops as soon as the limit is passed.
class TextLimitError : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

/// "line 3 is longer than 1 MiB": the message of a line beyond the limit.
std::string LineTooLongMessage(long long line, std::size_t maxLineBytes);

/// Appends code point `c` to `text` in UTF-8.
void AppendUtf8(std::string& text, char32_t c);

/// `bytes` as well-formed UTF-8: each byte that is not part of a well-formed sequence becomes
/// U+FFFD.
std::string ValidUtf8(std::string_view bytes);

/// Decodes file content to UTF-8 lines: a byte-order mark selects UTF-8 or UTF-16 (either byte
/// order); without one the bytes are read as UTF-8, or as Latin-1 when they are not valid UTF-8.
/// CR LF, LF and CR each end a line; a final line break does not start another line.
std::vector<std::string> DecodeTextLines(const std::string& bytes);

/// Reads the whole file; throws std::runtime_error with the path and the system's text (strerror)
/// when it cannot be opened or read, and TextLimitError when it breaks `limits`.
std::string ReadFileBytes(const std::string& path, const TextLimits& limits = {});

/// Reads `file` to its end as ReadFileBytes does, naming it `name` in errors.
std::string ReadTextBytes(std::FILE* file, const std::string& name, const TextLimits& limits);

}  // namespace ovalon
