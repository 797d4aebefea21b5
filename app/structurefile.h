#pragma once
// "Открыть файл" on a structure file: the reader its name selects, and its cage as the
// window's coordinate text.

#include <optional>
#include <string>

#include "structure/coordinatetext.h"
#include "structure/structure.h"

namespace ovalon {

/// The reader that a file's name selects, by its extension in any case: .cif and .mmcif are
/// CIF, .pdb and .ent PDB, .extxyz extended XYZ. Every other name, .xyz among them, has none:
/// such a file opens as plain text.
std::optional<StructureFormat> StructureFormatOfName(const std::string& fileName);

/// Reads a structure file's `text` and turns its cage into the window's coordinate text. The
/// cage is taken from the first frame (data blocks, then models or frames, in file order) in
/// which the cage finder finds one: of that frame's cages the first of 60 atoms, or else the
/// first. Where the file holds more frames or cages, the notes line says which one this is. A
/// file without a cage, or whose cage does not have 60 atoms, gives a problem. `source` names
/// the file in the text and in messages. Throws StructureError when the file cannot be read.
CoordinateText StructureCageText(const std::string& text, const std::string& source,
                                 StructureFormat format);

}  // namespace ovalon
