#include "report/diagonals.h"

#include "report/format.h"

namespace ovalon {

namespace {

std::string Shortest(double value) { return FormatGeneral(value, 15, 0); }

std::string Triple(const std::array<double, 3>& p) {
  return Shortest(p[0]) + "; " + Shortest(p[1]) + "; " + Shortest(p[2]);
}

}  // namespace

std::vector<std::string> DiagonalLines(const PointSet& atoms, const DiagonalResult& diagonals) {
  std::vector<std::string> lines;
  lines.push_back(" ");
  lines.push_back("Максимальные диагонали для соответствующих точек:");
  for (int i = 1; i <= AtomCount; ++i) {
    lines.push_back("C" + std::to_string(i) + " ( " +
                    Triple({atoms.X.at(i), atoms.Y.at(i), atoms.Z.at(i)}) + " ) " +
                    "L=" + Shortest(diagonals.atomMaxDistance.at(i)));
  }
  lines.push_back(" ");
  lines.push_back("Параметры максимальной диагонали:");
  lines.push_back("Длина: " + Shortest(diagonals.length));
  lines.push_back("Вектор, задающий диагональ:  R{ " + Triple(diagonals.vector) + " }");
  lines.push_back("Начало:  ( " + Triple(diagonals.start) + " )");
  lines.push_back("Конец:  ( " + Triple(diagonals.end) + " )");
  return lines;
}

}  // namespace ovalon
