// A structure's cage as the window's coordinate text, read back by the window's reader.

#include "structure/coordinatetext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "input/coordinatereader.h"
#include "input/parsenumber.h"
#include "structure/cif.h"
#include "tests/support/files.h"

namespace ovalon {
namespace {

TEST(ExactNumberText, ReadsBackToTheSameValue) {
  for (double v : {0.0, -0.0, 0.1, -2.302462, 1e-5, 3.5e-4, 123456.789, 1.7976931348623157e308,
                   2.2250738585072014e-308, 4.9406564584124654e-324, -1.0 / 3.0}) {
    SCOPED_TRACE(v);
    const std::string text = ExactNumberText(v);
    EXPECT_EQ(ParseNumber(text), v) << text;
    EXPECT_EQ(std::signbit(ParseNumber(text)), std::signbit(v));
  }
  // Random bit patterns of finite values (a fixed linear congruential sequence).
  std::uint64_t state = 88172645463325252u;
  for (int i = 0; i < 20000; ++i) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    double v;
    std::memcpy(&v, &state, sizeof v);
    if (!std::isfinite(v)) continue;
    const std::string text = ExactNumberText(v);
    ASSERT_EQ(ParseNumber(text), v) << text;
  }
  EXPECT_EQ(ExactNumberText(0.25), "0.25");
  EXPECT_EQ(ExactNumberText(-1.4), "-1.4");
}

Structure ExampleCage(StructureFrame& cage) {
  const std::vector<Structure> structures =
      ReadCif(test::ReadFile(test::ExamplePath("c60_solvate.cif")), "c60_solvate.cif");
  const StructureFrame& frame = structures.at(0).frames.at(0);
  cage = frame;
  cage.atoms.clear();
  for (const StructureAtom& atom : frame.atoms)
    if (atom.element == "C" && atom.label.back() != 'S') cage.atoms.push_back(atom);
  return structures[0];
}

TEST(WindowCoordinateText, IsReadBackExactlyByTheWindowsReader) {
  StructureFrame cage;
  const Structure structure = ExampleCage(cage);
  ASSERT_EQ(cage.atoms.size(), 60u);
  const CoordinateText text = WindowCoordinateText(structure, cage);
  ASSERT_EQ(text.problem, "");
  ASSERT_EQ(text.lines.size(), 122u);
  EXPECT_EQ(text.lines[0],
            "# file c60_solvate.cif, data block c60_solvate, cell a=10.2185(12) b=14.3520(15) "
            "c=16.0415(17) alpha=90 beta=98.372(8) gamma=90");
  EXPECT_EQ(text.lines[1].rfind("# symmetry: 4 operators of _space_group_symop_operation_xyz; ", 0), 0u);
  EXPECT_NE(text.lines[1].find("; disorder: left out group 2 of assembly A"), std::string::npos);

  PointSet atoms{}, sigma{};
  const CoordinateReading reading = ReadCoordinates(text.lines, atoms, sigma);
  EXPECT_FALSE(reading.formatError);
  EXPECT_FALSE(reading.incomplete);
  EXPECT_EQ(reading.atomLines, 60);
  EXPECT_EQ(reading.uncertaintyLines, 60);
  for (int k = 1; k <= 60; ++k) {
    const StructureAtom& atom = cage.atoms[k - 1];
    EXPECT_EQ(atoms.X.at(k), atom.position[0]);
    EXPECT_EQ(atoms.Y.at(k), atom.position[1]);
    EXPECT_EQ(atoms.Z.at(k), atom.position[2]);
    EXPECT_EQ(sigma.X.at(k), atom.sigma[0]);
    EXPECT_EQ(sigma.Y.at(k), atom.sigma[1]);
    EXPECT_EQ(sigma.Z.at(k), atom.sigma[2]);
  }
}

TEST(WindowCoordinateText, RefusesCagesTheWindowCannotHold) {
  StructureFrame cage;
  const Structure structure = ExampleCage(cage);
  StructureFrame small = cage;
  small.atoms.resize(59);
  const CoordinateText short_ = WindowCoordinateText(structure, small);
  EXPECT_TRUE(short_.lines.empty());
  EXPECT_EQ(short_.problem,
            "В клетке 59 атомов, а окно работает с клеткой из 60 атомов. Клетки другого размера "
            "обрабатывает ovalon-report --summary.");
  StructureFrame nitrogen = cage;
  nitrogen.atoms[4].element = "N";
  nitrogen.atoms[4].label = "N5";
  const CoordinateText hetero = WindowCoordinateText(structure, nitrogen);
  EXPECT_TRUE(hetero.lines.empty());
  EXPECT_EQ(hetero.problem,
            "Атом N5 клетки — не углерод (N), а окно читает только атомы углерода.");
}

}  // namespace
}  // namespace ovalon
