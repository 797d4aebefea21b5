#include "input/linereader.h"

#include <cstring>
#include <istream>
#include <string_view>

namespace ovalon {

namespace {

constexpr char32_t ReplacementCharacter = 0xFFFD;

}  // namespace

LineReader::LineReader(std::istream& in, std::size_t maxLineBytes)
    : m_in(in), m_max(maxLineBytes) {}

std::string LineReader::TooLongMessage() const { return LineTooLongMessage(m_number, m_max); }

bool LineReader::Fill() {
  if (m_begin > 0) {
    std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
    m_end -= m_begin;
    m_begin = 0;
  }
  // peek waits for the stream as little as a line-by-line reading would, and turns a failed
  // read into a bad stream; readsome then takes what the stream has at hand.
  if (m_in.peek() == std::char_traits<char>::eof()) return false;
  std::streamsize count = m_in.readsome(m_buffer.data() + m_end, m_buffer.size() - m_end);
  if (count <= 0) {
    // A stream that does not say what it has at hand.
    m_buffer[m_end] = static_cast<char>(m_in.get());
    count = 1;
  }
  m_end += static_cast<std::size_t>(count);
  return true;
}

void LineReader::ChooseEncoding() {
  while (m_end - m_begin < 3 && Fill()) {
  }
  const std::string_view start(m_buffer.data() + m_begin, m_end - m_begin);
  m_encoding = Encoding::Bytes;
  if (start.substr(0, 3) == "\xEF\xBB\xBF") {
    m_begin += 3;
  } else if (start.substr(0, 2) == "\xFF\xFE") {
    m_encoding = Encoding::Utf16LittleEndian;
    m_begin += 2;
  } else if (start.substr(0, 2) == "\xFE\xFF") {
    m_encoding = Encoding::Utf16BigEndian;
    m_begin += 2;
  }
}

bool LineReader::Next() {
  if (m_encoding == Encoding::Unknown) ChooseEncoding();
  m_line.clear();
  m_view = {};
  m_stored = 0;
  m_tooLong = false;
  const bool read = m_encoding == Encoding::Bytes ? NextBytesLine() : NextUtf16Line();
  if (!read) return false;
  ++m_number;
  if (m_view.data() == nullptr) m_view = m_line;
  // The CR of a CR LF is kept until here, so that it never counts towards the limit.
  if (!m_tooLong && !m_view.empty() && m_view.back() == '\r') {
    m_view.remove_suffix(1);
    m_stored -= m_encoding == Encoding::Bytes ? 1 : 2;
  }
  if (m_stored > m_max) m_tooLong = true;
  if (m_tooLong) m_view = {};
  return true;
}

void LineReader::Append(std::string_view text, std::size_t storedBytes) {
  m_stored += storedBytes;
  if (m_tooLong) return;
  // Room for a CR that may turn out to be the line break's.
  if (m_stored > m_max + 2) {
    m_tooLong = true;
    m_line.clear();
    return;
  }
  m_line.append(text);
}

bool LineReader::NextBytesLine() {
  bool any = false;
  while (m_begin < m_end || Fill()) {
    const char* start = m_buffer.data() + m_begin;
    const std::size_t count = m_end - m_begin;
    const auto* lineFeed = static_cast<const char*>(std::memchr(start, '\n', count));
    const std::size_t length = lineFeed != nullptr ? lineFeed - start : count;
    if (!any && lineFeed != nullptr) {
      // The whole line lies in the buffer: it is read there, without a copy. Next() judges
      // its length as it judges a line put together.
      m_view = std::string_view(start, length);
      m_stored = length;
      m_begin += length + 1;
      return true;
    }
    any = true;
    Append(std::string_view(start, length), length);
    m_begin += length;
    if (lineFeed != nullptr) {
      ++m_begin;
      return true;
    }
  }
  return any;
}

bool LineReader::NextUtf16Line() {
  const bool bigEndian = m_encoding == Encoding::Utf16BigEndian;
  const auto available = [this](std::size_t count) {
    while (m_end - m_begin < count) {
      if (!Fill()) return false;
    }
    return true;
  };
  const auto unit = [&] {
    const auto first = static_cast<unsigned char>(m_buffer[m_begin]);
    const auto second = static_cast<unsigned char>(m_buffer[m_begin + 1]);
    return static_cast<char32_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
  };
  const auto append = [this](char32_t c, std::size_t storedBytes) {
    std::string text;
    AppendUtf8(text, c);
    Append(text, storedBytes);
  };
  bool any = false;
  while (available(2)) {
    any = true;
    const char32_t c = unit();
    m_begin += 2;
    if (c == '\n') return true;
    if (c >= 0xD800 && c <= 0xDBFF && available(2)) {
      const char32_t next = unit();
      if (next >= 0xDC00 && next <= 0xDFFF) {
        m_begin += 2;
        append(0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00), 4);
        continue;
      }
    }
    append(c >= 0xD800 && c <= 0xDFFF ? ReplacementCharacter : c, 2);
  }
  if (m_begin < m_end) {
    // A final odd byte.
    append(ReplacementCharacter, 1);
    m_begin = m_end;
    any = true;
  }
  return any;
}

}  // namespace ovalon
