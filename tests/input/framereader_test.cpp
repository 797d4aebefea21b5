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
#include "tests/support/text.h"

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
    ASSERT_EQ(frame.allAtoms.size(), 60u);
    // The window's own reader of the same text gives the same coordinates and uncertainties
    // (both read the six-decimal values to the nearest 64-bit number).
    PointSet atoms, uncertainties;
    const CoordinateReading reading =
        ReadCoordinates(DecodeTextLines(ReadFile(path)), atoms, uncertainties);
    ASSERT_FALSE(reading.formatError);
    PointSet coords, sigma;
    for (int k = 1; k <= AtomCount; ++k) {
      const FrameAtomLine& atom = frame.allAtoms[k - 1];
      EXPECT_EQ(atom.symbol, "C");
      coords.X.at(k) = atom.position[0];
      coords.Y.at(k) = atom.position[1];
      coords.Z.at(k) = atom.position[2];
      sigma.X.at(k) = atom.sigma[0];
      sigma.Y.at(k) = atom.sigma[1];
      sigma.Z.at(k) = atom.sigma[2];
    }
    EXPECT_EQ(coords, atoms);
    EXPECT_EQ(sigma, uncertainties);
  }
}

TEST(FrameReader, LayoutVariants) {
  struct Case {
    const char* name;
    std::string text;
    int frames;
    int atom;           // the carbon atom's place among the carbons (1..60) of the last frame
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
      {"UTF-16 little-endian",
       test::Utf16("60\r\nЖ ☺ 😀\r\n" + cage(" ", ""), false),
       1,
       2,
       {2, -2, 0.2},
       {0, 0, 0},
       2,
       "Ж ☺ 😀"},
      {"UTF-16 big-endian",
       test::Utf16("60\nЖ\n" + cage(" ", ""), true),
       1,
       60,
       {60, -60, 6},
       {0, 0, 0},
       60,
       "Ж"},
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
    EXPECT_EQ(f.allAtoms.size(), static_cast<size_t>(f.atoms));
    ASSERT_LE(c.atomNumber, f.atoms);
    const FrameAtomLine& atom = f.allAtoms[c.atomNumber - 1];
    EXPECT_TRUE(atom.symbol == "C" || atom.symbol == "c") << atom.symbol;
    EXPECT_EQ(atom.position, c.coords);
    EXPECT_EQ(atom.sigma, c.sigma);
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

TEST(FrameReader, AMalformedCountLineIsARecordOfItsOwn) {
  std::string atoms;
  for (int k = 1; k <= 60; ++k) atoms += "C " + std::to_string(k) + " 1 2\n";
  const std::string first = "60\none\n" + atoms;  // lines 1 to 62
  const std::string last = "60\nthree\n" + atoms;
  const std::string tooLong(MaxLineBytes + 1, '6');
  struct Case {
    const char* name;
    std::string line;     // stands where the second frame's count line belongs, line 63
    std::string message;  // of the second record
  };
  const auto found = [](const std::string& text) {
    return "line 63: expected the atom count of a frame, found \"" + text + "\"";
  };
  const std::vector<Case> cases = {
      {"negative", "-5", found("-5")},
      {"letters after the digits", "60abc", found("60abc")},
      {"15 digits", "999999999999999", found("999999999999999")},
      {"10 digits", "1000000000", found("1000000000")},
      {"a sign", "+60", found("+60")},
      {"a decimal point", "60.0", found("60.0")},
      {"two numbers", "6 0", found("6 0")},
      {"form feed", "\f", found("\f")},
      {"no-break space", "\xC2\xA0", found("\xC2\xA0")},
      {"a control character", std::string(1, '\0'), found(std::string(1, '\0'))},
      {"an atom line too many", "C 61 1 2", found("C 61 1 2")},
      {"a comment where the count belongs", "frame 2 of 3", found("frame 2 of 3")},
      {"longer than 1 MiB", tooLong, "line 63 is longer than 1 MiB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // In the middle: the bad frame's own comment and atom lines follow its count line, then a
    // good frame at line 63 + 1 + 1 + 60 = 125.
    const std::vector<CageFrame> middle = ReadFrames(first + c.line + "\ntwo\n" + atoms + last);
    ASSERT_EQ(middle.size(), 3u);
    EXPECT_EQ(middle[0].problem, FrameProblem::None) << middle[0].message;
    EXPECT_EQ(middle[0].comment, "one");
    EXPECT_EQ(middle[1].problem, FrameProblem::Unreadable);
    EXPECT_EQ(middle[1].message, c.message);
    EXPECT_EQ(middle[1].frame, 2);
    EXPECT_EQ(middle[1].line, 63);
    EXPECT_EQ(middle[2].problem, FrameProblem::None) << middle[2].message;
    EXPECT_EQ(middle[2].frame, 3);
    EXPECT_EQ(middle[2].line, 125);
    EXPECT_EQ(middle[2].comment, "three");

    // At the end, with or without lines after it.
    for (const std::string& end : {c.line + "\n", c.line, c.line + "\ntwo\n" + atoms}) {
      const std::vector<CageFrame> frames = ReadFrames(first + end);
      ASSERT_EQ(frames.size(), 2u);
      EXPECT_EQ(frames[0].problem, FrameProblem::None) << frames[0].message;
      EXPECT_EQ(frames[1].message, c.message);
      EXPECT_EQ(frames[1].frame, 2);
    }
  }
}

TEST(FrameReader, ReadingResumesOnlyAtACountLineWithItsAtomLines) {
  std::string atoms;
  for (int k = 1; k <= 60; ++k) atoms += "C " + std::to_string(k) + " 1 2\n";
  const std::string good = "60\ngood\n" + atoms;
  struct Case {
    const char* name;
    std::string bad;               // from a malformed count line on, before a good frame
    std::vector<long long> lines;  // where each record starts; the good frame's comes last
  };
  const std::vector<Case> cases = {
      // A number on the comment line could be a count; the atom lines after it do not match.
      {"a comment that reads as a count", "-5\n7\n" + atoms, {1, 63}},
      {"a count followed by too few atom lines", "-5\nx\n3\ny\nC 1 2 3\nnot an atom\n", {1, 7}},
      {"a count line too soon", "-5\nx\n2\ny\nC 1 2 3\n", {1, 6}},
      {"an empty line among the atom lines", "-5\nx\n2\ny\nC 1 2 3\n\nC 1 2 3\n", {1, 8}},
      // A frame found this way is read as any other, with uncertainty lines and problems.
      {"a frame of two atoms", "-5\n2\nc\nC 1 2 3\n> 1 1 1\nH 1 2 z\n> 1 1 1\n\n", {1, 2, 9}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<CageFrame> frames = ReadFrames(c.bad + good);
    ASSERT_EQ(frames.size(), c.lines.size());
    for (size_t n = 0; n < frames.size(); ++n) {
      EXPECT_EQ(frames[n].frame, static_cast<long long>(n) + 1);
      EXPECT_EQ(frames[n].line, c.lines[n]);
    }
    EXPECT_EQ(frames.back().problem, FrameProblem::None) << frames.back().message;
    EXPECT_EQ(frames.back().comment, "good");
  }
  const std::vector<CageFrame> two = ReadFrames("-5\n2\nc\nC 1 2 3\n> 1 1 1\nH 1 2 z\n> 1 1 1\n");
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[1].comment, "c");
  EXPECT_EQ(two[1].message, "line 6: \"z\" is not a number");

  // Bad records on either side of a good frame: every frame keeps its number.
  const std::vector<CageFrame> alternating = ReadFrames(good + "x\n" + good + "y\n" + good);
  ASSERT_EQ(alternating.size(), 5u);
  for (int n = 0; n < 5; ++n) {
    EXPECT_EQ(alternating[n].frame, n + 1);
    EXPECT_EQ(alternating[n].problem, n % 2 == 0 ? FrameProblem::None : FrameProblem::Unreadable);
  }
}

TEST(FrameReader, KeepsEveryAtomLine) {
  // σ on ">" lines, interleaved or grouped, belong to every atom line in turn.
  const std::string text =
      "3\nmixed\nO 0 0 0.5\n> 0.01 0.02 0.03\nC 1 2 3\nH -1 0 0\n> 0.1 0.2 0.3\n"
      "> 0.5 0.5 0.5\n2\n\nC 0 0 0 1 2 3\nN 1 1 1 4 5 6\n";
  const std::vector<CageFrame> frames = ReadFrames(text);
  ASSERT_EQ(frames.size(), 2u);
  const CageFrame& frame = frames[0];
  // Which atoms make the cage is the summary's concern: any atoms are a frame.
  EXPECT_EQ(frame.problem, FrameProblem::None);
  ASSERT_EQ(frame.allAtoms.size(), 3u);
  const std::vector<std::string> symbols = {frame.allAtoms[0].symbol, frame.allAtoms[1].symbol,
                                            frame.allAtoms[2].symbol};
  EXPECT_EQ(symbols, (std::vector<std::string>{"O", "C", "H"}));
  EXPECT_EQ(frame.allAtoms[0].position, (Vec{0, 0, 0.5}));
  EXPECT_EQ(frame.allAtoms[0].sigma, (Vec{0.01, 0.02, 0.03}));
  EXPECT_EQ(frame.allAtoms[1].sigma, (Vec{0.1, 0.2, 0.3}));
  EXPECT_EQ(frame.allAtoms[2].position, (Vec{-1, 0, 0}));
  EXPECT_EQ(frame.allAtoms[2].sigma, (Vec{0.5, 0.5, 0.5}));
  ASSERT_EQ(frames[1].allAtoms.size(), 2u);
  EXPECT_EQ(frames[1].allAtoms[1].symbol, "N");
  EXPECT_EQ(frames[1].allAtoms[1].sigma, (Vec{4, 5, 6}));
  // σ twice for an atom is refused.
  const CageFrame twice = ReadFrames("2\n\nO 0 0 0 1 1 1\nC 0 0 1\n> 2 2 2\n")[0];
  EXPECT_EQ(twice.problem, FrameProblem::Unreadable);
  EXPECT_EQ(twice.message, "line 5: atom 1 has uncertainties on its own line and on a \">\" line");
}

TEST(FrameReader, LongLinesAreProblemsOfTheirFrame) {
  std::string atoms59;
  for (int k = 1; k <= 59; ++k) atoms59 += "C " + std::to_string(k) + " 1 2\n";
  const std::string good = "60\ngood\n" + atoms59 + "C 60 1 2\n";
  const std::string tooLong = "C 1 2 3" + std::string(MaxLineBytes, ' ');
  // At its limit, a line with CR LF is still read.
  const std::string atLimit = "C 1 2 3" + std::string(MaxLineBytes - 7, ' ');
  const struct {
    const char* name;
    std::string text;
    std::string message;
  } cases[] = {
      {"comment line", "60\n" + tooLong + "\n" + atoms59 + "C 60 1 2\n",
       "line 2 is longer than 1 MiB"},
      {"atom line", "60\nx\n" + atoms59 + tooLong + "\n", "line 62 is longer than 1 MiB"},
      {"atom line at the limit", "60\nx\n" + atoms59 + atLimit + "\r\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<CageFrame> frames = ReadFrames(c.text + good);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].message, c.message);
    EXPECT_EQ(frames[0].atoms, 60);
    EXPECT_EQ(frames[1].problem, FrameProblem::None) << frames[1].message;
    EXPECT_EQ(frames[1].frame, 2);
  }
}

}  // namespace
}  // namespace ovalon
