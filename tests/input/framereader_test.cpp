// The frame reader of the summary's trajectories: layouts, problems and resynchronisation.

#include "input/framereader.h"

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "input/coordinatereader.h"
#include "input/textfile.h"
#include "tests/support/files.h"

namespace ovalon {
namespace {

using test::ExamplePath;
using test::ReadFile;
using Vec = std::array<double, 3>;

std::vector<CageFrame> ReadFrames(const std::string& text) {
  std::istringstream in(text);
  FrameReader reader(in);
  std::vector<CageFrame> frames;
  CageFrame frame;
  while (reader.Next(frame)) frames.push_back(frame);
  return frames;
}

TEST(FrameReader, ReadsTheWindowsExampleFilesAsOneFrameEach) {
  for (const std::string& path : {ExamplePath("c60_ideal.xyz"), ExamplePath("c60_distorted.xyz")}) {
    SCOPED_TRACE(path);
    const std::vector<CageFrame> frames = ReadFrames(ReadFile(path));
    ASSERT_EQ(frames.size(), 1u);
    const CageFrame& frame = frames[0];
    EXPECT_EQ(frame.problem, FrameProblem::None) << frame.message;
    EXPECT_EQ(frame.carbons, 60);
    // The window's own reader of the same text gives the same coordinates and uncertainties
    // (both read the six-decimal values to the nearest 64-bit number).
    PointSet atoms, uncertainties;
    const CoordinateReading reading =
        ReadCoordinates(DecodeTextLines(ReadFile(path)), atoms, uncertainties);
    ASSERT_FALSE(reading.formatError);
    EXPECT_EQ(frame.coords, atoms);
    EXPECT_EQ(frame.sigma, uncertainties);
    EXPECT_EQ(frame.atomNumbers[59], 60);
  }
}

TEST(FrameReader, LayoutVariants) {
  struct Case {
    const char* name;
    std::string text;
    int frames;
    int atom;           // a cage atom to look at (1..60) in the last frame
    Vec coords, sigma;  // its coordinates and uncertainties
    int atomNumber;     // its atom line number in the frame
    std::string comment;
  };
  // 60 carbon atoms k = 1..60 at (k, -k, 0.5k) with the given line layout.
  auto cage = [](const std::string& separator, const std::string& sigma) {
    std::string text;
    for (int k = 1; k <= 60; ++k)
      text += "C" + separator + std::to_string(k) + separator + std::to_string(-k) + separator +
              std::to_string(k) + "e-1" + sigma + "\n";
    return text;
  };
  std::string interleaved, grouped, mixedElements, sevenColumns;
  for (int k = 1; k <= 60; ++k) {
    const std::string atom = "C  " + std::to_string(k) + "  0  0\n";
    const std::string sigma = ">  0.00" + std::to_string(k % 10) + "  0.002  0.003\n";
    interleaved += atom + sigma;
    grouped += atom;
    sevenColumns += "c " + std::to_string(k) + " 0 0 0.1 +0.2 3e-1\n";
    mixedElements += "H 9 9 9\n" + atom;  // atom lines 2k hold the carbons
  }
  for (int k = 1; k <= 60; ++k) grouped += ">  0.00" + std::to_string(k % 10) + "  0.002  0.003\n";
  const std::vector<Case> cases = {
      {"spaces and tabs",
       "60\nfirst\n" + cage(" \t ", ""),
       1,
       7,
       {7, -7, 0.7},
       {0, 0, 0},
       7,
       "first"},
      {"tabs only, empty comment",
       "60\n\n" + cage("\t", ""),
       1,
       60,
       {60, -60, 6},
       {0, 0, 0},
       60,
       ""},
      {"CR LF and a byte-order mark",
       "\xEF\xBB\xBF"
       "60\r\n c, \"quoted\" \r\n" +
           [&] {
             std::string t = cage(" ", "");
             std::string crlf;
             for (char c : t) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
             return crlf;
           }(),
       1,
       2,
       {2, -2, 0.2},
       {0, 0, 0},
       2,
       " c, \"quoted\" "},
      {"uncertainty lines interleaved",
       "60\nw\n" + interleaved,
       1,
       13,
       {13, 0, 0},
       {0.003, 0.002, 0.003},
       13,
       "w"},
      {"uncertainty lines grouped",
       "60\nw\n" + grouped,
       1,
       13,
       {13, 0, 0},
       {0.003, 0.002, 0.003},
       13,
       "w"},
      {"seven columns, lower-case c, a plus sign",
       "60\n7\n" + sevenColumns,
       1,
       5,
       {5, 0, 0},
       {0.1, 0.2, 0.3},
       5,
       "7"},
      {"other elements are not in the cage",
       "120\nm\n" + mixedElements,
       1,
       3,
       {3, 0, 0},
       {0, 0, 0},
       6,
       "m"},
      {"blank lines between frames",
       "\n  \n60\na\n" + cage(" ", "") + "\n\t\n60\nb\n" + cage("  ", ""),
       2,
       1,
       {1, -1, 0.1},
       {0, 0, 0},
       1,
       "b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<CageFrame> frames = ReadFrames(c.text);
    ASSERT_EQ(static_cast<int>(frames.size()), c.frames);
    const CageFrame& f = frames.back();
    EXPECT_EQ(f.problem, FrameProblem::None) << f.message;
    EXPECT_EQ(f.frame, c.frames);
    EXPECT_EQ(f.comment, c.comment);
    EXPECT_EQ(f.carbons, 60);
    EXPECT_EQ(f.coords.X.at(c.atom), c.coords[0]);
    EXPECT_EQ(f.coords.Y.at(c.atom), c.coords[1]);
    EXPECT_EQ(f.coords.Z.at(c.atom), c.coords[2]);
    EXPECT_EQ(f.sigma.X.at(c.atom), c.sigma[0]);
    EXPECT_EQ(f.sigma.Y.at(c.atom), c.sigma[1]);
    EXPECT_EQ(f.sigma.Z.at(c.atom), c.sigma[2]);
    EXPECT_EQ(f.atomNumbers[c.atom - 1], c.atomNumber);
  }
}

TEST(FrameReader, ProblemsNameTheLineAndReadingResumes) {
  std::string atoms59;
  for (int k = 1; k <= 59; ++k) atoms59 += "C " + std::to_string(k) + " 1 2\n";
  const std::string atoms60 = atoms59 + "C 60 1 2\n";
  const std::string good = "60\ngood\n" + atoms60;
  struct Case {
    const char* name;
    std::string bad;  // a frame with a problem; a good frame follows it
    FrameProblem problem;
    std::string message;
    long long goodLine;  // the line where the good frame starts
  };
  const std::vector<Case> cases = {
      {"59 carbon atoms", "59\nshort\n" + atoms59, FrameProblem::CageSize,
       "the frame has 59 carbon atoms among 59 atoms; the cage must have exactly 60", 62},
      {"61 carbon atoms", "61\nlong\n" + atoms60 + "C 1 1 1\n", FrameProblem::CageSize,
       "the frame has 61 carbon atoms among 61 atoms; the cage must have exactly 60", 64},
      {"a decimal comma", "60\nx\nC 1,5 1 2\n" + atoms59, FrameProblem::Unreadable,
       "line 3: \"1,5\" is not a number", 63},
      {"not finite", "60\nx\n" + atoms59 + "C nan 1 2\n", FrameProblem::Unreadable,
       "line 62: \"nan\" is not a number", 63},
      {"five fields", "60\nx\nC 1 2 3 4\n" + atoms59, FrameProblem::Unreadable,
       "line 3: an atom line holds a symbol and x y z, optionally followed by σx σy σz; found 5 "
       "fields in \"C 1 2 3 4\"",
       63},
      {"an empty line among the atoms", "60\nx\n\n" + atoms59, FrameProblem::Unreadable,
       "line 3: an empty line where atom line 1 was expected", 63},
      {"cut short: the next count line comes early", "60\nx\nC 1 2 3\n", FrameProblem::Unreadable,
       "line 4: a new frame starts after 1 of 60 atom lines", 4},
      {"more atom lines than the count", "60\nx\n" + atoms60 + "C 1 1 1\nC 2 2 2\n",
       FrameProblem::Unreadable,
       "line 63: more atom lines than the count 60, or a line that is neither an atom count nor "
       "an uncertainty line: \"C 1 1 1\"",
       65},
      {"no count line", "C 1 2 3\nC 1 2 3\n", FrameProblem::Unreadable,
       "line 1: expected the atom count of a frame, found \"C 1 2 3\"", 3},
      {"an uncertainty line before its atom", "60\nx\n> 1 1 1\n" + atoms60,
       FrameProblem::Unreadable, "line 3: uncertainty line 1 comes before atom line 1", 64},
      {"fewer uncertainty lines than atoms", "60\nx\n" + atoms60 + "> 1 1 1\n",
       FrameProblem::Unreadable, "the frame has 60 atom lines but 1 uncertainty lines", 64},
      {"a negative uncertainty", "60\nx\nC 1 2 3 0 -1 0\n" + atoms59, FrameProblem::Unreadable,
       "line 3: an uncertainty is negative", 63},
      {"uncertainties given twice", "60\nx\nC 1 2 3 1 1 1\n> 1 1 1\n" + atoms59,
       FrameProblem::Unreadable,
       "line 4: atom 1 has uncertainties on its own line and on a \">\" "
       "line",
       64},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<CageFrame> frames = ReadFrames(c.bad + good);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].problem, c.problem);
    EXPECT_EQ(frames[0].message, c.message);
    EXPECT_EQ(frames[1].problem, FrameProblem::None) << frames[1].message;
    EXPECT_EQ(frames[1].frame, 2);
    EXPECT_EQ(frames[1].line, c.goodLine);
    EXPECT_EQ(frames[1].comment, "good");
  }
  // The input ends inside a frame.
  const std::vector<CageFrame> cut = ReadFrames("60\nx\nC 1 2 3\n");
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_EQ(cut[0].message, "line 3: the input ends after 1 of 60 atom lines");
  EXPECT_EQ(ReadFrames("60\n")[0].message,
            "line 1: the input ends before the comment line of the frame");
}

}  // namespace
}  // namespace ovalon
