#pragma once
// Reading CIF (small-molecule and mmCIF data blocks) and PDB files.

#include <string>
#include <vector>

#include "structure/structure.h"

namespace ovalon {

/// One structure per data block that holds atom sites. A small-molecule block (fractional
/// sites) gives one frame: its molecules completed by symmetry, with Cartesian uncertainties
/// from the coordinates' and the cell's; a block of mmCIF gives one frame per model.
/// Throws StructureError.
std::vector<Structure> ReadCif(const std::string& text, const std::string& source);

/// A PDB file: one frame per model, σ 0. Throws StructureError.
std::vector<Structure> ReadPdb(const std::string& text, const std::string& source);

}  // namespace ovalon
