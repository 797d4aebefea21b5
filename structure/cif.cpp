#include "structure/cif.h"

#include <gemmi/cif.hpp>
#include <gemmi/elem.hpp>
#include <gemmi/mmcif.hpp>
#include <gemmi/pdb.hpp>
#include <gemmi/symmetry.hpp>

#include <cctype>
#include <cmath>
#include <optional>

#include "structure/models.h"
#include "structure/smallmolecule.h"
#include "structure/uncertainty.h"

namespace ovalon {

namespace cif = gemmi::cif;

namespace {

/// Where a value stands, for messages: "FILE: data block 'NAME'".
std::string BlockPlace(const std::string& source, const cif::Block& block) {
  return source + ": data block '" + block.name + "'";
}

/// The largest magnitude of a fractional coordinate that is read.
constexpr double MaxFractionalCoordinate = 1e6;

std::string LinePlace(const cif::Item* item) {
  return item != nullptr && item->line_number > 0 ? "line " + std::to_string(item->line_number)
                                                  : std::string("a value");
}

/// Reads a number with its uncertainty; throws naming the tag and where it stands.
MeasuredValue RequireMeasured(const std::string& raw, const std::string& tag,
                              const std::string& where) {
  const std::string text = cif::as_string(raw);
  const MeasuredField field = ReadMeasured(cif::is_null(raw) ? std::string_view(raw) : text);
  if (field.unknown) throw StructureError(where + ": " + tag + " is not given ('" + raw + "')");
  if (!field.measured)
    throw StructureError(where + ": " + tag + " '" + raw + "' is not a number");
  return *field.measured;
}

CellParameters ReadCell(cif::Block& block, const std::string& place, std::string& text) {
  static const char* const tags[6] = {"_cell_length_a",    "_cell_length_b",
                                      "_cell_length_c",    "_cell_angle_alpha",
                                      "_cell_angle_beta",  "_cell_angle_gamma"};
  static const char* const names[6] = {"a", "b", "c", "alpha", "beta", "gamma"};
  CellParameters cell;
  for (int i = 0; i < 6; ++i) {
    const cif::Item* item = block.find_pair_item(tags[i]);
    if (item == nullptr) throw StructureError(place + ": no " + std::string(tags[i]));
    const MeasuredValue v =
        RequireMeasured(item->pair[1], tags[i], place + ", " + LinePlace(item));
    cell.value[i] = v.value;
    cell.sigma[i] = v.uncertainty;
    text += std::string(text.empty() ? "" : " ") + names[i] + "=" + cif::as_string(item->pair[1]);
  }
  if (!IsValidCell(cell)) throw StructureError(place + ": the cell " + text + " has no volume");
  return cell;
}

SymmetryOperator FromGemmi(const gemmi::Op& op, const std::string& where) {
  SymmetryOperator result;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      if (op.rot[i][j] % gemmi::Op::DEN != 0)
        throw StructureError(where + ": the operator " + op.triplet() +
                             " is not a symmetry operator of a lattice");
      result.rotation[i][j] = op.rot[i][j] / gemmi::Op::DEN;
    }
    result.translation[i] = op.tran[i];
  }
  return result;
}

std::vector<SymmetryOperator> FromGroup(const gemmi::GroupOps& ops, const std::string& where) {
  std::vector<SymmetryOperator> result;
  for (const gemmi::Op& op : ops.all_ops_sorted()) result.push_back(FromGemmi(op, where));
  return result;
}

/// The first of `tags` with a value other than "?" or ".": its text and its item.
std::optional<std::pair<std::string, const cif::Item*>> FirstValue(
    cif::Block& block, std::initializer_list<const char*> tags) {
  for (const char* tag : tags) {
    const cif::Item* item = block.find_pair_item(tag);
    if (item != nullptr && !cif::is_null(item->pair[1]))
      return std::make_pair(cif::as_string(item->pair[1]), item);
  }
  return std::nullopt;
}

/// True when `triplet` holds a run of more than three digits. The coefficients of a symmetry
/// operator are small whole numbers and fractions; gemmi's reader multiplies longer ones into
/// an int without checking for overflow.
bool HasLongNumber(const std::string& triplet) {
  int run = 0;
  for (char c : triplet) {
    run = std::isdigit(static_cast<unsigned char>(c)) ? run + 1 : 0;
    if (run > 3) return true;
  }
  return false;
}

/// Operators from the listed triplets, or else from the space group's Hall symbol, name or
/// number.
void ReadSymmetry(cif::Block& block, const std::string& place, AsymmetricUnit& unit) {
  for (const char* tag : {"_space_group_symop_operation_xyz", "_symmetry_equiv_pos_as_xyz",
                          "_space_group_symop.operation_xyz"}) {
    cif::Column column = block.find_values(tag);
    if (!column) continue;
    const std::string where = place + ", " + LinePlace(column.item());
    for (const std::string& raw : column) {
      const std::string triplet = cif::as_string(raw);
      if (HasLongNumber(triplet))
        throw StructureError(where + ": " + tag + " '" + triplet +
                             "' is not an operator (a number of more than three digits)");
      try {
        unit.operators.push_back(FromGemmi(gemmi::parse_triplet(triplet), where));
      } catch (const StructureError&) {
        throw;
      } catch (const std::exception& e) {
        throw StructureError(where + ": " + tag + " '" + triplet + "' is not an operator (" +
                             e.what() + ")");
      }
    }
    unit.symmetrySource = std::to_string(unit.operators.size()) + " operators of " + tag;
    return;
  }
  if (auto hall = FirstValue(block, {"_space_group_name_Hall", "_symmetry_space_group_name_Hall"})) {
    const std::string where = place + ", " + LinePlace(hall->second);
    try {
      unit.operators = FromGroup(gemmi::symops_from_hall(hall->first.c_str()), where);
    } catch (const StructureError&) {
      throw;
    } catch (const std::exception& e) {
      throw StructureError(where + ": the Hall symbol '" + hall->first + "' is not known (" +
                           e.what() + ")");
    }
    unit.symmetrySource = std::to_string(unit.operators.size()) + " operators of Hall symbol " +
                          hall->first;
    return;
  }
  const gemmi::SpaceGroup* group = nullptr;
  auto name = FirstValue(block, {"_space_group_name_H-M_alt", "_symmetry_space_group_name_H-M"});
  auto number = FirstValue(block, {"_space_group_IT_number", "_symmetry_Int_Tables_number"});
  if (name) {
    group = gemmi::find_spacegroup_by_name(name->first);
  } else if (number && !HasLongNumber(number->first)) {
    try {
      group = gemmi::find_spacegroup_by_number(cif::as_int(number->first));
    } catch (const std::exception&) {
    }
  }
  if (const auto& given = name ? name : number) {
    if (group == nullptr)
      throw StructureError(place + ", " + LinePlace(given->second) + ": the space group '" +
                           given->first + "' is not known");
    unit.operators = FromGroup(group->operations(), place);
    unit.symmetrySource = std::to_string(unit.operators.size()) + " operators of space group " +
                          group->xhm();
    return;
  }
  throw StructureError(place + ": no symmetry operators and no space group");
}

/// An element symbol in its usual case ("CL" and "cl" give "Cl"), or empty when the letters
/// name none.
std::string ElementSymbol(const std::string& letters) {
  if (letters.empty()) return {};
  std::string symbol(1, static_cast<char>(std::toupper(static_cast<unsigned char>(letters[0]))));
  if (letters.size() > 1)
    symbol += static_cast<char>(std::tolower(static_cast<unsigned char>(letters[1])));
  return gemmi::find_element(symbol.c_str()) == gemmi::El::X ? std::string() : symbol;
}

std::string LeadingLetters(const std::string& text) {
  std::size_t n = 0;
  while (n < text.size() && n < 2 && std::isalpha(static_cast<unsigned char>(text[n]))) ++n;
  return text.substr(0, n);
}

/// The element of a site: from its type symbol ("C", "O2-", "Fe3+") where given, else from
/// the label's leading letters, two letters only when the second is lower case ("Cl1", not
/// "CA1").
std::string SiteElement(const std::string& typeSymbol, const std::string& label) {
  if (!typeSymbol.empty()) {
    const std::string letters = LeadingLetters(typeSymbol);
    if (std::string symbol = ElementSymbol(letters); !symbol.empty()) return symbol;
    if (std::string symbol = ElementSymbol(letters.substr(0, 1)); !symbol.empty()) return symbol;
  }
  std::string letters = LeadingLetters(label);
  if (letters.size() == 2 && !std::islower(static_cast<unsigned char>(letters[1])))
    letters.resize(1);
  if (std::string symbol = ElementSymbol(letters); !symbol.empty()) return symbol;
  if (std::string symbol = ElementSymbol(letters.substr(0, 1)); !symbol.empty()) return symbol;
  return "X";
}

std::string GroupName(const std::string& raw) {
  const std::string text = cif::as_string(raw);
  return text.empty() || text == "0" ? std::string() : text;
}

std::vector<AtomSite> ReadSites(cif::Block& block, const std::string& place,
                                std::vector<std::string>& notes) {
  cif::Table table = block.find("_atom_site_", {"label", "fract_x", "fract_y", "fract_z",
                                                "?type_symbol", "?occupancy",
                                                "?disorder_assembly", "?disorder_group",
                                                "?calc_flag"});
  if (!table.ok())
    throw StructureError(place + ": no _atom_site_label with _atom_site_fract_x, _y and _z");
  const std::string where =
      place + ", " + (table.loop_item ? "the loop at " : std::string()) + LinePlace(table.loop_item);
  std::vector<AtomSite> sites;
  std::vector<std::string> dummies;
  for (std::size_t r = 0; r < table.length(); ++r) {
    cif::Table::Row row = table[static_cast<int>(r)];
    AtomSite site;
    site.label = row.str(0);
    const std::string rowPlace =
        where + ", row " + std::to_string(r + 1) + " (" + site.label + ")";
    if (row.has2(8) && cif::as_string(row[8]) == "dum") {
      dummies.push_back(site.label);
      continue;
    }
    static const char* const axes[3] = {"_atom_site_fract_x", "_atom_site_fract_y",
                                        "_atom_site_fract_z"};
    for (int i = 0; i < 3; ++i) {
      const MeasuredValue v = RequireMeasured(row[1 + i], axes[i], rowPlace);
      // Further out no site belongs to a crystal, and the cell translations that bring it
      // back would overflow the symmetry operators' integer translations.
      if (!(std::abs(v.value) <= MaxFractionalCoordinate))
        throw StructureError(rowPlace + ": " + axes[i] + " '" + row[1 + i] +
                             "' lies more than 1000000 cells from the origin");
      site.fractional[i] = v.value;
      site.sigma[i] = v.uncertainty;
    }
    site.element = SiteElement(row.has2(4) ? row.str(4) : std::string(), site.label);
    if (row.has2(5)) site.occupancy = RequireMeasured(row[5], "_atom_site_occupancy", rowPlace).value;
    if (row.has2(6)) site.disorderAssembly = cif::as_string(row[6]);
    if (row.has2(7)) site.disorderGroup = GroupName(row[7]);
    sites.push_back(site);
  }
  if (!dummies.empty()) {
    std::string labels;
    for (const std::string& label : dummies) labels += (labels.empty() ? "" : ", ") + label;
    notes.push_back("left out dummy sites: " + labels);
  }
  if (sites.empty()) throw StructureError(place + ": the _atom_site loop holds no atoms");
  return sites;
}

Structure ReadSmallMolecule(cif::Block& block, const std::string& source) {
  const std::string place = BlockPlace(source, block);
  AsymmetricUnit unit;
  unit.cell = ReadCell(block, place, unit.cellText);
  ReadSymmetry(block, place, unit);
  std::vector<std::string> notes;
  const std::vector<AtomSite> sites = ReadSites(block, place, notes);
  unit.sites = SelectDisorder(sites, notes);
  StructureFrame frame = CompleteMolecules(unit, place);
  frame.notes.insert(frame.notes.end(), notes.begin(), notes.end());
  return {source, block.name, {std::move(frame)}};
}

/// True when `value` (after an opening quote and spaces, and a sign) starts with more than
/// nine digits, a number beyond the range of an int.
bool StartsWithLongInteger(const std::string& value) {
  std::size_t i = value.find_first_not_of("'\" ");
  if (i != std::string::npos && (value[i] == '+' || value[i] == '-')) ++i;
  int digits = 0;
  for (; i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])); ++i) ++digits;
  return digits > 9;
}

/// gemmi reads the integers of an mmCIF block (serial numbers, sequence numbers, model numbers
/// and many more) without checking for overflow, so a block with a value that starts with a
/// longer number is refused before gemmi sees it.
void RefuseLongIntegers(const cif::Block& block, const std::string& place) {
  const auto check = [&](const std::string& tag, const std::string& value, int line) {
    if (StartsWithLongInteger(value))
      throw StructureError(place + ", line " + std::to_string(line) + ": " + tag + " '" + value +
                           "' holds a number too large to read");
  };
  for (const cif::Item& item : block.items) {
    if (item.type == cif::ItemType::Pair) check(item.pair[0], item.pair[1], item.line_number);
    if (item.type != cif::ItemType::Loop || item.loop.tags.empty()) continue;
    const std::size_t width = item.loop.tags.size();
    for (std::size_t i = 0; i < item.loop.values.size(); ++i)
      check(item.loop.tags[i % width], item.loop.values[i], item.line_number);
  }
}

Structure ReadMacromolecule(const cif::Block& block, const std::string& source) {
  RefuseLongIntegers(block, BlockPlace(source, block));
  gemmi::Structure model;
  try {
    model = gemmi::make_structure_from_block(block);
  } catch (const std::exception& e) {
    throw StructureError(BlockPlace(source, block) + ": " + e.what());
  }
  Structure structure{source, block.name, ModelFrames(model)};
  if (structure.frames.empty())
    throw StructureError(BlockPlace(source, block) +
                         ": the _atom_site category holds no atoms, or lacks one of id, "
                         "type_symbol, label_alt_id, label_asym_id, Cartn_x, Cartn_y, Cartn_z, "
                         "occupancy, B_iso_or_equiv and auth_seq_id");
  return structure;
}

}  // namespace

std::vector<Structure> ReadCif(const std::string& text, const std::string& source) {
  cif::Document document;
  try {
    document = cif::read_memory(text.data(), text.size(), source.c_str());
  } catch (const std::exception& e) {
    throw StructureError(e.what());
  }
  std::vector<Structure> structures;
  for (cif::Block& block : document.blocks) {
    if (block.has_tag("_atom_site_fract_x")) {
      try {
        structures.push_back(ReadSmallMolecule(block, source));
      } catch (const StructureError&) {
        throw;
      } catch (const std::exception& e) {
        throw StructureError(BlockPlace(source, block) + ": " + e.what());
      }
    } else if (block.has_tag("_atom_site.Cartn_x")) {
      structures.push_back(ReadMacromolecule(block, source));
    }
  }
  if (structures.empty())
    throw StructureError(source + ": no data block holds atom sites (_atom_site_fract_x or "
                                  "_atom_site.Cartn_x)");
  return structures;
}

std::vector<Structure> ReadPdb(const std::string& text, const std::string& source) {
  gemmi::Structure model;
  try {
    model = gemmi::read_pdb_string(text, source);
  } catch (const std::exception& e) {
    throw StructureError(source + ": " + e.what());
  }
  Structure structure{source, source, ModelFrames(model)};
  if (structure.frames.empty()) throw StructureError(source + ": no ATOM or HETATM records");
  return {structure};
}

}  // namespace ovalon
