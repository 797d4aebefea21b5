#include "input/linereader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace ovalon {
namespace {

const std::string TooLong = "<too long>";

/// Hands out its text one byte at a time without a buffer, so it never says how much it has at
/// hand (as the standard streams synchronised with C stdio do): every line and code unit then
/// crosses a refill.
class TrickleBuffer : public std::streambuf {
 public:
  explicit TrickleBuffer(std::string text) : m_text(std::move(text)) {}

 protected:
  int_type underflow() override {
    if (m_next == m_text.size()) return traits_type::eof();
    return traits_type::to_int_type(m_text[m_next]);
  }
  int_type uflow() override {
    if (m_next == m_text.size()) return traits_type::eof();
    return traits_type::to_int_type(m_text[m_next++]);
  }

 private:
  std::string m_text;
  std::size_t m_next = 0;
};

/// Every line with the limit given; a line over it as TooLong. Checks the line numbers.
std::vector<std::string> ReadLines(std::istream& in, std::size_t limit) {
  LineReader reader(in, limit);
  std::vector<std::string> lines;
  while (reader.Next()) {
    lines.push_back(reader.TooLong() ? TooLong : std::string(reader.Line()));
    EXPECT_EQ(reader.Number(), static_cast<long long>(lines.size()));
    if (reader.TooLong()) {
      EXPECT_EQ(reader.Line(), "");
    }
  }
  return lines;
}

TEST(LineReader, CaseTable) {
  using Lines = std::vector<std::string>;
  const std::string replacement = "\xEF\xBF\xBD";
  const struct {
    const char* name;
    std::string bytes;
    Lines lines;  // with a limit of 4 bytes
  } cases[] = {
      {"LF and CR LF", "a\nbb\r\nccc", {"a", "bb", "ccc"}},
      {"a lone CR stays in its line", "a\rb\n", {"a\rb"}},
      {"a final line break adds no line", "a\n", {"a"}},
      {"nothing", "", {}},
      {"empty lines", "\n\r\n", {"", ""}},
      {"a line too long, then the next", "abcde\nab\n", {TooLong, "ab"}},
      {"at the limit, with CR LF", "abcd\r\n", {"abcd"}},
      {"a CR that is not the break counts", "abcd\r\r\n", {TooLong}},
      {"over the limit at the end", "ab\nabcde", {"ab", TooLong}},
      {"UTF-8 mark skipped",
       "\xEF\xBB\xBF"
       "abcd",
       {"abcd"}},
      {"UTF-8 mark only at the start", "a\n\xEF\xBB\xBF", {"a", "\xEF\xBB\xBF"}},
      {"bytes that are not UTF-8 pass", "\xFF\xE9\n", {"\xFF\xE9"}},
      {"UTF-16 little-endian",
       std::string("\xFF\xFE"
                   "a\0\r\0\n\0\x16\x04",
                   10),
       {"a", "Ж"}},
      {"UTF-16 big-endian pair",
       std::string("\xFE\xFF"
                   "\xD8\x3D\xDE\x00\0\n",
                   8),
       {"😀"}},
      {"UTF-16 unpaired surrogate",
       std::string("\xFF\xFE"
                   "\x00\xD8"
                   "a\0",
                   6),
       {replacement + "a"}},
      {"UTF-16 final odd byte",
       std::string("\xFF\xFE"
                   "a\0b",
                   5),
       {"a" + replacement}},
      {"UTF-16 counts stored bytes",
       std::string("\xFF\xFE"
                   "a\0b\0c\0\n\0d\0",
                   12),
       {TooLong, "d"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::istringstream whole(c.bytes);
    EXPECT_EQ(ReadLines(whole, 4), c.lines);
    TrickleBuffer trickle(c.bytes);
    std::istream bytewise(&trickle);
    EXPECT_EQ(ReadLines(bytewise, 4), c.lines);
  }
}

TEST(LineReader, LinesLongerThanItsBuffer) {
  const std::string longest(MaxLineBytes, 'x');
  std::istringstream in(longest + "\r\n" + longest + "y\nlast");
  const std::vector<std::string> lines = ReadLines(in, MaxLineBytes);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], longest);
  EXPECT_EQ(lines[1], TooLong);
  EXPECT_EQ(lines[2], "last");

  std::istringstream again(longest + "y\n");
  LineReader reader(again);
  ASSERT_TRUE(reader.Next());
  EXPECT_EQ(reader.TooLongMessage(), "line 1 is longer than 1 MiB");
}

}  // namespace
}  // namespace ovalon
