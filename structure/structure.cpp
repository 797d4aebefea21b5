#include "structure/structure.h"

#include <string_view>

#include "structure/cif.h"
#include "structure/extendedxyz.h"

namespace ovalon {

std::vector<Structure> ReadStructures(const std::string& text, const std::string& source,
                                      StructureFormat format) {
  // Editors on some systems start UTF-8 files with a byte-order mark, which no reader expects
  // before a CIF's first data block or a PDB record.
  constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
  if (text.starts_with(ByteOrderMark))
    return ReadStructures(text.substr(ByteOrderMark.size()), source, format);
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
