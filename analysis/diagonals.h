#pragma once
// The maximum diagonals of the cage: every atom's largest distance to another atom and the
// longest atom-to-atom chord, measured straight from the coordinates without any fit. The
// distances and the longest chord are compiled for the window's PointSet and for AtomPoints.

#include <array>

#include "core/extended.h"

namespace ovalon {

/// The longest atom-to-atom chord.
struct LongestChord {
  double length = 0;
  int startAtom = 0;  ///< atom 1..N nearer to the origin; 0 when no distance exceeds 0
  int endAtom = 0;
};

/// Everything a diagonals run stores.
struct DiagonalResult {
  AtomValues atomMaxDistance;      ///< [i]: the largest distance from atom i to any atom
  std::array<double, 3> start{};   ///< the end of the longest chord nearer to the origin
  std::array<double, 3> end{};     ///< its other end
  std::array<double, 3> vector{};  ///< end − start, component by component
  double length = 0;               ///< the length of the longest chord
};

/// Distance of atoms i and j (1..N): extended squares summed X, Y, Z, the extended square
/// root rounded to 64 bits.
template <int N>
double AtomDistance(const BasicPointSet<N>& atoms, int i, int j);

/// Distance of atom i from the origin, the extended square root left unrounded.
template <int N>
Extended OriginDistance(const BasicPointSet<N>& atoms, int i);

/// The window's longest chord: over all N × N atom pairs (i, then j ascending), the first
/// pair whose distance exceeds every one before it, a distance that is not a number counting as
/// longer than any other; its start is the atom nearer to the origin, atom i on a tie. For
/// finite coordinates that is the first pair i < j of the largest distance, and a 64-bit first
/// pass picks the few pairs that can hold it.
template <int N>
LongestChord FindLongestChord(const BasicPointSet<N>& atoms);

/// Every atom's largest distance to any atom, and the longest chord of FindLongestChord with
/// its end points; start, end and vector stay 0 when no distance exceeds 0.
DiagonalResult FindMaximumDiagonals(const PointSet& atoms);

}  // namespace ovalon
