// Fuzzes the trajectory frame reader of ovalon-report --summary. The first input byte sets how
// many bytes the stream hands out at a time and the line limit (64 bytes or 1 MiB); the rest is
// the text. Checks that frames are numbered 1, 2, 3, ... and start at increasing lines; that a
// frame without a problem has exactly 60 carbon atoms with finite coordinates and uncertainties
// that are not negative, and that a problem comes with a message; that the cage atoms are atom
// lines of the frame in order; that comments and messages are valid UTF-8 whenever the text is
// (UTF-16 always decodes to it), so that quoting a line never cuts a character, and that
// ValidUtf8, through which the table writes them, gives valid UTF-8 of any bytes; and that the
// frames do not depend on how the stream hands out its bytes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <istream>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "input/framereader.h"
#include "input/textfile.h"

namespace {

/// A stream buffer that hands out its text `chunk` bytes at a time.
class ChunkBuffer : public std::streambuf {
 public:
  ChunkBuffer(const std::string& text, std::size_t chunk) : m_text(text), m_chunk(chunk) {}

 protected:
  int_type underflow() override {
    if (m_next == m_text.size()) return traits_type::eof();
    char* begin = m_text.data() + m_next;
    m_next = std::min(m_text.size(), m_next + m_chunk);
    setg(begin, begin, m_text.data() + m_next);
    return traits_type::to_int_type(*begin);
  }

 private:
  std::string m_text;
  std::size_t m_chunk;
  std::size_t m_next = 0;
};

std::vector<ovalon::CageFrame> ReadAll(std::istream& in, std::size_t maxLineBytes) {
  ovalon::FrameReader reader(in, maxLineBytes);
  std::vector<ovalon::CageFrame> frames;
  ovalon::CageFrame frame;
  while (reader.Next(frame)) frames.push_back(frame);
  return frames;
}

bool Same(const ovalon::CageFrame& a, const ovalon::CageFrame& b) {
  return a.frame == b.frame && a.line == b.line && a.comment == b.comment &&
         a.problem == b.problem && a.message == b.message && a.atoms == b.atoms &&
         a.allAtoms.size() == b.allAtoms.size() &&
         std::equal(a.allAtoms.begin(), a.allAtoms.end(), b.allAtoms.begin(),
                    [](const ovalon::FrameAtomLine& x, const ovalon::FrameAtomLine& y) {
                      return x.symbol == y.symbol && x.position == y.position &&
                             x.sigma == y.sigma;
                    });
}

bool IsValidUtf8(const std::string& text) { return ovalon::ValidUtf8(text) == text; }

/// Whether the lines that the reader hands out are valid UTF-8: UTF-16 after its byte-order
/// mark, or bytes (after a UTF-8 mark) that are valid UTF-8 already.
bool DecodesToValidUtf8(std::string_view text) {
  if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) return true;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  return IsValidUtf8(std::string(text));
}

void Check(const ovalon::CageFrame& frame, long long number, long long& lastLine, bool validText) {
  if (frame.frame != number || frame.line <= lastLine) std::abort();
  lastLine = frame.line;
  if ((frame.problem == ovalon::FrameProblem::None) != frame.message.empty()) std::abort();
  if (frame.problem == ovalon::FrameProblem::None) {
    if (frame.allAtoms.size() != static_cast<std::size_t>(frame.atoms)) std::abort();
    for (const ovalon::FrameAtomLine& atom : frame.allAtoms) {
      for (double v : atom.position)
        if (!std::isfinite(v)) std::abort();
      for (double v : atom.sigma)
        if (!(v >= 0) || !std::isfinite(v)) std::abort();
    }
  }
  if (validText && (!IsValidUtf8(frame.comment) || !IsValidUtf8(frame.message))) std::abort();
  if (!IsValidUtf8(ovalon::ValidUtf8(frame.comment + frame.message))) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk = std::size_t{1} << (data[0] % 13);  // 1 to 4096 bytes
  const std::size_t maxLineBytes = data[0] < 128 ? 64 : ovalon::MaxLineBytes;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

  std::istringstream whole(text);
  const std::vector<ovalon::CageFrame> frames = ReadAll(whole, maxLineBytes);
  long long lastLine = 0;
  const bool validText = DecodesToValidUtf8(text);
  for (std::size_t n = 0; n < frames.size(); ++n) Check(frames[n], n + 1, lastLine, validText);

  ChunkBuffer buffer(text, chunk);
  std::istream chunked(&buffer);
  const std::vector<ovalon::CageFrame> again = ReadAll(chunked, maxLineBytes);
  if (again.size() != frames.size()) std::abort();
  for (std::size_t n = 0; n < frames.size(); ++n)
    if (!Same(frames[n], again[n])) std::abort();
  return 0;
}
