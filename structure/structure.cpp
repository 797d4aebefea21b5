#include "structure/structure.h"

#include "structure/cif.h"
#include "structure/extendedxyz.h"

namespace ovalon {

std::vector<Structure> ReadStructures(const std::string& text, const std::string& source,
                                      StructureFormat format) {
  switch (format) {
    case StructureFormat::Cif:
      return ReadCif(text, source);
    case StructureFormat::Pdb:
      return ReadPdb(text, source);
    case StructureFormat::ExtendedXyz:
      return ReadExtendedXyz(text, source);
  }
  throw StructureError(source + ": unknown format");
}

}  // namespace ovalon
