#pragma once
// Reading a text stream one line at a time in constant memory, whatever its size or its lines.

#include <array>
#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

#include "input/textfile.h"

namespace ovalon {

/// Splits a stream into lines. A byte-order mark at the start selects the encoding as the
/// window's reader does: UTF-8 (the mark is skipped) or UTF-16 in either byte order (decoded to
/// UTF-8; an unpaired surrogate or a final odd byte becomes U+FFFD); without one the bytes are
/// passed on as they are. Lines end with LF or CR LF. A line longer than the limit (in bytes as
/// stored, without its line break) is not kept: it is reported as too long and skipped, so
/// memory stays within the limit.
class LineReader {
 public:
  explicit LineReader(std::istream& in, std::size_t maxLineBytes = MaxLineBytes);

  /// Reads the next line; false at the end of the stream, or when it cannot be read (the
  /// stream is then bad).
  bool Next();

  /// The line just read, without its line break; empty when it was too long. It stays valid
  /// until the next call of Next.
  std::string_view Line() const { return m_view; }
  /// Whether the line just read was longer than the limit.
  bool TooLong() const { return m_tooLong; }
  /// "line 3 is longer than 1 MiB", for the line just read.
  std::string TooLongMessage() const;
  /// The number of the line just read, from 1.
  long long Number() const { return m_number; }

 private:
  enum class Encoding { Unknown, Bytes, Utf16LittleEndian, Utf16BigEndian };

  bool Fill();
  void ChooseEncoding();
  bool NextBytesLine();
  bool NextUtf16Line();
  void Append(std::string_view text, std::size_t storedBytes);

  std::istream& m_in;
  std::size_t m_max;
  Encoding m_encoding = Encoding::Unknown;
  std::array<char, 65536> m_buffer;
  std::size_t m_begin = 0;  ///< the unread bytes are m_buffer[m_begin, m_end)
  std::size_t m_end = 0;
  std::string m_line;        ///< a line that had to be put together (across reads, or decoded)
  std::string_view m_view;   ///< the line: in m_buffer where it lies there whole, else m_line
  std::size_t m_stored = 0;  ///< bytes of the current line as stored
  bool m_tooLong = false;
  long long m_number = 0;
};

}  // namespace ovalon
