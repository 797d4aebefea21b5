#pragma once
// The models of a macromolecular structure as frames.

#include <vector>

#include "structure/structure.h"

namespace gemmi {
struct Structure;
}

namespace ovalon {

/// One frame per model with atoms. Of the alternate locations of an atom the first is kept;
/// σ is 0, since a B-factor is not an uncertainty of the position.
std::vector<StructureFrame> ModelFrames(const gemmi::Structure& structure);

}  // namespace ovalon
