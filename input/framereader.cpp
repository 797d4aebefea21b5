#include "input/framereader.h"

#include <algorithm>
#include <istream>
#include <optional>
#include <string_view>

#include "input/parsenumber.h"

namespace ovalon {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsBlankLine(std::string_view line) { return std::all_of(line.begin(), line.end(), IsBlank); }

/// Up to `capacity` fields of the line, separated by runs of spaces and tabs; returns the
/// number of fields, which may exceed `capacity` (the extra ones are counted, not stored).
int SplitFields(std::string_view line, std::string_view* fields, int capacity) {
  int count = 0;
  size_t i = 0;
  while (true) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size()) return count;
    const size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    if (count < capacity) fields[count] = line.substr(start, i - start);
    ++count;
  }
}

/// A count line: one whole number of at most 9 digits alone on its line (spaces and tabs
/// around it allowed).
bool ReadCount(std::string_view line, long long& count) {
  // Asked of every line of a frame, so it gives up at the first character that cannot belong.
  size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  const size_t start = i;
  count = 0;
  for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
    if (i - start < 9) count = count * 10 + (line[i] - '0');
  }
  const size_t digits = i - start;
  while (i < line.size() && IsBlank(line[i])) ++i;
  return digits > 0 && digits <= 9 && i == line.size();
}

/// A number of the window's syntax, rounded correctly (ReadFieldNumber).
bool ReadNumber(std::string_view field, double& value) {
  const std::optional<double> number = ReadFieldNumber(field);
  if (number) value = *number;
  return number.has_value();
}

/// At most this much of an offending text goes into a message, cut where a character starts.
std::string Quoted(std::string_view text) {
  constexpr size_t Longest = 40;
  if (text.size() <= Longest) return "\"" + std::string(text) + "\"";
  size_t cut = Longest;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return "\"" + std::string(text.substr(0, cut)) + "...\"";
}

/// The numbers of `text` when every field is a plain decimal (ReadPlainDecimal), read in one
/// pass: their count, at most `capacity`. −1 when a field is not one or there are more fields;
/// the line is then left to the general reading, which gives the same values and the errors.
int ReadPlainNumbers(std::string_view text, double* values, int capacity) {
  int count = 0;
  size_t i = 0;
  while (true) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size()) return count;
    if (count == capacity) return -1;
    const size_t length = ReadPlainDecimal(text.substr(i), values[count]);
    i += length;
    if (length == 0 || (i < text.size() && !IsBlank(text[i]))) return -1;
    ++count;
  }
}

/// An atom line "SYMBOL x y z [σx σy σz]" of plain decimals: the symbol, and the count of
/// numbers (3 or 6) in `values`; −1 for any other line.
int ReadPlainAtomLine(std::string_view line, std::string_view& symbol, double* values) {
  size_t start = 0;
  while (start < line.size() && IsBlank(line[start])) ++start;
  size_t end = start;
  while (end < line.size() && !IsBlank(line[end])) ++end;
  if (end == start) return -1;
  symbol = line.substr(start, end - start);
  const int numbers = ReadPlainNumbers(line.substr(end), values, 6);
  return numbers == 3 || numbers == 6 ? numbers : -1;
}

bool IsAtomShaped(std::string_view line) {
  const int fields = SplitFields(line, nullptr, 0);
  return fields == 4 || fields == 7;
}

}  // namespace

FrameReader::FrameReader(std::istream& in, std::size_t maxLineBytes) : m_lines(in, maxLineBytes) {}

bool FrameReader::ReadLine() { return m_lines.Next(); }

bool FrameReader::Blank() const { return !m_lines.TooLong() && IsBlankLine(m_lines.Line()); }

bool FrameReader::SigmaLine() const {
  return !m_lines.TooLong() && !m_lines.Line().empty() && m_lines.Line()[0] == '>';
}

bool FrameReader::CountLine(long long& count) const {
  return !m_lines.TooLong() && ReadCount(m_lines.Line(), count);
}

bool FrameReader::AtomShaped() const { return m_lines.TooLong() || IsAtomShaped(m_lines.Line()); }

void FrameReader::Fail(CageFrame& frame, const std::string& message) {
  // The first problem of a frame is the one reported; reading goes on to keep in step.
  if (frame.problem != FrameProblem::None) return;
  frame.problem = FrameProblem::Unreadable;
  frame.message = m_lines.TooLong() ? m_lines.TooLongMessage()
                                    : "line " + std::to_string(m_lines.Number()) + ": " + message;
}

bool FrameReader::Next(CageFrame& frame) {
  if (m_ready) {
    frame = std::move(*m_ready);
    m_ready.reset();
    return true;
  }
  while (!m_pending) {
    if (!ReadLine()) return false;
    if (!Blank()) break;
  }
  m_pending = false;

  Reset(frame);
  frame.frame = ++m_frames;
  frame.line = m_lines.Number();
  long long count = 0;
  if (CountLine(count))
    ReadFrameLines(frame, count, false);
  else
    ReadMalformedRecord(frame);
  return true;
}

void FrameReader::ReadMalformedRecord(CageFrame& frame) {
  Fail(frame, "expected the atom count of a frame, found " + Quoted(m_lines.Line()));
  bool haveLine = ReadLine();
  while (haveLine) {
    long long count = 0;
    if (!CountLine(count)) {
      haveLine = ReadLine();
      continue;
    }
    CageFrame candidate;
    Reset(candidate);
    candidate.frame = m_frames + 1;
    candidate.line = m_lines.Number();
    switch (ReadFrameLines(candidate, count, true)) {
      case Ending::Complete:
        ++m_frames;
        m_ready = std::move(candidate);
        return;
      case Ending::CountTooSoon:
        m_pending = false;  // that count line is the next one to try
        break;
      case Ending::NotAnAtom:
      case Ending::AtomAfter:
        haveLine = ReadLine();
        break;
      case Ending::InputEnded:
        return;
    }
  }
}

FrameReader::Ending FrameReader::ReadFrameLines(CageFrame& frame, long long count, bool checking) {
  m_inlineSigma.clear();
  if (!ReadLine()) {
    Fail(frame, "the input ends before the comment line of the frame");
    return Ending::InputEnded;
  }
  if (m_lines.TooLong())
    Fail(frame, "");
  else
    frame.comment = m_lines.Line();

  int sigmaLines = 0;
  while (frame.atoms < count) {
    if (!ReadLine()) {
      Fail(frame, "the input ends after " + std::to_string(frame.atoms) + " of " +
                      std::to_string(count) + " atom lines");
      return Ending::InputEnded;
    }
    long long nextCount = 0;
    if (SigmaLine()) {
      ReadSigmaLine(frame, ++sigmaLines);
    } else if (CountLine(nextCount)) {
      // A lone whole number cannot be an atom line: the frame was cut short, and this line
      // starts the next one.
      Fail(frame, "a new frame starts after " + std::to_string(frame.atoms) + " of " +
                      std::to_string(count) + " atom lines");
      m_pending = true;
      return Ending::CountTooSoon;
    } else if (checking && !AtomShaped()) {
      return Ending::NotAnAtom;
    } else {
      ReadAtomLine(frame);
    }
  }
  // Uncertainty lines may follow the atom lines as a group. The first other line that is not
  // empty ends the frame: a count line starts the next one, any other line is taken for a
  // malformed count line.
  while (ReadLine()) {
    if (SigmaLine()) {
      ReadSigmaLine(frame, ++sigmaLines);
    } else if (!Blank()) {
      if (checking && AtomShaped()) return Ending::AtomAfter;
      m_pending = true;
      break;
    }
  }
  CheckCounts(frame, sigmaLines);
  return Ending::Complete;
}

void FrameReader::CheckCounts(CageFrame& frame, int sigmaLines) const {
  if (frame.problem != FrameProblem::None) return;
  if (sigmaLines != 0 && sigmaLines != frame.atoms) {
    frame.problem = FrameProblem::Unreadable;
    frame.message = "the frame has " + std::to_string(frame.atoms) + " atom lines but " +
                    std::to_string(sigmaLines) + " uncertainty lines";
  }
}

void FrameReader::ReadAtomLine(CageFrame& frame) {
  const int atom = ++frame.atoms;
  if (atom > MaxFrameAtoms) {
    Fail(frame, "the frame has more than " + std::to_string(MaxFrameAtoms) + " atoms");
    return;
  }
  // The atoms of a frame that cannot be read are of no use; only its lines are followed.
  if (frame.problem != FrameProblem::None) return;
  if (m_lines.TooLong()) {
    Fail(frame, "");
    return;
  }
  std::string_view symbol;
  double values[6] = {};
  int numbers = ReadPlainAtomLine(m_lines.Line(), symbol, values);
  if (numbers < 0 && !ReadAtomFields(frame, atom, symbol, values, numbers)) return;
  if (numbers == 6 && (values[3] < 0 || values[4] < 0 || values[5] < 0)) {
    Fail(frame, "an uncertainty is negative");
    return;
  }
  FrameAtomLine& line = frame.allAtoms.emplace_back();
  line.symbol = symbol;
  line.position = {values[0], values[1], values[2]};
  line.sigma = {values[3], values[4], values[5]};
  m_inlineSigma.push_back(numbers == 6);
}

bool FrameReader::ReadAtomFields(CageFrame& frame, int atom, std::string_view& symbol,
                                 double* values, int& numbers) {
  std::string_view fields[7];
  const int count = SplitFields(m_lines.Line(), fields, 7);
  if (count == 0) {
    Fail(frame, "an empty line where atom line " + std::to_string(atom) + " was expected");
    return false;
  }
  if (count != 4 && count != 7) {
    Fail(frame,
         "an atom line holds a symbol and x y z, optionally followed by σx σy σz; "
         "found " +
             std::to_string(count) + " fields in " + Quoted(m_lines.Line()));
    return false;
  }
  for (int k = 1; k < count; ++k) {
    if (!ReadNumber(fields[k], values[k - 1])) {
      Fail(frame, Quoted(fields[k]) + " is not a number");
      return false;
    }
  }
  symbol = fields[0];
  numbers = count - 1;
  return true;
}

void FrameReader::ReadSigmaLine(CageFrame& frame, int sigmaLine) {
  const std::string_view rest = std::string_view(m_lines.Line()).substr(1);
  double values[3] = {};
  if (ReadPlainNumbers(rest, values, 3) != 3 && !ReadSigmaFields(frame, rest, values)) return;
  if (values[0] < 0 || values[1] < 0 || values[2] < 0) {
    Fail(frame, "an uncertainty is negative");
    return;
  }
  if (sigmaLine > frame.atoms) {
    Fail(frame, "uncertainty line " + std::to_string(sigmaLine) + " comes before atom line " +
                    std::to_string(sigmaLine));
    return;
  }
  if (frame.problem != FrameProblem::None) return;
  if (m_inlineSigma[sigmaLine - 1]) {
    Fail(frame, "atom " + std::to_string(sigmaLine) +
                    " has uncertainties on its own line and on a \">\" line");
    return;
  }
  frame.allAtoms[sigmaLine - 1].sigma = {values[0], values[1], values[2]};
}

bool FrameReader::ReadSigmaFields(CageFrame& frame, std::string_view rest, double* values) {
  std::string_view fields[3];
  const int count = SplitFields(rest, fields, 3);
  if (count != 3) {
    Fail(frame, "an uncertainty line holds \">\" and σx σy σz; found " + std::to_string(count) +
                    " fields after \">\"");
    return false;
  }
  for (int k = 0; k < 3; ++k) {
    if (!ReadNumber(fields[k], values[k])) {
      Fail(frame, Quoted(fields[k]) + " is not a number");
      return false;
    }
  }
  return true;
}

void FrameReader::Reset(CageFrame& frame) {
  std::vector<FrameAtomLine> atoms = std::move(frame.allAtoms);
  std::string comment = std::move(frame.comment);
  atoms.clear();
  comment.clear();
  frame = CageFrame();
  frame.allAtoms = std::move(atoms);
  frame.comment = std::move(comment);
}

}  // namespace ovalon
