// Extended XYZ: comment-line pairs, column declarations, frames and malformed files.

#include "structure/extendedxyz.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/structure/expecterror.h"
#include "tests/support/files.h"

namespace ovalon {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

TEST(ParseCommentPairs, ReadsQuotedBareAndFlagValues) {
  const CommentPairs c = ParseCommentPairs(
      R"(Lattice="10 0 0 0 10 0 0 0 10" Properties=species:S:1:pos:R:3 energy = -12.5 )"
      R"(comment="a \"quoted\" text" "key with space"=1 pbc=[T,T,T] flag stress={1 2 3})");
  EXPECT_EQ(c.error, "");
  EXPECT_EQ(c.pairs, (Pairs{{"Lattice", "10 0 0 0 10 0 0 0 10"},
                            {"Properties", "species:S:1:pos:R:3"},
                            {"energy", "-12.5"},
                            {"comment", "a \"quoted\" text"},
                            {"key with space", "1"},
                            {"pbc", "[T,T,T]"},
                            {"flag", "T"},
                            {"stress", "1 2 3"}}));
  EXPECT_EQ(ParseCommentPairs("").pairs, Pairs{});
  for (const char* bad : {"comment=\"open", "key=", "=value", "a={open"}) {
    SCOPED_TRACE(bad);
    EXPECT_NE(ParseCommentPairs(bad).error, "");
  }
}

TEST(ParseProperties, FindsTheColumnsItUses) {
  const ColumnLayout layout =
      ParseProperties("species:S:1:pos:R:3:forces:R:3:sigma:R:3:tags:I:1");
  EXPECT_EQ(layout.fields, 11);
  EXPECT_EQ(layout.species, 0);
  EXPECT_EQ(layout.position, 1);
  EXPECT_EQ(layout.sigma, 7);
  EXPECT_EQ(ParseProperties("pos:R:3:species:S:1").species, 3);
  EXPECT_EQ(ParseProperties("species:S:1:pos:R:3").sigma, -1);
  struct Case {
    const char* value;
    const char* message;
  };
  const Case cases[] = {
      {"species:S:1", "lacks species:S:1 or pos:R:3"},
      {"species:S:1:pos:R", "is not a list of name:type:count"},
      {"species:S:1:pos:X:3", "'pos:X:3' is not name:type:count"},
      {"species:S:1:pos:R:0", "'pos:R:0' is not name:type:count"},
      {"species:S:1:pos:R:2", "pos must be pos:R:3"},
      {"species:S:1:pos:R:3:sigma:R:1", "sigma must be sigma:R:3"},
      {"species:S:1:pos:R:3:pos:R:3", "the column pos is declared twice"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    test::ExpectStructureError([&] { ParseProperties(c.value); }, c.message);
  }
}

TEST(ReadExtendedXyz, ReadsTheExampleFrames) {
  const std::vector<Structure> structures =
      ReadExtendedXyz(test::ReadFile(test::ExamplePath("c60_frames.extxyz")), "c60_frames.extxyz");
  ASSERT_EQ(structures.size(), 1u);
  const Structure& s = structures[0];
  ASSERT_EQ(s.frames.size(), 2u);
  EXPECT_EQ(s.frames[1].name, "frame 2");
  EXPECT_EQ(s.frames[0].cell, "Lattice=\"20.0 0.0 0.0 0.0 20.0 0.0 0.0 0.0 20.0\"");
  for (const StructureFrame& frame : s.frames) ASSERT_EQ(frame.atoms.size(), 60u);
  // The first atom of c60_ideal.xyz, and the σ columns as written.
  EXPECT_EQ(s.frames[0].atoms[0].position, (std::array<double, 3>{-0.7275, -2.60012, -2.302462}));
  EXPECT_EQ(s.frames[0].atoms[0].sigma, (std::array<double, 3>{0.002, 0.002, 0.002}));
  EXPECT_EQ(s.frames[1].atoms[1].sigma, (std::array<double, 3>{0.0015, 0.0015, 0.0015}));
  EXPECT_EQ(s.frames[1].atoms[0].element, "C");
}

TEST(ReadExtendedXyz, ReadsPlainXyzAndExtraColumns) {
  const std::string text =
      "2\n"
      "Fullerene fragment, it's \"plain\n"  // not a pair list and no Properties: a plain comment
      "C 0 0 0\n"
      "c\t1.4  0 -0.5E-1\n"
      "\n"
      "1\n"
      "Properties=pos:R:3:species:S:1:forces:R:3:sigma:R:3 energy=-3\n"
      "1 2 3 Cl 9 9 9 0.01 0.02 0.03\n";
  const std::vector<Structure> structures = ReadExtendedXyz(text, "t.xyz");
  ASSERT_EQ(structures.at(0).frames.size(), 2u);
  const StructureFrame& first = structures[0].frames[0];
  ASSERT_EQ(first.atoms.size(), 2u);
  EXPECT_EQ(first.atoms[1].element, "C");
  EXPECT_EQ(first.atoms[1].position, (std::array<double, 3>{1.4, 0, -0.05}));
  EXPECT_EQ(first.atoms[1].sigma, (std::array<double, 3>{0, 0, 0}));
  const StructureAtom& chlorine = structures[0].frames[1].atoms.at(0);
  EXPECT_EQ(chlorine.element, "Cl");
  EXPECT_EQ(chlorine.position, (std::array<double, 3>{1, 2, 3}));
  EXPECT_EQ(chlorine.sigma, (std::array<double, 3>{0.01, 0.02, 0.03}));
}

TEST(ReadExtendedXyz, ReportsMalformedFilesWithTheLine) {
  const std::string good = "Properties=species:S:1:pos:R:3:sigma:R:3";
  struct Case {
    const char* name;
    std::string text;
    std::string message;
  };
  const Case cases[] = {
      {"count not a number", "two\nx\nC 0 0 0\n", "t.xyz: line 1: 'two' is not an atom count"},
      {"count with more", "1 2\nx\nC 0 0 0\n", "t.xyz: line 1:"},
      {"no comment line", "1\n", "t.xyz: line 1: the file ends where the comment line should be"},
      {"too few atom lines", "3\n" + good + "\nC 0 0 0 0 0 0\nC 1 0 0 0 0 0\n",
       "t.xyz: line 4: the file ends after 2 of 3 atom lines"},
      {"missing sigma column", "1\n" + good + "\nC 0 0 0 0.1 0.1\n",
       "t.xyz: line 3: 6 fields where Properties declares 7"},
      {"empty atom line", "2\n" + good + "\nC 0 0 0 0 0 0\n\nC 0 0 0 0 0 0\n",
       "t.xyz: line 4: 0 fields where Properties declares 7"},
      {"bad coordinate", "1\nx\nC 0 0,5 0\n", "t.xyz: line 3: the coordinate '0,5' is not a number"},
      {"bad sigma", "1\n" + good + "\nC 0 0 0 0.1 x 0.1\n",
       "t.xyz: line 3: the uncertainty 'x' is not a number"},
      {"negative sigma", "1\n" + good + "\nC 0 0 0 0.1 -0.1 0.1\n", "t.xyz: line 3: the uncertainty"},
      {"bad properties", "1\nProperties=species:S:1\nC 0 0 0\n",
       "t.xyz: line 2: Properties 'species:S:1' lacks"},
      {"unclosed quote with Lattice", "1\nLattice=\"1 0 0 0 1 0 0 0 1\ncomment\nC 0 0 0\n",
       "t.xyz: line 2: the comment line is not a list of key=value pairs"},
      {"short lattice", "1\nLattice=\"1 0 0\"\nC 0 0 0\n",
       "t.xyz: line 2: Lattice=\"1 0 0\" is not nine numbers"},
      {"second frame bad", "1\nx\nC 0 0 0\n1\nx\nC 0 0\n", "t.xyz: line 6: 3 fields"},
      {"no frames", "\n\n", "t.xyz: no frames"},
      {"infinite value", "1\nx\nC 0 0 1e999\n", "t.xyz: line 3: the coordinate '1e999'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::ExpectStructureError([&] { ReadExtendedXyz(c.text, "t.xyz"); }, c.message);
  }
}

}  // namespace
}  // namespace ovalon
