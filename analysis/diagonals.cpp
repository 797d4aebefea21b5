#include "analysis/diagonals.h"

#include <algorithm>
#include <cmath>

namespace ovalon {

namespace {

/// d > best, strictly, where a d that is not a number counts as greater: once a NaN has come
/// in, only another NaN replaces it, so it reaches the report.
bool Exceeds(double d, double best) { return std::isnan(d) || d > best; }

/// The number of pairs i < j of `atoms` atoms; Dynamic stays Dynamic.
constexpr int PairCount(int atoms) { return atoms == Dynamic ? Dynamic : atoms * (atoms - 1) / 2; }

template <int N>
std::array<double, 3> AtomPoint(const BasicPointSet<N>& atoms, int i) {
  return {atoms.X.at(i), atoms.Y.at(i), atoms.Z.at(i)};
}

}  // namespace

template <int N>
double AtomDistance(const BasicPointSet<N>& atoms, int i, int j) {
  const Extended dx = static_cast<Extended>(atoms.X.at(i)) - atoms.X.at(j);
  const Extended dy = static_cast<Extended>(atoms.Y.at(i)) - atoms.Y.at(j);
  const Extended dz = static_cast<Extended>(atoms.Z.at(i)) - atoms.Z.at(j);
  Extended sum = dx * dx;
  sum = dy * dy + sum;
  sum = dz * dz + sum;
  return static_cast<double>(std::sqrt(sum));
}

template <int N>
Extended OriginDistance(const BasicPointSet<N>& atoms, int i) {
  const Extended x = atoms.X.at(i), y = atoms.Y.at(i), z = atoms.Z.at(i);
  Extended sum = x * x;
  sum = y * y + sum;
  sum = z * z + sum;
  return std::sqrt(sum);
}

namespace {

template <int N>
bool AllFinite(const BasicPointSet<N>& atoms) {
  for (int i = 1; i <= atoms.Size(); ++i) {
    if (!std::isfinite(atoms.X.at(i)) || !std::isfinite(atoms.Y.at(i)) ||
        !std::isfinite(atoms.Z.at(i)))
      return false;
  }
  return true;
}

/// Atoms i and j as the chord's ends: the start is the one nearer to the origin, atom i when
/// they are equally far or a distance is not a number (the comparison is then false).
template <int N>
void SetEnds(const BasicPointSet<N>& atoms, int i, int j, LongestChord& chord) {
  const bool iFarther = OriginDistance(atoms, i) > OriginDistance(atoms, j);
  chord.startAtom = iFarther ? j : i;
  chord.endAtom = iFarther ? i : j;
}

/// The window's own search, for coordinates that are not all finite: every ordered pair, i = j
/// included, since a distance that is not a number replaces any before it.
template <int N>
LongestChord SearchEveryPair(const BasicPointSet<N>& atoms) {
  const int count = atoms.Size();
  LongestChord chord;
  for (int i = 1; i <= count; ++i) {
    for (int j = 1; j <= count; ++j) {
      const double d = AtomDistance(atoms, i, j);
      if (!Exceeds(d, chord.length)) continue;
      chord.length = d;
      SetEnds(atoms, i, j, chord);
    }
  }
  return chord;
}

/// The same chord for finite coordinates, whose distances are never NaN: a distance and its
/// mirror (j, i) are bit-identical, so the first pair that reaches the maximum has i < j.
template <int N>
LongestChord SearchCandidates(const BasicPointSet<N>& atoms) {
  // A first pass in 64-bit arithmetic finds the pairs that can hold the longest chord. Its
  // squared distances are within a few parts in 10^15 of the window's extended ones, and a
  // pair whose rounded distance reaches the maximum has a square within about 5E-16 of the
  // largest; the margin of 1E-9 keeps every such pair. When the squares overflow or underflow
  // 64 bits, every pair is a candidate.
  const int count = atoms.Size();
  // In place for a fixed count, and left uninitialised: every element is written first.
  typename detail::Storage<double, PairCount(N)>::Type squares;
  // rowLargest[i − 1]: the largest square of the pairs (i, j > i), so that the second pass
  // skips the rows that hold no candidate.
  typename detail::Storage<double, N>::Type rowLargest;
  if constexpr (N == Dynamic) {
    squares.resize(PairCount(count));
    rowLargest.resize(count);
  }
  double largest = 0;
  int n = 0;
  for (int i = 1; i <= count; ++i) {
    double row = 0;
    for (int j = i + 1; j <= count; ++j, ++n) {
      const double dx = atoms.X.at(i) - atoms.X.at(j);
      const double dy = atoms.Y.at(i) - atoms.Y.at(j);
      const double dz = atoms.Z.at(i) - atoms.Z.at(j);
      squares[n] = dx * dx + dy * dy + dz * dz;
      row = std::max(row, squares[n]);
    }
    rowLargest[i - 1] = row;
    largest = std::max(largest, row);
  }
  const bool rough = largest > 0 && std::isfinite(largest);
  const double threshold = largest * (1 - 1e-9);
  const auto candidate = [&](int pair) { return !rough || squares[pair] >= threshold; };

  // The window keeps the first pair, in the order (i, j) with i < j, that reaches the maximum:
  // a later pair replaces it only when strictly longer.
  LongestChord chord;
  int start = 0, end = 0;
  n = 0;
  for (int i = 1; i <= count; ++i) {
    if (rough && rowLargest[i - 1] < threshold) {
      n += count - i;
      continue;
    }
    for (int j = i + 1; j <= count; ++j, ++n) {
      if (!candidate(n)) continue;
      const double d = AtomDistance(atoms, i, j);
      if (d <= chord.length) continue;
      chord.length = d;
      start = i;
      end = j;
    }
  }
  if (start > 0) SetEnds(atoms, start, end, chord);
  return chord;
}

}  // namespace

template <int N>
LongestChord FindLongestChord(const BasicPointSet<N>& atoms) {
  return AllFinite(atoms) ? SearchCandidates(atoms) : SearchEveryPair(atoms);
}

template double AtomDistance(const PointSet&, int, int);
template double AtomDistance(const AtomPoints&, int, int);
template Extended OriginDistance(const PointSet&, int);
template Extended OriginDistance(const AtomPoints&, int);
template LongestChord FindLongestChord(const PointSet&);
template LongestChord FindLongestChord(const AtomPoints&);

DiagonalResult FindMaximumDiagonals(const PointSet& atoms) {
  DiagonalResult result;
  for (int i = 1; i <= AtomCount; ++i) {
    double largest = 0;
    for (int j = 1; j <= AtomCount; ++j) {
      const double d = AtomDistance(atoms, i, j);
      if (Exceeds(d, largest)) largest = d;
    }
    result.atomMaxDistance.at(i) = largest;
  }
  const LongestChord chord = FindLongestChord(atoms);
  if (chord.startAtom > 0) {
    result.start = AtomPoint(atoms, chord.startAtom);
    result.end = AtomPoint(atoms, chord.endAtom);
  }
  for (int k = 0; k < 3; ++k) result.vector[k] = result.end[k] - result.start[k];
  result.length = chord.length;
  return result;
}

}  // namespace ovalon
