// The longest chord of a cage, against the window's rule written out here.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "analysis/diagonals.h"
#include "tests/support/cages.h"

namespace ovalon {
namespace {

using Vec = std::array<double, 3>;

/// The window's rule for finite coordinates, written out over the pairs i < j: the first pair
/// of the largest distance, its start the atom nearer to the origin (atom i on a tie).
LongestChord FirstLongestPair(const PointSet& atoms) {
  LongestChord chord;
  for (int i = 1; i <= AtomCount; ++i) {
    for (int j = i + 1; j <= AtomCount; ++j) {
      const double d = AtomDistance(atoms, i, j);
      if (!(d > chord.length)) continue;
      chord.length = d;
      const bool iFarther = OriginDistance(atoms, i) > OriginDistance(atoms, j);
      chord.startAtom = iFarther ? j : i;
      chord.endAtom = iFarther ? i : j;
    }
  }
  return chord;
}

Vec Atom(const PointSet& atoms, int i) { return {atoms.X.at(i), atoms.Y.at(i), atoms.Z.at(i)}; }

TEST(FindLongestChord, FollowsTheWindowsRule) {
  // The ideal cage has 30 diametral chords of one length: the tie-break decides which is kept.
  std::vector<PointSet> cages = {test::ExampleAtoms("c60_ideal.xyz"),
                                 test::ExampleAtoms("c60_distorted.xyz")};
  PointSet twoFar;  // all at the origin but (1, 0, 0) and (−2, 0, 0), in atoms 40 and 7
  twoFar.X.at(40) = 1;
  twoFar.X.at(7) = -2;
  cages.push_back(twoFar);
  // Squares that underflow or overflow 64 bits, but not the window's extended arithmetic.
  for (double scale : {1e-170, 1e170}) {
    PointSet scaled = cages[1];
    for (int i = 1; i <= AtomCount; ++i) {
      scaled.X.at(i) *= scale;
      scaled.Y.at(i) *= scale;
      scaled.Z.at(i) *= scale;
    }
    cages.push_back(scaled);
  }
  for (const PointSet& cage : cages) {
    const LongestChord chord = FindLongestChord(cage);
    const LongestChord expected = FirstLongestPair(cage);
    EXPECT_EQ(chord.length, expected.length);
    ASSERT_GT(chord.startAtom, 0);
    EXPECT_EQ(chord.startAtom, expected.startAtom);
    EXPECT_EQ(chord.endAtom, expected.endAtom);
    // The diagonals report the same chord by its end points.
    const DiagonalResult window = FindMaximumDiagonals(cage);
    EXPECT_EQ(window.length, chord.length);
    EXPECT_EQ(window.start, Atom(cage, chord.startAtom));
    EXPECT_EQ(window.end, Atom(cage, chord.endAtom));
  }
  EXPECT_EQ(FindLongestChord(twoFar).startAtom, 40);  // (1, 0, 0) is nearer to the origin
  EXPECT_EQ(FindLongestChord(PointSet()).startAtom, 0);
  EXPECT_EQ(FindMaximumDiagonals(PointSet()).start, (Vec{0, 0, 0}));
}

TEST(FindLongestChord, ADistanceThatIsNotANumberOutranksEveryOther) {
  // Atoms 3 and 40 at x = +∞: their distances to each other and to themselves are ∞ − ∞, NaN,
  // and the window keeps the last such pair of its full (i, j) order, (40, 40).
  PointSet atoms = test::ExampleAtoms("c60_ideal.xyz");
  atoms.X.at(3) = std::numeric_limits<double>::infinity();
  atoms.X.at(40) = std::numeric_limits<double>::infinity();
  const LongestChord chord = FindLongestChord(atoms);
  EXPECT_TRUE(std::isnan(chord.length));
  EXPECT_EQ(chord.startAtom, 40);
  EXPECT_EQ(chord.endAtom, 40);
  // One infinite coordinate is enough: the atom's distance to itself is ∞ − ∞ as well.
  PointSet one = test::ExampleAtoms("c60_ideal.xyz");
  one.Y.at(5) = -std::numeric_limits<double>::infinity();
  EXPECT_EQ(FindLongestChord(one).startAtom, 5);
  EXPECT_EQ(FindLongestChord(one).endAtom, 5);
}

}  // namespace
}  // namespace ovalon
