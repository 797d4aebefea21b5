#include "analysis/diagonals.h"

#include <cmath>

namespace ovalon {

namespace {

/// d > best, strictly, where a d that is not a number counts as greater: once a NaN has come
/// in, only another NaN replaces it, so it reaches the report.
bool Exceeds(double d, double best) { return std::isnan(d) || d > best; }

std::array<double, 3> AtomPoint(const PointSet& atoms, int i) {
  return {atoms.X.at(i), atoms.Y.at(i), atoms.Z.at(i)};
}

}  // namespace

double AtomDistance(const PointSet& atoms, int i, int j) {
  const Extended dx = static_cast<Extended>(atoms.X.at(i)) - atoms.X.at(j);
  const Extended dy = static_cast<Extended>(atoms.Y.at(i)) - atoms.Y.at(j);
  const Extended dz = static_cast<Extended>(atoms.Z.at(i)) - atoms.Z.at(j);
  Extended sum = dx * dx;
  sum = dy * dy + sum;
  sum = dz * dz + sum;
  return static_cast<double>(std::sqrt(sum));
}

Extended OriginDistance(const PointSet& atoms, int i) {
  const Extended x = atoms.X.at(i), y = atoms.Y.at(i), z = atoms.Z.at(i);
  Extended sum = x * x;
  sum = y * y + sum;
  sum = z * z + sum;
  return std::sqrt(sum);
}

DiagonalResult FindMaximumDiagonals(const PointSet& atoms) {
  DiagonalResult result;
  double best = 0;
  for (int i = 1; i <= AtomCount; ++i) {
    double largest = 0;
    for (int j = 1; j <= AtomCount; ++j) {
      const double d = AtomDistance(atoms, i, j);
      if (Exceeds(d, best)) {
        best = d;
        // A comparison with a NaN is false, so atom i is then the start.
        const bool iFarther = OriginDistance(atoms, i) > OriginDistance(atoms, j);
        result.start = AtomPoint(atoms, iFarther ? j : i);
        result.end = AtomPoint(atoms, iFarther ? i : j);
      }
      if (Exceeds(d, largest)) largest = d;
    }
    result.atomMaxDistance.at(i) = largest;
  }
  for (int k = 0; k < 3; ++k) result.vector[k] = result.end[k] - result.start[k];
  result.length = best;
  return result;
}

}  // namespace ovalon
