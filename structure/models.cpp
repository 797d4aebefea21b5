#include "structure/models.h"

#include <gemmi/model.hpp>

#include <set>
#include <string>

namespace ovalon {

std::vector<StructureFrame> ModelFrames(const gemmi::Structure& structure) {
  std::vector<StructureFrame> frames;
  for (const gemmi::Model& model : structure.models) {
    StructureFrame frame;
    frame.name = "model " + model.name;
    int alternates = 0;
    for (const gemmi::Chain& chain : model.chains)
      for (const gemmi::Residue& residue : chain.residues) {
        std::set<std::string> taken;
        for (const gemmi::Atom& atom : residue.atoms) {
          // Atoms of one residue may share a name (a fullerene's carbons often do), so only a
          // repeated name with an alternate location marks a second conformer.
          const bool repeated = !taken.insert(atom.name).second;
          if (atom.altloc != '\0' && repeated) {
            ++alternates;
            continue;
          }
          frame.atoms.push_back(
              {atom.element.name(), atom.name, {}, {atom.pos.x, atom.pos.y, atom.pos.z}, {}});
        }
      }
    if (frame.atoms.empty()) continue;
    if (alternates > 0)
      frame.notes.push_back("alternate locations: kept the first of each atom, left out " +
                            std::to_string(alternates) + " atoms");
    if (structure.models.size() == 1) frame.name.clear();
    frames.push_back(std::move(frame));
  }
  return frames;
}

}  // namespace ovalon
