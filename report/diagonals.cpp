#include "report/diagonals.h"

#include "report/format.h"

namespace ovalon {

namespace {

std::string Shortest(double value, std::string_view separator) {
  return FormatGeneral(value, 15, 0, separator);
}

std::string Triple(const std::array<double, 3>& p, std::string_view separator) {
  return Shortest(p[0], separator) + "; " + Shortest(p[1], separator) + "; " +
         Shortest(p[2], separator);
}

}  // namespace

std::vector<std::string> DiagonalLines(const PointSet& atoms, const DiagonalResult& diagonals,
                                       std::string_view separator) {
  std::vector<std::string> lines;
  lines.push_back(" ");
  lines.push_back("Максимальные диагонали для соответствующих точек:");
  for (int i = 1; i <= AtomCount; ++i) {
    lines.push_back("C" + std::to_string(i) + " ( " +
                    Triple({atoms.X.at(i), atoms.Y.at(i), atoms.Z.at(i)}, separator) + " ) " +
                    "L=" + Shortest(diagonals.atomMaxDistance.at(i), separator));
  }
  lines.push_back(" ");
  lines.push_back("Параметры максимальной диагонали:");
  lines.push_back("Длина: " + Shortest(diagonals.length, separator));
  lines.push_back("Вектор, задающий диагональ:  R{ " + Triple(diagonals.vector, separator) + " }");
  lines.push_back("Начало:  ( " + Triple(diagonals.start, separator) + " )");
  lines.push_back("Конец:  ( " + Triple(diagonals.end, separator) + " )");
  return lines;
}

}  // namespace ovalon
