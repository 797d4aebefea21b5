#include "ellipsoid/diagonals.h"

#include <cmath>

#include "report/format.h"

namespace ovalon {

namespace {

std::string Shortest(double value) { return FormatGeneral(value, 15, 0); }

/// d > best, strictly, where a d that is not a number counts as greater: once a NaN has come
/// in, only another NaN replaces it, so it reaches the report.
bool Exceeds(double d, double best) { return std::isnan(d) || d > best; }

std::array<double, 3> AtomPoint(const PointSet& atoms, int i) {
  return {atoms.X.at(i), atoms.Y.at(i), atoms.Z.at(i)};
}

std::string Triple(const std::array<double, 3>& p) {
  return Shortest(p[0]) + "; " + Shortest(p[1]) + "; " + Shortest(p[2]);
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
  std::vector<std::string>& lines = result.lines;
  lines.push_back(" ");
  lines.push_back("Максимальные диагонали для соответствующих точек:");
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
    lines.push_back("C" + std::to_string(i) + " ( " + Triple(AtomPoint(atoms, i)) + " ) " +
                    "L=" + Shortest(largest));
  }
  for (int k = 0; k < 3; ++k) result.vector[k] = result.end[k] - result.start[k];
  result.length = best;
  lines.push_back(" ");
  lines.push_back("Параметры максимальной диагонали:");
  lines.push_back("Длина: " + Shortest(result.length));
  lines.push_back("Вектор, задающий диагональ:  R{ " + Triple(result.vector) + " }");
  lines.push_back("Начало:  ( " + Triple(result.start) + " )");
  lines.push_back("Конец:  ( " + Triple(result.end) + " )");
  return result;
}

}  // namespace ovalon
