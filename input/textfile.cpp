#include "input/textfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace ovalon {

namespace {

constexpr char32_t ReplacementCharacter = 0xFFFD;

}  // namespace

void AppendUtf8(std::string& text, char32_t c) {
  if (c < 0x80) {
    text += static_cast<char>(c);
  } else if (c < 0x800) {
    text += static_cast<char>(0xC0 | (c >> 6));
    text += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    text += static_cast<char>(0xE0 | (c >> 12));
    text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (c >> 18));
    text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (c & 0x3F));
  }
}

namespace {

/// Length of the well-formed UTF-8 sequence at pos (no overlong forms, no surrogates, at most
/// U+10FFFF), or 0 when the bytes there are not one.
std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[pos + i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (pos + length > bytes.size()) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

bool IsValidUtf8(std::string_view bytes) {
  for (std::size_t pos = 0; pos < bytes.size();) {
    const std::size_t length = Utf8SequenceLength(bytes, pos);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

}  // namespace

std::string ValidUtf8(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  std::string text;
  for (std::size_t pos = 0; pos < bytes.size();) {
    const std::size_t length = Utf8SequenceLength(bytes, pos);
    if (length == 0) {
      AppendUtf8(text, ReplacementCharacter);
      ++pos;
    } else {
      text.append(bytes.substr(pos, length));
      pos += length;
    }
  }
  return text;
}

namespace {

std::string Latin1ToUtf8(std::string_view bytes) {
  std::string text;
  for (char b : bytes) AppendUtf8(text, static_cast<unsigned char>(b));
  return text;
}

/// UTF-16 in the given byte order; an unpaired surrogate or a final odd byte becomes U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  const auto unit = [&](std::size_t i) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<char32_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
  };
  std::string text;
  std::size_t pos = 0;
  for (; pos + 1 < bytes.size(); pos += 2) {
    const char32_t c = unit(pos);
    if (c >= 0xD800 && c <= 0xDBFF && pos + 3 < bytes.size()) {
      const char32_t next = unit(pos + 2);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        AppendUtf8(text, 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00));
        pos += 2;
        continue;
      }
    }
    AppendUtf8(text, (c >= 0xD800 && c <= 0xDFFF) ? ReplacementCharacter : c);
  }
  if (pos < bytes.size()) AppendUtf8(text, ReplacementCharacter);
  return text;
}

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.substr(0, prefix.size()) == prefix;
}

std::string ToUtf8(std::string_view bytes) {
  // UTF-8 after a byte-order mark is kept as it is, each ill-formed byte replaced by U+FFFD.
  if (StartsWith(bytes, "\xEF\xBB\xBF")) return ValidUtf8(bytes.substr(3));
  if (StartsWith(bytes, "\xFF\xFE")) return Utf16ToUtf8(bytes.substr(2), false);
  if (StartsWith(bytes, "\xFE\xFF")) return Utf16ToUtf8(bytes.substr(2), true);
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Latin1ToUtf8(bytes);
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

std::runtime_error FileError(const std::string& path, int error) {
  return std::runtime_error(path + ": " + std::strerror(error));
}

std::string SizeText(std::size_t bytes) {
  if (bytes % (std::size_t{1} << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
  return std::to_string(bytes) + " bytes";
}

/// Follows the lines of a text while its bytes arrive, to stop at the first line that is too
/// long without waiting for its end. Lines end as DecodeTextLines ends them (CR LF, LF or CR),
/// counted in the text's code units: two bytes after a UTF-16 byte-order mark, else one.
class LineLengthScan {
 public:
  explicit LineLengthScan(std::size_t maxLineBytes) : m_max(maxLineBytes) {}

  /// Scans what `bytes` has gained since the last call (`atEnd`: nothing more will come);
  /// returns the number (from 1) of a line longer than the limit, or 0.
  long long Scan(std::string_view bytes, bool atEnd) {
    if (m_unit == 0) {
      if (bytes.size() < 3 && !atEnd) return 0;
      ChooseUnit(bytes);
    }
    for (; m_next + m_unit <= bytes.size(); m_next += m_unit) {
      const unsigned unit = Unit(bytes, m_next);
      if (unit == '\n' || unit == '\r') {
        if (unit == '\r' || !m_afterCr) ++m_line;
        m_afterCr = unit == '\r';
        m_lineStart = m_next + m_unit;
      } else {
        m_afterCr = false;
        if (m_next + m_unit - m_lineStart > m_max) return m_line;
      }
    }
    return 0;
  }

 private:
  void ChooseUnit(std::string_view bytes) {
    m_unit = StartsWith(bytes, "\xFF\xFE") || StartsWith(bytes, "\xFE\xFF") ? 2 : 1;
    m_bigEndian = StartsWith(bytes, "\xFE\xFF");
    m_next = StartsWith(bytes, "\xEF\xBB\xBF") ? 3 : m_unit == 2 ? 2 : 0;
    m_lineStart = m_next;
  }
  unsigned Unit(std::string_view bytes, std::size_t pos) const {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (m_unit == 1) return byte(pos);
    return m_bigEndian ? byte(pos) << 8 | byte(pos + 1) : byte(pos + 1) << 8 | byte(pos);
  }

  std::size_t m_max;
  std::size_t m_unit = 0;  ///< bytes per code unit; 0 until the first bytes have come
  bool m_bigEndian = false;
  std::size_t m_next = 0;
  std::size_t m_lineStart = 0;
  long long m_line = 1;
  bool m_afterCr = false;
};

}  // namespace

std::string LineTooLongMessage(long long line, std::size_t maxLineBytes) {
  return "line " + std::to_string(line) + " is longer than " + SizeText(maxLineBytes);
}

std::vector<std::string> DecodeTextLines(const std::string& bytes) {
  return SplitLines(ToUtf8(bytes));
}

std::string ReadTextBytes(std::FILE* file, const std::string& name, const TextLimits& limits) {
  std::string bytes;
  LineLengthScan lines(limits.maxLineBytes);
  const auto checkLines = [&](bool atEnd) {
    if (const long long line = lines.Scan(bytes, atEnd); line != 0)
      throw TextLimitError(name + ": " + LineTooLongMessage(line, limits.maxLineBytes));
  };
  char buffer[65536];
  std::size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    if (count > limits.maxBytes - bytes.size())
      throw TextLimitError(name + " is larger than " + SizeText(limits.maxBytes));
    bytes.append(buffer, count);
    checkLines(false);
  }
  if (std::ferror(file)) throw FileError(name, errno);
  checkLines(true);
  return bytes;
}

std::string ReadFileBytes(const std::string& path, const TextLimits& limits) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw FileError(path, errno);
  try {
    std::string bytes = ReadTextBytes(file, path, limits);
    std::fclose(file);
    return bytes;
  } catch (...) {
    std::fclose(file);
    throw;
  }
}

}  // namespace ovalon
