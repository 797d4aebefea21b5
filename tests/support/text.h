#pragma once
// Texts in the encodings the readers meet in files.

#include <string>

namespace ovalon::test {

/// UTF-8 text as UTF-16 with its byte-order mark.
inline std::string Utf16(const std::string& utf8, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  const auto unit = [&](unsigned u) {
    const char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  };
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    unsigned c = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (int k = 1; k < length; ++k) c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += length;
    if (c < 0x10000) {
      unit(c);
    } else {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  return bytes;
}

}  // namespace ovalon::test
