#pragma once
// The maximum diagonals of the cage: every atom's largest distance to another atom and the
// longest atom-to-atom chord, measured straight from the coordinates without any fit.

#include <array>

#include "core/extended.h"

namespace ovalon {

/// Everything a diagonals run stores.
struct DiagonalResult {
  AtomValues atomMaxDistance;      ///< [i]: the largest distance from atom i to any atom
  std::array<double, 3> start{};   ///< the end of the longest chord nearer to the origin
  std::array<double, 3> end{};     ///< its other end
  std::array<double, 3> vector{};  ///< end − start, component by component
  double length = 0;               ///< the length of the longest chord
};

/// Distance of atoms i and j (1..60): extended squares summed X, Y, Z, the extended square
/// root rounded to 64 bits.
double AtomDistance(const PointSet& atoms, int i, int j);

/// Distance of atom i from the origin, the extended square root left unrounded.
Extended OriginDistance(const PointSet& atoms, int i);

/// Compares all 60 × 60 atom pairs. The longest chord is the first pair (i, j ascending) that
/// reaches the maximum; its start is the atom nearer to the origin, atom i on a tie. A
/// distance that is not a number counts as longer than any other.
DiagonalResult FindMaximumDiagonals(const PointSet& atoms);

}  // namespace ovalon
