#pragma once
// Reading the frames of a trajectory in the XYZ layout for the summary, one frame at a time.

#include <array>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "input/linereader.h"

namespace ovalon {

/// What is wrong with a frame, if anything.
enum class FrameProblem {
  None,
  Unreadable,  ///< the frame's lines do not follow the layout, or a number cannot be read
};

/// The most atom lines a frame may have; a frame with more is unreadable.
constexpr int MaxFrameAtoms = 1000000;

/// One atom line of a frame as written.
struct FrameAtomLine {
  std::string symbol;
  std::array<double, 3> position{};
  std::array<double, 3> sigma{};  ///< 0 when the frame gives none
};

/// One frame: where it is, its comment, and its atoms. Picking the cage among them is the
/// caller's concern.
struct CageFrame {
  long long frame = 0;  ///< the frame's number in its file, from 1
  long long line = 0;   ///< the line number (from 1) of the frame's first line, its count; 0
                        ///< where the frame comes from a file without lines of its own
  std::string comment;  ///< the comment line as it stands (without its line break)
  FrameProblem problem = FrameProblem::None;
  std::string message;  ///< why, when there is a problem
  int atoms = 0;        ///< atom lines read
  std::vector<FrameAtomLine> allAtoms;  ///< every atom line that could be read, in order
};

/// Splits a stream into frames: a count line (a whole number alone on its line), a comment line
/// (may be empty), then that many atom lines "SYMBOL x y z [σx σy σz]", fields separated by any
/// mix of spaces and tabs. Lines starting with ">" inside a frame hold the uncertainties
/// "σx σy σz" of the atoms in order (the k-th such line belongs to the k-th atom line, which it
/// must follow); they may be interleaved with the atom lines or follow them as a group. Empty
/// lines between frames are skipped. Lines are read by LineReader: LF or CR LF, a byte-order
/// mark selects UTF-8 or UTF-16, a line over 1 MiB is a problem of its frame. Numbers are read
/// by ReadFieldNumber: the window's syntax ("." decimals, an optional sign and exponent),
/// correctly rounded to the nearest 64-bit value; infinities and NaN are refused.
///
/// A frame that breaks the layout is still returned, with its problem and a message naming the
/// line. Once a frame has its atom lines and the ">" lines after them, a line that is neither
/// a ">" line nor a count line ends it, and is taken for a malformed count line: it gets an
/// unreadable record of its own, which takes every line up to the next count line that is
/// followed by a comment line and that many atom lines (lines of four or seven fields, or ">"
/// lines among them) and then by no further atom line. Frame numbers count every record, so
/// the frames after a bad one keep their numbers. Memory grows with the atoms of a frame, but
/// not with the size of the stream or of a line.
class FrameReader {
 public:
  /// Lines longer than `maxLineBytes` are problems of their frame.
  explicit FrameReader(std::istream& in, std::size_t maxLineBytes = MaxLineBytes);

  /// Reads the next frame into `frame`, whose buffers it reuses; false (and `frame` untouched)
  /// at the end of the stream.
  bool Next(CageFrame& frame);

  /// The number of the last line read, from 1.
  long long LineNumber() const { return m_lines.Number(); }

 private:
  /// How the lines of a frame after its count line came to an end.
  enum class Ending {
    Complete,      ///< its atom lines were all there
    CountTooSoon,  ///< a count line came where an atom line was expected
    NotAnAtom,     ///< while checking: a line where an atom line was expected is not one
    AtomAfter,     ///< while checking: an atom line follows the last one the count allows
    InputEnded,    ///< the input ended before the last atom line
  };

  bool ReadLine();
  /// What the current line is.
  bool Blank() const;
  bool SigmaLine() const;
  bool CountLine(long long& count) const;
  bool AtomShaped() const;  ///< four or seven fields, or too long to tell
  void ReadMalformedRecord(CageFrame& frame);
  Ending ReadFrameLines(CageFrame& frame, long long count, bool checking);
  void ReadAtomLine(CageFrame& frame);
  /// The general reading of an atom line whose fields are not all plain decimals: its symbol
  /// and 3 or 6 `numbers` in `values`; false, with the frame's problem, when it is no atom line.
  bool ReadAtomFields(CageFrame& frame, int atom, std::string_view& symbol, double* values,
                      int& numbers);
  void ReadSigmaLine(CageFrame& frame, int sigmaLine);
  /// The general reading of the σx σy σz after an uncertainty line's ">".
  bool ReadSigmaFields(CageFrame& frame, std::string_view rest, double* values);
  void CheckCounts(CageFrame& frame, int sigmaLines) const;
  /// Empties `frame`, keeping the capacity of its atoms and comment.
  static void Reset(CageFrame& frame);
  /// Gives the frame its problem, unless it has one: "line N: message", or for a line over
  /// the limit "line N is longer than 1 MiB" whatever `message` says.
  void Fail(CageFrame& frame, const std::string& message);

  LineReader m_lines;
  bool m_pending = false;  ///< the current line starts the next record
  long long m_frames = 0;
  std::optional<CageFrame> m_ready;  ///< a frame read while looking for the end of a record
  std::vector<bool> m_inlineSigma;  ///< atom line k gave σ on its own line
};

}  // namespace ovalon
