#pragma once
// Atoms read from structure files (CIF, PDB, mmCIF, extended XYZ) as plain data.

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

namespace ovalon {

/// One atom: Cartesian position and its standard uncertainties, both in Å.
struct StructureAtom {
  std::string element;  ///< element symbol as written in tables ("C", "Cl"); "X" when unknown
  std::string label;    ///< the site's label or atom name ("C12", "C1A")
  std::string image;    ///< for a symmetry image the operator that made it ("-x,-y,-z"), else empty
  std::array<double, 3> position{};
  std::array<double, 3> sigma{};  ///< 0 where the file gives no uncertainty
};

/// One set of atoms: a data block's completed molecules, a model, a trajectory frame.
struct StructureFrame {
  std::string name;                ///< "model 2", "frame 5"; empty where the structure has one
  std::string cell;                ///< the cell as read, for people ("a=… b=… c=… α=… β=… γ=…")
  std::vector<StructureAtom> atoms;
  std::vector<std::string> notes;  ///< what was expanded, chosen or left out
};

/// What one data block or file holds.
struct Structure {
  std::string source;  ///< the file's name as given to the reader
  std::string name;    ///< the data block's name, or the file's name where it has no blocks
  std::vector<StructureFrame> frames;
};

/// A structure file that cannot be read: the message names the file, the line or data block,
/// and what is wrong. Readers throw it and nothing else, and return no partial result.
class StructureError : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

/// The formats the readers know.
enum class StructureFormat {
  Cif,          ///< small-molecule CIF or mmCIF, chosen per data block
  Pdb,          ///< PDB (also .ent)
  ExtendedXyz,  ///< XYZ with the key=value comment line of extended XYZ
};

/// Reads the text of a structure file of `format`; `source` names it in messages and in the
/// result. One structure per data block of a CIF, one for a PDB or XYZ file. A UTF-8
/// byte-order mark at the start is skipped.
std::vector<Structure> ReadStructures(const std::string& text, const std::string& source,
                                      StructureFormat format);

}  // namespace ovalon
