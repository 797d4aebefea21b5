#include "input/coordinatereader.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "input/parsenumber.h"

namespace ovalon {

namespace {

/// Which row of a table the next number goes to; one turn for the whole text.
enum class Turn { X, Y, Z };

Turn Next(Turn turn) {
  switch (turn) {
    case Turn::X:
      return Turn::Y;
    case Turn::Y:
      return Turn::Z;
    case Turn::Z:
      return Turn::X;
  }
  return Turn::X;
}

/// One table being filled: its three rows with their position counters (1-based), and whether
/// every line read into it so far held exactly three numbers.
struct TableFill {
  PointSet& table;
  std::array<int, 3> position{1, 1, 1};
  bool linesOfThree = true;
};

/// Stores into the turn's row at its position counter and advances that counter; numbers past
/// entry 60 of a row are dropped.
void Store(TableFill& fill, Turn turn, double value) {
  int& position = fill.position[static_cast<int>(turn)];
  if (position > AtomCount) return;
  AtomValues& row = turn == Turn::X ? fill.table.X : turn == Turn::Y ? fill.table.Y : fill.table.Z;
  row.at(position++) = value;
}

/// The fields of an atom or uncertainty line: every run of non-space characters after the
/// line's first space. Each field keeps the space before it and, unless it ends the line, the
/// space after it: in a well-formed line the inner numbers reach ParseNumber as " 1.0 " (read
/// leniently, because of the trailing space) and the last as " 1.0" (read strictly).
std::vector<std::string_view> LineFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t pos = line.find(' ');
  while (pos != std::string_view::npos) {
    const std::size_t start = line.find_first_not_of(' ', pos);
    if (start == std::string_view::npos) break;
    const std::size_t end = line.find(' ', start);
    const std::size_t last = end == std::string_view::npos ? line.size() : end + 1;
    fields.push_back(line.substr(start - 1, last - (start - 1)));
    pos = end;
  }
  return fields;
}

/// The field without the spaces around it, within `line` (the original of `spaced`).
BadField LocateField(const std::string& line, int lineNumber, const std::string& spaced,
                     std::string_view field, int fieldNumber) {
  std::size_t start = static_cast<std::size_t>(field.data() - spaced.data());
  std::size_t end = start + field.size();
  while (start < end && spaced[start] == ' ') ++start;
  while (end > start && spaced[end - 1] == ' ') --end;
  return {lineNumber, line, start, end - start, fieldNumber};
}

/// Whether the text filled the tables completely.
void NoteGaps(CoordinateReading& reading, const TableFill& atoms, const TableFill& uncertainties) {
  if (reading.atomLines > AtomCount || reading.uncertaintyLines > AtomCount) {
    reading.tooManyLines = true;
    return;
  }
  const bool atomsComplete = reading.atomLines == AtomCount && atoms.linesOfThree;
  const bool uncertaintiesComplete =
      reading.uncertaintyLines == 0 ||
      (reading.uncertaintyLines == AtomCount && uncertainties.linesOfThree);
  reading.incomplete = !atomsComplete || !uncertaintiesComplete;
}

}  // namespace

CoordinateReading ReadCoordinates(const std::vector<std::string>& lines, PointSet& atoms,
                                  PointSet& uncertainties) {
  CoordinateReading reading;
  TableFill atomFill{atoms};
  TableFill uncertaintyFill{uncertainties};
  Turn turn = Turn::X;
  int lineNumber = 0;
  for (const std::string& line : lines) {
    ++lineNumber;
    if (line.empty()) break;
    TableFill* fill = nullptr;
    if (line[0] == 'C') {
      fill = &atomFill;
      ++reading.atomLines;
    } else if (line[0] == '>') {
      fill = &uncertaintyFill;
      ++reading.uncertaintyLines;
    } else {
      continue;
    }
    // Tabs separate fields like spaces; the line keeps its length, so positions stay.
    std::string spaced = line;
    std::replace(spaced.begin(), spaced.end(), '\t', ' ');
    const std::vector<std::string_view> fields = LineFields(spaced);
    if (fields.size() != 3) fill->linesOfThree = false;
    for (std::size_t f = 0; f < fields.size(); ++f) {
      const std::string_view field = fields[f];
      reading.numbersParsed = true;
      double value = 0;
      try {
        value = ParseNumber(std::string(field));
      } catch (const EConvertError&) {
        reading.formatError = true;
        reading.badField = LocateField(line, lineNumber, spaced, field, static_cast<int>(f) + 1);
        return reading;
      }
      Store(*fill, turn, value);
      turn = Next(turn);
    }
  }
  NoteGaps(reading, atomFill, uncertaintyFill);
  return reading;
}

}  // namespace ovalon
