#include "input/textfile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace ovalon {
namespace {

using Lines = std::vector<std::string>;

struct DecodeCase {
  const char* name;
  std::string bytes;
  Lines expected;
};

// "Ж" is U+0416: UTF-8 D0 96, UTF-16 04 16. "é" is U+00E9: UTF-8 C3 A9, Latin-1 E9.
// U+1F600 is the UTF-16 pair D83D DE00 and UTF-8 F0 9F 98 80.
const DecodeCase DecodeCases[] = {
    {"empty", "", {}},
    {"one line without break", "C  1", {"C  1"}},
    {"LF", "a\nb\n", {"a", "b"}},
    {"CR LF", "a\r\nb\r\n", {"a", "b"}},
    {"CR", "a\rb\r", {"a", "b"}},
    {"mixed breaks", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
    {"empty lines kept", "a\n\nb\n\n", {"a", "", "b", ""}},
    {"CR CR LF is two breaks", "a\r\r\nb", {"a", "", "b"}},
    {"a lone break is one empty line", "\r\n", {""}},
    {"UTF-8 without mark", "\xD0\x96\n", {"\xD0\x96"}},
    {"UTF-8 mark removed",
     "\xEF\xBB\xBF"
     "C  1\r\n",
     {"C  1"}},
    {"UTF-8 mark, ill-formed byte replaced",
     "\xEF\xBB\xBF"
     "a\xE9",
     {"a\xEF\xBF\xBD"}},
    {"Latin-1 when not UTF-8", "caf\xE9\r\nx", {"caf\xC3\xA9", "x"}},
    {"truncated UTF-8 is Latin-1", "\xD0", {"\xC3\x90"}},
    {"overlong UTF-8 is Latin-1", "\xC0\xAF", {"\xC3\x80\xC2\xAF"}},
    {"encoded surrogate is Latin-1", "\xED\xA0\x80", {"\xC3\xAD\xC2\xA0\xC2\x80"}},
    {"UTF-16 LE",
     std::string("\xFF\xFE"
                 "C\0 \0\x16\x04\r\0\n\0x\0",
                 14),
     {"C \xD0\x96", "x"}},
    {"UTF-16 BE", std::string("\xFE\xFF\0C\0 \x04\x16\0\r\0x", 12), {"C \xD0\x96", "x"}},
    {"UTF-16 surrogate pair", std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), {"\xF0\x9F\x98\x80"}},
    {"UTF-16 unpaired surrogate",
     std::string("\xFE\xFF\xD8\x3D\0a", 6),
     {"\xEF\xBF\xBD"
      "a"}},
    {"UTF-16 odd final byte", std::string("\xFF\xFEx\0y", 5), {"x\xEF\xBF\xBD"}},
};

TEST(DecodeTextLines, CaseTable) {
  for (const DecodeCase& c : DecodeCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DecodeTextLines(c.bytes), c.expected);
  }
}

TEST(ReadFileBytes, ReadsEveryByte) {
  const std::string bytes = ReadFileBytes(OVALON_TEST_DATA "/reader_short_crlf.xyz");
  EXPECT_EQ(bytes.substr(0, 8), "3\r\nThree");
  EXPECT_EQ(bytes.back(), '\n');
}

TEST(ReadFileBytes, ErrorsCarryThePathAndTheSystemsText) {
  const struct {
    const char* name;
    std::string path;
    int error;
  } cases[] = {
      {"missing file", OVALON_TEST_DATA "/no-such-file.xyz", ENOENT},
      {"folder", OVALON_TEST_DATA, EISDIR},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      ReadFileBytes(c.path);
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& error) {
      const std::string message = error.what();
      EXPECT_NE(message.find(c.path), std::string::npos) << message;
      EXPECT_NE(message.find(std::strerror(c.error)), std::string::npos) << message;
    }
  }
}

TEST(ReadFileBytes, StopsAtTheFirstLimitPassed) {
  const struct {
    const char* name;
    std::string bytes;
    TextLimits limits;
    std::string error;  // after the path; empty when the text is read
  } cases[] = {
      {"lines at the limit", "abcd\nabcd\r\nabcd", {.maxLineBytes = 4}, ""},
      {"a longer line", "abc\r\ndefgh\nij", {.maxLineBytes = 4}, ": line 2 is longer than 4 bytes"},
      {"CR LF is one break, CR alone another",
       "a\r\nb\rc\n\rabcde",
       {.maxLineBytes = 4},
       ": line 5 is longer than 4 bytes"},
      {"the last line", "ab\nabcde", {.maxLineBytes = 4}, ": line 2 is longer than 4 bytes"},
      {"UTF-8 mark not counted",
       "\xEF\xBB\xBF"
       "abcd",
       {.maxLineBytes = 4},
       ""},
      {"UTF-16 counts two bytes a character",
       std::string("\xFF\xFE"
                   "a\0b\0\n\0c\0d\0e\0",
                   14),
       {.maxLineBytes = 4},
       ": line 2 is longer than 4 bytes"},
      {"UTF-16 big-endian breaks",
       std::string("\xFE\xFF"
                   "\0a\0\r\0\n\0b\0c\0\n",
                   14),
       {.maxLineBytes = 4},
       ""},
      {"a whole MiB",
       std::string((1 << 20) + 1, 'x'),
       {.maxLineBytes = MaxLineBytes},
       ": line 1 is longer than 1 MiB"},
      {"text at the limit", "0123456789", {.maxBytes = 10}, ""},
      {"larger text", "0123456789", {.maxBytes = 9}, " is larger than 9 bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = testing::TempDir() + "limits.txt";
    std::ofstream(path, std::ios::binary) << c.bytes;
    try {
      EXPECT_EQ(ReadFileBytes(path, c.limits), c.bytes);
      EXPECT_EQ(c.error, "");
    } catch (const TextLimitError& error) {
      EXPECT_EQ(error.what(), path + c.error);
    }
  }
}

}  // namespace
}  // namespace ovalon
