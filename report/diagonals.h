#pragma once
// The report of "Определить диагонали": every atom's largest distance and the longest chord.

#include <string>
#include <string_view>
#include <vector>

#include "core/extended.h"
#include "analysis/diagonals.h"

namespace ovalon {

/// The 68 lines of the diagonals of `atoms`: a heading, one line per atom with its coordinates
/// and largest distance, and the length, vector, start and end of the longest chord; every
/// number in the shortest general form, written with `separator`.
std::vector<std::string> DiagonalLines(const PointSet& atoms, const DiagonalResult& diagonals,
                                       std::string_view separator);

}  // namespace ovalon
