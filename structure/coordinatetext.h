#pragma once
// A structure's cage as the window's coordinate text.

#include <string>
#include <vector>

#include "structure/structure.h"

namespace ovalon {

/// The lines for the window's coordinate pane, or why there are none.
struct CoordinateText {
  std::vector<std::string> lines;  ///< empty when `problem` is set
  std::string problem;             ///< a message for the user
};

/// The text of a 60-atom carbon cage: two comment lines naming the source (file, block or
/// frame, cell, notes), 60 lines "C  x  y  z", then 60 lines ">  σx  σy  σz". Each number is
/// written in the shortest form that ParseNumber reads back to the same 64-bit value. A cage
/// of another size or with an atom other than carbon gives a problem instead, in the window's
/// language.
CoordinateText WindowCoordinateText(const Structure& structure, const StructureFrame& cage);

/// The shortest decimal text of `value` that ParseNumber reads back exactly.
std::string ExactNumberText(double value);

}  // namespace ovalon
