#pragma once
// Reading the atom coordinates and their uncertainties from the lines of a coordinate text.

#include <string>
#include <vector>

#include "core/extended.h"

namespace ovalon {

/// Where a reading run met a field that is not a number.
struct BadField {
  int lineNumber = 0;      ///< 1-based, counting every line of the text
  std::string line;        ///< the whole line as given
  std::size_t start = 0;   ///< the field's first character in `line` (0-based)
  std::size_t length = 0;  ///< the field's characters, without the separators around it
  int fieldNumber = 0;     ///< 1-based among the line's fields
};

/// What one reading run found, for the caller to report.
struct CoordinateReading {
  bool formatError = false;    ///< stopped at a field that is not a number
  BadField badField;           ///< where, when formatError
  bool numbersParsed = false;  ///< some field was handed to ParseNumber, the failing one included
  int atomLines = 0;           ///< atom lines ("C…") met, the one with a failing field included
  int uncertaintyLines = 0;    ///< uncertainty lines (">…") met, likewise
  bool tooManyLines = false;   ///< without a format error: more than 60 lines of a kind
  /// Without a format error and not too many lines: other than 60 atom lines of three numbers,
  /// or other than none or 60 uncertainty lines of three numbers.
  bool incomplete = false;
};

/// Reads atom lines into `atoms` and uncertainty lines into `uncertainties`, stopping at the
/// first empty line. A tab separates fields as a space does. Fields are the runs of non-space
/// characters after a line's first space;
/// their numbers go in turn to X, Y, Z, one turn for both tables. Only the entries the text holds
/// are overwritten; at most 60 per row, the rest are dropped. On a format error every value
/// stored before the failing field stays stored.
CoordinateReading ReadCoordinates(const std::vector<std::string>& lines, PointSet& atoms,
                                  PointSet& uncertainties);

}  // namespace ovalon
