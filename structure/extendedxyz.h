#pragma once
// Extended XYZ: the XYZ layout whose comment line declares the frame's columns and cell.

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "input/linereader.h"
#include "structure/structure.h"

namespace ovalon {

/// The key=value pairs of a comment line, in their order; a key without "=" has the value "T".
/// Keys and values are bare words or in double quotes (with \" and \\ inside); a value may
/// also be in braces. Spaces around "=" are allowed.
struct CommentPairs {
  std::vector<std::pair<std::string, std::string>> pairs;
  std::string error;  ///< what is wrong, when the line is not such a list
};
CommentPairs ParseCommentPairs(std::string_view line);

/// One column group of Properties: "pos:R:3" is {"pos", 'R', 3}.
struct PropertyColumn {
  std::string name;
  char type = 'R';  ///< S (text), R (real), I (integer) or L (logical)
  int count = 1;
};

/// Where the columns the reader uses begin among a line's fields (0-based).
struct ColumnLayout {
  std::vector<PropertyColumn> columns;
  int fields = 0;    ///< fields per atom line
  int species = -1;  ///< "species:S:1"
  int position = -1; ///< "pos:R:3"
  int sigma = -1;    ///< "sigma:R:3", or −1 when absent
};

/// Reads a Properties value such as "species:S:1:pos:R:3:sigma:R:3"; species and pos are
/// required, sigma (the standard uncertainties of x, y, z in Å) is optional and must be R:3.
/// Throws StructureError with the message only; the caller adds the place.
ColumnLayout ParseProperties(std::string_view value);

/// Reads the frames of an extended XYZ stream one at a time: a count line, a comment line
/// (its Properties default to species:S:1:pos:R:3; Lattice is kept as the frame's cell), and
/// as many atom lines, fields separated by spaces or tabs. A comment line without Properties
/// or Lattice that is not a key=value list is taken as a plain comment. Empty lines between
/// frames are skipped. Any fault throws StructureError naming the source and the line.
class ExtendedXyzReader {
 public:
  ExtendedXyzReader(std::istream& in, std::string source);

  /// Reads the next frame, named "frame K"; false at the end of the stream.
  bool Next(StructureFrame& frame);

 private:
  bool NextLine();
  [[noreturn]] void Fail(const std::string& message) const;
  ColumnLayout ReadComment(StructureFrame& frame);
  void ReadAtom(const ColumnLayout& layout, StructureFrame& frame);

  LineReader m_lines;
  std::string m_source;
  long long m_frames = 0;
};

/// All frames of an extended XYZ text as one structure named after the file (frames unnamed
/// when there is one).
std::vector<Structure> ReadExtendedXyz(const std::string& text, const std::string& source);

}  // namespace ovalon
