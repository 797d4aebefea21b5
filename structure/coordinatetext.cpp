#include "structure/coordinatetext.h"

#include <charconv>
#include <cstdio>

#include "core/extended.h"
#include "input/parsenumber.h"

namespace ovalon {

namespace {

/// A comment line of the coordinate text: it must be neither empty nor start with "C" or ">",
/// so it starts with "#".
std::string CommentLine(const std::string& text) { return "# " + text; }

std::string SourceLine(const Structure& structure, const StructureFrame& cage) {
  std::string line = "file " + structure.source;
  if (structure.name != structure.source) line += ", data block " + structure.name;
  if (!cage.name.empty()) line += ", " + cage.name;
  if (!cage.cell.empty()) line += ", cell " + cage.cell;
  return CommentLine(line);
}

std::string NotesLine(const StructureFrame& cage) {
  std::string line;
  for (const std::string& note : cage.notes) line += (line.empty() ? "" : "; ") + note;
  return CommentLine(line.empty() ? "read as written" : line);
}

std::string Triple(char lead, const std::array<double, 3>& v) {
  return std::string(1, lead) + "  " + ExactNumberText(v[0]) + "  " + ExactNumberText(v[1]) +
         "  " + ExactNumberText(v[2]);
}

}  // namespace

std::string ExactNumberText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, result.ptr);
  // The shortest form is correctly rounded; ParseNumber rounds twice (extended, then 64 bits),
  // which may differ next to a halfway point, so more digits are tried until it reads back.
  for (int digits = 17; digits <= 21 && ParseNumber(text) != value; ++digits) {
    std::snprintf(buffer, sizeof buffer, "%.*e", digits - 1, value);
    text = buffer;
  }
  return text;
}

CoordinateText WindowCoordinateText(const Structure& structure, const StructureFrame& cage) {
  CoordinateText result;
  if (cage.atoms.size() != AtomCount) {
    result.problem = "В клетке " + std::to_string(cage.atoms.size()) +
                     " атомов, а окно работает с клеткой из 60 атомов. Клетки другого размера "
                     "обрабатывает ovalon-report --summary.";
    return result;
  }
  for (const StructureAtom& atom : cage.atoms)
    if (atom.element != "C") {
      result.problem = "Атом " + atom.label + " клетки — не углерод (" + atom.element +
                       "), а окно читает только атомы углерода.";
      return result;
    }
  result.lines.push_back(SourceLine(structure, cage));
  result.lines.push_back(NotesLine(cage));
  for (const StructureAtom& atom : cage.atoms) result.lines.push_back(Triple('C', atom.position));
  for (const StructureAtom& atom : cage.atoms) result.lines.push_back(Triple('>', atom.sigma));
  return result;
}

}  // namespace ovalon
