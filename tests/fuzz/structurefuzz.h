#pragma once
// The checks shared by the fuzz targets of the structure readers. A reader either returns a
// whole result or throws StructureError naming the file; any other exception, an assertion or
// a sanitizer's report is a fault. Every frame then goes the way the window takes it: the cage
// finder, and each cage of 60 carbon atoms as the window's coordinate text, which must read
// back to the same 64-bit values.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/cagefinder.h"
#include "input/coordinatereader.h"
#include "structure/coordinatetext.h"
#include "structure/structure.h"

namespace ovalon::fuzz {

inline void CheckCageText(const Structure& structure, const StructureFrame& frame,
                          const FoundCage& found) {
  StructureFrame cage = frame;
  cage.atoms.clear();
  for (std::size_t i = 0; i < found.atoms.size(); ++i) {
    const int index = found.atoms[i];
    if (index < 0 || index >= static_cast<int>(frame.atoms.size())) std::abort();
    if (i > 0 && index <= found.atoms[i - 1]) std::abort();
    cage.atoms.push_back(frame.atoms[index]);
  }
  const CoordinateText text = WindowCoordinateText(structure, cage);
  if (text.lines.empty() == text.problem.empty()) std::abort();
  if (text.lines.empty()) return;
  PointSet coords{}, sigma{};
  const CoordinateReading reading = ReadCoordinates(text.lines, coords, sigma);
  if (reading.formatError || reading.atomLines != AtomCount ||
      reading.uncertaintyLines != AtomCount)
    std::abort();
  for (int k = 1; k <= AtomCount; ++k) {
    const StructureAtom& atom = cage.atoms[k - 1];
    if (coords.X.at(k) != atom.position[0] || coords.Y.at(k) != atom.position[1] ||
        coords.Z.at(k) != atom.position[2] || sigma.X.at(k) != atom.sigma[0] ||
        sigma.Y.at(k) != atom.sigma[1] || sigma.Z.at(k) != atom.sigma[2])
      std::abort();
  }
}

inline void CheckFrame(const Structure& structure, const StructureFrame& frame) {
  std::vector<FrameAtom> atoms;
  for (const StructureAtom& atom : frame.atoms) {
    for (double s : atom.sigma)
      if (s < 0) std::abort();
    atoms.push_back(
        {IsCarbonSymbol(atom.element), atom.position[0], atom.position[1], atom.position[2]});
  }
  const CageSearch search = FindCages(atoms);
  if (search.cages.empty() == search.message.empty()) std::abort();
  for (const FoundCage& cage : search.cages) CheckCageText(structure, frame, cage);
}

/// Reads `data` as a file named `source` of `format` and checks the result.
inline void CheckReader(const std::uint8_t* data, std::size_t size, StructureFormat format,
                        const std::string& source) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<Structure> structures;
  try {
    structures = ReadStructures(text, source, format);
  } catch (const StructureError& e) {
    if (std::string(e.what()).rfind(source, 0) != 0) std::abort();
    return;
  }
  if (structures.empty()) std::abort();
  for (const Structure& structure : structures) {
    if (structure.source != source || structure.frames.empty()) std::abort();
    for (const StructureFrame& frame : structure.frames) CheckFrame(structure, frame);
  }
}

}  // namespace ovalon::fuzz
