#include "app/structurefile.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <vector>

#include "analysis/cagefinder.h"
#include "core/extended.h"

namespace ovalon {

namespace {

std::string LowerCaseExtension(const std::string& fileName) {
  const std::size_t dot = fileName.find_last_of('.');
  const std::size_t slash = fileName.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string extension = fileName.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

std::vector<FrameAtom> CageFinderAtoms(const StructureFrame& frame) {
  std::vector<FrameAtom> atoms;
  atoms.reserve(frame.atoms.size());
  for (const StructureAtom& atom : frame.atoms)
    atoms.push_back(
        {IsCarbonSymbol(atom.element), atom.position[0], atom.position[1], atom.position[2]});
  return atoms;
}

/// The first cage of 60 atoms, or else the first cage.
const FoundCage& ChosenCage(const std::vector<FoundCage>& cages) {
  const auto sixty = std::find_if(cages.begin(), cages.end(), [](const FoundCage& cage) {
    return cage.atoms.size() == static_cast<std::size_t>(AtomCount);
  });
  return sixty != cages.end() ? *sixty : cages.front();
}

std::string OneOf(const std::string& what, std::size_t index, std::size_t count) {
  return what + " " + std::to_string(index + 1) + " of " + std::to_string(count);
}

/// Where the cage was taken from, when the file offered a choice: "the window opens data
/// block 1 of 2, frame 1 of 3; ovalon-report --summary reads them all".
std::string ChoiceNote(std::size_t block, std::size_t blocks, std::size_t frame, std::size_t frames,
                       std::size_t cage, std::size_t cages) {
  std::vector<std::string> parts;
  if (blocks > 1) parts.push_back(OneOf("data block", block, blocks));
  if (frames > 1) parts.push_back(OneOf("frame", frame, frames));
  if (cages > 1) parts.push_back(OneOf("cage", cage, cages));
  if (parts.empty()) return {};
  std::string note = "the window opens ";
  for (std::size_t i = 0; i < parts.size(); ++i) note += (i == 0 ? "" : ", ") + parts[i];
  return note + "; ovalon-report --summary reads them all";
}

}  // namespace

std::optional<StructureFormat> StructureFormatOfName(const std::string& fileName) {
  const std::string extension = LowerCaseExtension(fileName);
  if (extension == "cif" || extension == "mmcif") return StructureFormat::Cif;
  if (extension == "pdb" || extension == "ent") return StructureFormat::Pdb;
  if (extension == "extxyz") return StructureFormat::ExtendedXyz;
  return std::nullopt;
}

CoordinateText StructureCageText(const std::string& text, const std::string& source,
                                 StructureFormat format) {
  const std::vector<Structure> structures = ReadStructures(text, source, format);
  std::string firstMessage;
  for (std::size_t b = 0; b < structures.size(); ++b) {
    const Structure& structure = structures[b];
    for (std::size_t f = 0; f < structure.frames.size(); ++f) {
      const StructureFrame& frame = structure.frames[f];
      const CageSearch search = FindCages(CageFinderAtoms(frame));
      if (search.cages.empty()) {
        if (firstMessage.empty()) firstMessage = search.message;
        continue;
      }
      const FoundCage& found = ChosenCage(search.cages);
      StructureFrame cage = frame;
      cage.atoms.clear();
      for (int index : found.atoms) cage.atoms.push_back(frame.atoms[index]);
      const std::size_t cageIndex = &found - search.cages.data();
      const std::string note = ChoiceNote(b, structures.size(), f, structure.frames.size(),
                                          cageIndex, search.cages.size());
      if (!note.empty()) cage.notes.push_back(note);
      return WindowCoordinateText(structure, cage);
    }
  }
  return {{}, "В файле не найдена клетка из атомов углерода (" + firstMessage + ")."};
}

}  // namespace ovalon
