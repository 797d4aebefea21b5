#include "report/diagonals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "report/format.h"

namespace ovalon {
namespace {

using Lines = std::vector<std::string>;
using Point = std::array<double, 3>;

void Place(PointSet& atoms, int i, Point p) {
  atoms.X.at(i) = p[0];
  atoms.Y.at(i) = p[1];
  atoms.Z.at(i) = p[2];
}

TEST(MaximumDiagonals, AllAtomsAtTheOriginBeforeAnyCoordinatesWereRead) {
  Lines expected = {" ", "Максимальные диагонали для соответствующих точек:"};
  for (int i = 1; i <= AtomCount; ++i)
    expected.push_back("C" + std::to_string(i) + " ( 0; 0; 0 ) L=0");
  expected.insert(expected.end(), {" ", "Параметры максимальной диагонали:", "Длина: 0",
                                   "Вектор, задающий диагональ:  R{ 0; 0; 0 }",
                                   "Начало:  ( 0; 0; 0 )", "Конец:  ( 0; 0; 0 )"});
  const DiagonalResult result = FindMaximumDiagonals(PointSet{});
  const Lines lines = DiagonalLines(PointSet{}, result, ".");
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(lines.size(), 68u);
  EXPECT_EQ(result.length, 0);
  EXPECT_EQ(result.atomMaxDistance, AtomValues{});
}

TEST(MaximumDiagonals, TwoAtomsOffTheOriginWhateverTheirNumbers) {
  // (1, 0, 0) and (−2, 0, 0), all others at the origin: the chord has length 3 and starts at
  // the atom nearer to the origin; every atom at the origin is 2 from (−2, 0, 0).
  const std::pair<int, int> numbers[] = {{5, 17}, {17, 5}, {1, 60}, {60, 1}};
  for (const auto& [near, far] : numbers) {
    SCOPED_TRACE(testing::Message() << "atoms " << near << " and " << far);
    PointSet atoms;
    Place(atoms, near, {1, 0, 0});
    Place(atoms, far, {-2, 0, 0});
    const DiagonalResult result = FindMaximumDiagonals(atoms);
    const Lines lines = DiagonalLines(atoms, result, ".");
    EXPECT_EQ(result.length, 3);
    EXPECT_EQ(result.start, (Point{1, 0, 0}));
    EXPECT_EQ(result.end, (Point{-2, 0, 0}));
    EXPECT_EQ(result.vector, (Point{-3, 0, 0}));
    const Lines tail(lines.end() - 4, lines.end());
    EXPECT_EQ(tail, (Lines{"Длина: 3", "Вектор, задающий диагональ:  R{ -3; 0; 0 }",
                           "Начало:  ( 1; 0; 0 )", "Конец:  ( -2; 0; 0 )"}));
    EXPECT_EQ(lines[1 + near], "C" + std::to_string(near) + " ( 1; 0; 0 ) L=3");
    EXPECT_EQ(lines[1 + far], "C" + std::to_string(far) + " ( -2; 0; 0 ) L=3");
    const int other = near == 1 || far == 1 ? 2 : 1;
    EXPECT_EQ(lines[1 + other], "C" + std::to_string(other) + " ( 0; 0; 0 ) L=2");
  }
}

TEST(MaximumDiagonals, FirstOfEqualChordsWins) {
  // Two chords of length 6, (3, 0, 0)–(−3, 0, 0) and (0, 0, 3)–(0, 0, −3); the cross distances
  // are √18. The pair met first with i ascending is kept; both ends are 3 from the origin,
  // so the outer-loop atom, the lower number, is the start.
  struct Case {
    const char* name;
    int x1, x2, z1, z2;  // atom numbers of (3,0,0), (−3,0,0), (0,0,3), (0,0,−3)
    Point start, end;
  };
  const Case cases[] = {
      {"X chord first", 5, 30, 10, 20, {3, 0, 0}, {-3, 0, 0}},
      {"Z chord first", 10, 20, 5, 30, {0, 0, 3}, {0, 0, -3}},
      {"reversed ends", 30, 5, 20, 10, {-3, 0, 0}, {3, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PointSet atoms;
    Place(atoms, c.x1, {3, 0, 0});
    Place(atoms, c.x2, {-3, 0, 0});
    Place(atoms, c.z1, {0, 0, 3});
    Place(atoms, c.z2, {0, 0, -3});
    const DiagonalResult result = FindMaximumDiagonals(atoms);
    const Lines lines = DiagonalLines(atoms, result, ".");
    EXPECT_EQ(result.length, 6);
    EXPECT_EQ(result.start, c.start);
    EXPECT_EQ(result.end, c.end);
  }
}

// A scattered cage: 60 points on a sphere-like shell of radius about 3.5 around (1, −2, 0.5),
// from a fixed linear congruential sequence.
PointSet ScatteredAtoms() {
  PointSet atoms;
  unsigned state = 12345;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return ((state >> 8) & 0xFFFF) / 65536.0 - 0.5;
  };
  for (int i = 1; i <= AtomCount; ++i) {
    const double x = next(), y = next(), z = next();
    const double scale = 3.5 / std::sqrt(x * x + y * y + z * z) * (1 + 0.1 * next());
    Place(atoms, i, {1 + x * scale, -2 + y * scale, 0.5 + z * scale});
  }
  return atoms;
}

TEST(MaximumDiagonals, ChordIsTheLongestDistanceAndStartsNearer) {
  const PointSet atoms = ScatteredAtoms();
  const DiagonalResult result = FindMaximumDiagonals(atoms);
  const Lines lines = DiagonalLines(atoms, result, ".");
  // Every atom's largest distance: at least its distance to any atom (checked in 64-bit
  // arithmetic, a few units of 1e-15 away from the extended one), and reached by one of them.
  double largest = 0;
  for (int i = 1; i <= AtomCount; ++i) {
    double reached = 0;
    for (int j = 1; j <= AtomCount; ++j) {
      const double d = std::hypot(atoms.X.at(i) - atoms.X.at(j), atoms.Y.at(i) - atoms.Y.at(j),
                                  atoms.Z.at(i) - atoms.Z.at(j));
      reached = std::max(reached, d);
    }
    EXPECT_NEAR(result.atomMaxDistance.at(i), reached, 1e-14) << "atom " << i;
    largest = std::max(largest, result.atomMaxDistance.at(i));
  }
  EXPECT_EQ(result.length, largest);
  EXPECT_NEAR(std::hypot(result.vector[0], result.vector[1], result.vector[2]), result.length,
              1e-14);
  EXPECT_LE(std::hypot(result.start[0], result.start[1], result.start[2]),
            std::hypot(result.end[0], result.end[1], result.end[2]));
  EXPECT_GT(result.length, 6.3);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(result.vector[k], result.end[k] - result.start[k]);
  // Each atom line shows the coordinates read and that atom's largest distance.
  for (int i = 1; i <= AtomCount; ++i) {
    EXPECT_EQ(lines[1 + i], "C" + std::to_string(i) + " ( " +
                                FormatGeneral(atoms.X.at(i), 15, 0, ".") + "; " +
                                FormatGeneral(atoms.Y.at(i), 15, 0, ".") + "; " +
                                FormatGeneral(atoms.Z.at(i), 15, 0, ".") +
                                " ) L=" + FormatGeneral(result.atomMaxDistance.at(i), 15, 0, "."));
  }
  EXPECT_EQ(lines.size(), 68u);
  // A second click appends the same lines.
  EXPECT_EQ(DiagonalLines(atoms, FindMaximumDiagonals(atoms), "."), lines);
}

TEST(MaximumDiagonals, NotANumberReachesTheReport) {
  // Atom 1 has no X: every distance to it is NaN and counts as longer, so every atom's largest
  // distance is NaN; the last such pair, (60, 1), is the chord, with atom 60 as start because
  // a comparison with NaN is false.
  PointSet atoms;
  atoms.X.at(1) = std::numeric_limits<double>::quiet_NaN();
  Place(atoms, 2, {1, 0, 0});
  Place(atoms, 3, {-2, 0, 0});
  const DiagonalResult result = FindMaximumDiagonals(atoms);
  const Lines lines = DiagonalLines(atoms, result, ".");
  EXPECT_EQ(lines[3], "C2 ( 1; 0; 0 ) L=NAN");
  const Lines tail(lines.end() - 4, lines.end());
  EXPECT_EQ(tail, (Lines{"Длина: NAN", "Вектор, задающий диагональ:  R{ NAN; 0; 0 }",
                         "Начало:  ( 0; 0; 0 )", "Конец:  ( NAN; 0; 0 )"}));
}

TEST(AtomDistance, IsTheEuclideanDistance) {
  PointSet atoms;
  Place(atoms, 1, {3, 4, 12});
  Place(atoms, 2, {-1, 1, 0});
  EXPECT_EQ(AtomDistance(atoms, 1, 3), 13);
  EXPECT_EQ(AtomDistance(atoms, 1, 2), 13);  // (4, 3, 12)
  EXPECT_EQ(AtomDistance(atoms, 2, 1), AtomDistance(atoms, 1, 2));
  EXPECT_EQ(OriginDistance(atoms, 1), 13);
}

}  // namespace
}  // namespace ovalon
