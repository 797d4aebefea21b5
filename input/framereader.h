#pragma once
// Reading the frames of a trajectory in the XYZ layout for the summary, one frame at a time.

#include <array>
#include <iosfwd>
#include <string>

#include "core/extended.h"

namespace ovalon {

/// What is wrong with a frame, if anything.
enum class FrameProblem {
  None,
  Unreadable,  ///< the frame's lines do not follow the layout, or a number cannot be read
  CageSize,    ///< the frame was read, but it does not hold exactly 60 carbon atoms
};

/// One frame: where it is, its comment, and its cage of carbon atoms.
struct CageFrame {
  long long frame = 0;  ///< the frame's number in its file, from 1
  long long line = 0;   ///< the line number (from 1) of the frame's first line, its count
  std::string comment;  ///< the comment line as it stands (without its line break)
  FrameProblem problem = FrameProblem::None;
  std::string message;  ///< why, when there is a problem
  int atoms = 0;        ///< atom lines read
  int carbons = 0;      ///< carbon atoms among them (only the first 60 are kept)
  PointSet coords;      ///< the cage: carbon atom k of the frame is entry k (1..60)
  PointSet sigma;       ///< their coordinate uncertainties; 0 when the frame gives none
  std::array<int, AtomCount> atomNumbers{};  ///< [k − 1]: the atom line number of cage atom k
};

/// Splits a stream into frames: a count line (a whole number alone on its line), a comment line
/// (may be empty), then that many atom lines "SYMBOL x y z [σx σy σz]", fields separated by any
/// mix of spaces and tabs. Lines starting with ">" inside a frame hold the uncertainties
/// "σx σy σz" of the atoms in order (the k-th such line belongs to the k-th atom line, which it
/// must follow); they may be interleaved with the atom lines or follow them as a group. Empty
/// lines between frames are skipped. Line breaks LF or CR LF; a UTF-8 byte-order mark is
/// skipped. Numbers are read by ReadFieldNumber: the window's syntax ("." decimals, an optional
/// sign and exponent), correctly rounded to the nearest 64-bit value; infinities and NaN are
/// refused.
///
/// A frame that breaks the layout is still returned, with its problem and a message naming the
/// line; reading resynchronises at the next count line, so the following frames are read as
/// usual. Memory does not grow with the size of the stream or of a frame.
class FrameReader {
 public:
  explicit FrameReader(std::istream& in);

  /// Reads the next frame into `frame`; false (and `frame` untouched) at the end of the stream.
  bool Next(CageFrame& frame);

  /// The number of the last line read, from 1.
  long long LineNumber() const { return m_lineNumber; }

 private:
  bool ReadLine();
  void ReadAtomLine(CageFrame& frame);
  void ReadSigmaLine(CageFrame& frame, int sigmaLine);
  void Fail(CageFrame& frame, const std::string& message);

  std::istream& m_in;
  std::string m_line;
  bool m_pending = false;  ///< m_line holds a count line that starts the next frame
  long long m_lineNumber = 0;
  long long m_frames = 0;
  std::array<bool, AtomCount> m_inlineSigma{};  ///< cage atom k gave σ on its own line
};

}  // namespace ovalon
