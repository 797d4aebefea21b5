#include "structure/extendedxyz.h"

#include <charconv>
#include <cctype>
#include <sstream>

#include "input/parsenumber.h"

namespace ovalon {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

void SkipBlanks(std::string_view line, std::size_t& pos) {
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
}

/// A bare word, a "quoted" text or, where braces are allowed, a {braced} text at pos.
bool ReadToken(std::string_view line, std::size_t& pos, bool braces, std::string& token,
               std::string& error) {
  token.clear();
  if (line[pos] == '"') {
    for (++pos; pos < line.size() && line[pos] != '"'; ++pos) {
      if (line[pos] == '\\' && pos + 1 < line.size()) ++pos;
      token += line[pos];
    }
    if (pos >= line.size()) {
      error = "a quoted text is not closed";
      return false;
    }
    ++pos;
    return true;
  }
  if (braces && line[pos] == '{') {
    const std::size_t close = line.find('}', pos);
    if (close == std::string_view::npos) {
      error = "a text in braces is not closed";
      return false;
    }
    token = line.substr(pos + 1, close - pos - 1);
    pos = close + 1;
    return true;
  }
  while (pos < line.size() && !IsBlank(line[pos]) && line[pos] != '=' && line[pos] != '"')
    token += line[pos++];
  if (token.empty()) {
    error = std::string("unexpected '") + line[pos] + "'";
    return false;
  }
  return true;
}

bool IEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

const std::string* Find(const CommentPairs& comment, std::string_view key) {
  for (const auto& [k, v] : comment.pairs)
    if (IEquals(k, key)) return &v;
  return nullptr;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t pos = 0;
  while (true) {
    SkipBlanks(line, pos);
    if (pos >= line.size()) return fields;
    const std::size_t start = pos;
    while (pos < line.size() && !IsBlank(line[pos])) ++pos;
    fields.push_back(line.substr(start, pos - start));
  }
}

bool ReadCount(std::string_view text, long long& count) {
  const std::vector<std::string_view> fields = SplitFields(text);
  if (fields.size() != 1) return false;
  const std::string_view f = fields[0];
  const auto [end, error] = std::from_chars(f.data(), f.data() + f.size(), count);
  return error == std::errc() && end == f.data() + f.size() && count >= 0;
}

/// The element of a species such as "C", "c" or "Cl": its letters in the usual case.
std::string SpeciesElement(std::string_view species) {
  std::string element;
  for (char c : species) {
    if (!std::isalpha(static_cast<unsigned char>(c)) || element.size() == 2) break;
    element += static_cast<char>(element.empty() ? std::toupper(static_cast<unsigned char>(c))
                                                 : std::tolower(static_cast<unsigned char>(c)));
  }
  return element.empty() ? "X" : element;
}

}  // namespace

CommentPairs ParseCommentPairs(std::string_view line) {
  CommentPairs result;
  std::size_t pos = 0;
  SkipBlanks(line, pos);
  while (pos < line.size()) {
    std::string key;
    if (!ReadToken(line, pos, false, key, result.error)) return result;
    SkipBlanks(line, pos);
    std::string value = "T";
    if (pos < line.size() && line[pos] == '=') {
      ++pos;
      SkipBlanks(line, pos);
      if (pos >= line.size()) {
        result.error = "the key " + key + " has '=' and no value";
        return result;
      }
      if (!ReadToken(line, pos, true, value, result.error)) return result;
      SkipBlanks(line, pos);
    }
    result.pairs.emplace_back(std::move(key), std::move(value));
  }
  return result;
}

ColumnLayout ParseProperties(std::string_view value) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t colon = value.find(':', start);
    parts.push_back(value.substr(start, colon - start));
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  if (parts.size() % 3 != 0)
    throw StructureError("Properties '" + std::string(value) +
                         "' is not a list of name:type:count");
  ColumnLayout layout;
  for (std::size_t i = 0; i < parts.size(); i += 3) {
    PropertyColumn column;
    column.name = parts[i];
    const std::string_view type = parts[i + 1];
    const std::string_view count = parts[i + 2];
    const auto [end, error] = std::from_chars(count.data(), count.data() + count.size(), column.count);
    if (column.name.empty() || type.size() != 1 || std::string_view("SRILsril").find(type[0]) == std::string_view::npos ||
        error != std::errc() || end != count.data() + count.size() || column.count < 1)
      throw StructureError("Properties: '" + std::string(parts[i]) + ":" + std::string(type) + ":" +
                           std::string(count) + "' is not name:type:count with type S, R, I or L");
    column.type = static_cast<char>(std::toupper(static_cast<unsigned char>(type[0])));
    for (const PropertyColumn& other : layout.columns)
      if (other.name == column.name)
        throw StructureError("Properties: the column " + column.name + " is declared twice");
    auto require = [&](int& where, char wantType, int wantCount) {
      if (column.type != wantType || column.count != wantCount)
        throw StructureError("Properties: " + column.name + " must be " + column.name + ":" +
                             wantType + ":" + std::to_string(wantCount));
      where = layout.fields;
    };
    if (column.name == "species") require(layout.species, 'S', 1);
    if (column.name == "pos") require(layout.position, 'R', 3);
    if (column.name == "sigma") require(layout.sigma, 'R', 3);
    layout.fields += column.count;
    layout.columns.push_back(column);
  }
  if (layout.species < 0 || layout.position < 0)
    throw StructureError("Properties '" + std::string(value) +
                         "' lacks species:S:1 or pos:R:3");
  return layout;
}

ExtendedXyzReader::ExtendedXyzReader(std::istream& in, std::string source)
    : m_lines(in), m_source(std::move(source)) {}

void ExtendedXyzReader::Fail(const std::string& message) const {
  throw StructureError(m_source + ": line " + std::to_string(m_lines.Number()) + ": " + message);
}

bool ExtendedXyzReader::NextLine() {
  if (!m_lines.Next()) return false;
  if (m_lines.TooLong()) throw StructureError(m_source + ": " + m_lines.TooLongMessage());
  return true;
}

ColumnLayout ExtendedXyzReader::ReadComment(StructureFrame& frame) {
  if (!NextLine()) Fail("the file ends where the comment line should be");
  const std::string_view line = m_lines.Line();
  const CommentPairs comment = ParseCommentPairs(line);
  const bool declares = line.find("Properties=") != std::string_view::npos ||
                        line.find("Lattice=") != std::string_view::npos;
  if (!comment.error.empty()) {
    if (declares) Fail("the comment line is not a list of key=value pairs: " + comment.error);
    return ParseProperties("species:S:1:pos:R:3");
  }
  if (const std::string* lattice = Find(comment, "Lattice")) {
    const std::vector<std::string_view> numbers = SplitFields(*lattice);
    bool valid = numbers.size() == 9;
    for (std::string_view n : numbers) valid = valid && ReadFieldNumber(n).has_value();
    if (!valid) Fail("Lattice=\"" + *lattice + "\" is not nine numbers");
    frame.cell = "Lattice=\"" + *lattice + "\"";
  }
  const std::string* properties = Find(comment, "Properties");
  try {
    return ParseProperties(properties ? *properties : "species:S:1:pos:R:3");
  } catch (const StructureError& e) {
    Fail(e.what());
  }
}

void ExtendedXyzReader::ReadAtom(const ColumnLayout& layout, StructureFrame& frame) {
  const std::vector<std::string_view> fields = SplitFields(m_lines.Line());
  if (fields.size() != static_cast<std::size_t>(layout.fields))
    Fail(std::to_string(fields.size()) + " fields where Properties declares " +
         std::to_string(layout.fields));
  StructureAtom atom;
  const std::string_view species = fields[layout.species];
  atom.element = SpeciesElement(species);
  atom.label = std::string(species) + std::to_string(frame.atoms.size() + 1);
  auto readTriple = [&](int first, std::array<double, 3>& target, const char* what) {
    for (int i = 0; i < 3; ++i) {
      const std::optional<double> v = ReadFieldNumber(fields[first + i]);
      if (!v) Fail(std::string(what) + " '" + std::string(fields[first + i]) + "' is not a number");
      target[i] = *v;
    }
  };
  readTriple(layout.position, atom.position, "the coordinate");
  if (layout.sigma >= 0) {
    readTriple(layout.sigma, atom.sigma, "the uncertainty");
    for (double s : atom.sigma)
      if (s < 0) Fail("the uncertainty " + std::to_string(s) + " is negative");
  }
  frame.atoms.push_back(std::move(atom));
}

bool ExtendedXyzReader::Next(StructureFrame& frame) {
  do {
    if (!NextLine()) return false;
  } while (SplitFields(m_lines.Line()).empty());
  long long count = 0;
  if (!ReadCount(m_lines.Line(), count))
    Fail("'" + std::string(m_lines.Line()) +
         "' is not an atom count (a whole number alone on its line)");
  StructureFrame next;
  next.name = "frame " + std::to_string(++m_frames);
  const ColumnLayout layout = ReadComment(next);
  for (long long k = 0; k < count; ++k) {
    if (!NextLine())
      Fail("the file ends after " + std::to_string(k) + " of " + std::to_string(count) +
           " atom lines");
    ReadAtom(layout, next);
  }
  frame = std::move(next);
  return true;
}

std::vector<Structure> ReadExtendedXyz(const std::string& text, const std::string& source) {
  std::istringstream in(text);
  ExtendedXyzReader reader(in, source);
  Structure structure{source, source, {}};
  StructureFrame frame;
  while (reader.Next(frame)) structure.frames.push_back(std::move(frame));
  if (structure.frames.empty()) throw StructureError(source + ": no frames");
  if (structure.frames.size() == 1) structure.frames[0].name.clear();
  return {structure};
}

}  // namespace ovalon
