// Reading CIF, mmCIF and PDB files: the example solvate, symmetry, disorder and malformed files.

#include "structure/cif.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "tests/structure/expecterror.h"
#include "tests/support/files.h"

namespace ovalon {
namespace {

using test::ExamplePath;
using test::ReadFile;

double Distance(const std::array<double, 3>& a, const std::array<double, 3>& b) {
  return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                   (a[2] - b[2]) * (a[2] - b[2]));
}

double ShortestDistance(const std::vector<StructureAtom>& atoms) {
  double shortest = INFINITY;
  for (std::size_t i = 0; i < atoms.size(); ++i)
    for (std::size_t j = i + 1; j < atoms.size(); ++j)
      shortest = std::min(shortest, Distance(atoms[i].position, atoms[j].position));
  return shortest;
}

bool HasNote(const StructureFrame& frame, const std::string& part) {
  for (const std::string& note : frame.notes)
    if (note.find(part) != std::string::npos) return true;
  return false;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

/// The cage of the example: its atoms labelled C1 … C30 (the solvent's carbon is C1S).
std::vector<StructureAtom> CageAtoms(const StructureFrame& frame) {
  std::vector<StructureAtom> cage;
  for (const StructureAtom& atom : frame.atoms)
    if (atom.element == "C" && atom.label.back() != 'S') cage.push_back(atom);
  return cage;
}

TEST(ReadCif, CompletesTheCageOnTheInversionCentreOfTheExample) {
  const std::vector<Structure> structures =
      ReadCif(ReadFile(ExamplePath("c60_solvate.cif")), "c60_solvate.cif");
  ASSERT_EQ(structures.size(), 1u);
  EXPECT_EQ(structures[0].name, "c60_solvate");
  ASSERT_EQ(structures[0].frames.size(), 1u);
  const StructureFrame& frame = structures[0].frames[0];
  // 30 cage sites and their inversion images, the solvent's carbon and its major chlorines.
  const std::vector<StructureAtom> cage = CageAtoms(frame);
  ASSERT_EQ(cage.size(), 60u);
  EXPECT_EQ(frame.atoms.size(), 63u);
  EXPECT_GT(ShortestDistance(frame.atoms), 1.3);  // no atom twice

  // The ideal cage is centred at the origin with its atoms 3.5 Å from the centre (the radius
  // of c60_ideal.xyz); the CIF's five decimals move atoms by less than 1e-4 Å.
  std::array<double, 3> centre{};
  for (const StructureAtom& atom : cage)
    for (int i = 0; i < 3; ++i) centre[i] += atom.position[i] / 60;
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(centre[i], 0, 1e-5);
  const double radius = std::hypot(-0.7275, -2.60012, -2.302462);  // first atom of the .xyz
  for (const StructureAtom& atom : cage) EXPECT_NEAR(Distance(atom.position, centre), radius, 3e-4);

  // Each site and its image through the centre: opposite positions, equal uncertainties
  // (the inversion changes the sign of every term of the propagation, not its square).
  std::map<std::string, std::vector<StructureAtom>> byLabel;
  for (const StructureAtom& atom : cage) byLabel[atom.label].push_back(atom);
  ASSERT_EQ(byLabel.size(), 30u);
  for (const auto& [label, pair] : byLabel) {
    SCOPED_TRACE(label);
    ASSERT_EQ(pair.size(), 2u);
    EXPECT_EQ(pair[0].image + "|" + pair[1].image,
              pair[0].image.empty() ? "|-x,-y,-z" : "-x,-y,-z|");
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(pair[1].position[i], -pair[0].position[i]);
      EXPECT_NEAR(pair[1].sigma[i], pair[0].sigma[i], 1e-18);
      // s.u. of 2 to 6 in the fifth decimal of 10–16 Å edges, with the cell's share.
      EXPECT_GT(pair[0].sigma[i], 1e-4);
      EXPECT_LT(pair[0].sigma[i], 2e-3);
    }
  }
  EXPECT_EQ(frame.cell, "a=10.2185(12) b=14.3520(15) c=16.0415(17) alpha=90 beta=98.372(8) gamma=90");
  EXPECT_TRUE(HasNote(frame, "4 operators of _space_group_symop_operation_xyz"));
  EXPECT_TRUE(HasNote(frame, "33 sites of the asymmetric unit give 63 atoms of complete molecules, 30 of them symmetry images"))
      << frame.notes[0];
  EXPECT_TRUE(HasNote(frame, "left out group 2 of assembly A (occupancy 0.348): Cl1B, Cl2B"));
}

TEST(ReadCif, TakesTheOperatorsFromTheSpaceGroupWhenTheyAreNotListed) {
  // The example without its operator loop, naming its group by Hall symbol, by name or by
  // number alone.
  std::string text = ReadFile(ExamplePath("c60_solvate.cif"));
  text = Replace(text,
                 "loop_\n_space_group_symop_id\n_space_group_symop_operation_xyz\n1 'x, y, z'\n"
                 "2 '-x, y+1/2, -z+1/2'\n3 '-x, -y, -z'\n4 'x, -y+1/2, z+1/2'\n",
                 "");
  const std::string byHall = text;
  const std::string byName = Replace(byHall, "_space_group_name_Hall '-P 2ybc'\n", "");
  const std::string byNumber = Replace(byName, "_space_group_name_H-M_alt 'P 1 21/c 1'\n", "");
  for (const auto& [variant, source] : {std::pair{byHall, "Hall symbol -P 2ybc"},
                                        std::pair{byName, "space group P 1 21/c 1"},
                                        std::pair{byNumber, "space group P 1 21/c 1"}}) {
    SCOPED_TRACE(source);
    const StructureFrame frame = ReadCif(variant, "x.cif").at(0).frames.at(0);
    EXPECT_EQ(CageAtoms(frame).size(), 60u);
    EXPECT_TRUE(HasNote(frame, std::string("4 operators of ") + source)) << frame.notes[0];
  }
}

const char* const CarbonDioxide = R"(data_co2
_cell_length_a 11.6
_cell_length_b 6.0
_cell_length_c 7.0
_cell_angle_alpha 90
_cell_angle_beta 90
_cell_angle_gamma 90
_symmetry_space_group_name_H-M 'P -1'
loop_
_atom_site_label
_atom_site_fract_x
_atom_site_fract_y
_atom_site_fract_z
C1 0 0 0
O1 0.1000(2) 0 0
)";

TEST(ReadCif, DoesNotDoubleAnAtomOnASpecialPosition) {
  // CO2 with its carbon on the inversion centre: the image of C1 falls on C1, O1's image is
  // the second oxygen 1.16 Å on the other side.
  const StructureFrame frame = ReadCif(CarbonDioxide, "co2.cif").at(0).frames.at(0);
  ASSERT_EQ(frame.atoms.size(), 3u);
  EXPECT_EQ(frame.atoms[0].label, "C1");
  EXPECT_EQ(frame.atoms[2].label, "O1");
  EXPECT_EQ(frame.atoms[2].image, "-x,-y,-z");
  EXPECT_NEAR(frame.atoms[2].position[0], -1.16, 1e-12);
  EXPECT_NEAR(frame.atoms[2].sigma[0], 11.6 * 0.0002, 1e-15);  // a·σ(x), the cell exact
  EXPECT_EQ(frame.atoms[0].element, "C");  // from the label: no type symbol column
  EXPECT_EQ(frame.atoms[2].element, "O");
}

TEST(ReadCif, CompletesAMoleculeAcrossTheCellEdge) {
  // O1 at x = 0.99 bonds to the translated image of C1 at x = 0.09.
  const std::string text = Replace(Replace(CarbonDioxide, "P -1", "P 1"), "O1 0.1000(2) 0 0",
                                   "O1 0.9000(2) 0 0");
  const StructureFrame frame = ReadCif(text, "co2.cif").at(0).frames.at(0);
  ASSERT_EQ(frame.atoms.size(), 2u);  // P1 has no other operator: nothing is added
  const std::string shifted = Replace(text, "C1 0 0 0", "C1 0 0 0\nO2 0.1 0 0");
  const StructureFrame moved = ReadCif(Replace(shifted, "P 1", "P -1"), "co2.cif").at(0).frames.at(0);
  EXPECT_EQ(moved.atoms.size(), 3u);  // O1 at −0.1 is O2's image: already there, not added
}

TEST(ReadCif, ReadsEveryDataBlockWithAtoms) {
  const std::string text = std::string("data_global\n_publ_section_title 'two structures'\n") +
                           CarbonDioxide + Replace(CarbonDioxide, "data_co2", "data_co2_second");
  const std::vector<Structure> structures = ReadCif(text, "two.cif");
  ASSERT_EQ(structures.size(), 2u);
  EXPECT_EQ(structures[0].name, "co2");
  EXPECT_EQ(structures[1].name, "co2_second");
  EXPECT_EQ(structures[1].source, "two.cif");
}

TEST(ReadCif, ReportsMalformedFilesWithTheirPlace) {
  struct Case {
    const char* name;
    std::string text;
    std::string message;
  };
  const std::string co2 = CarbonDioxide;
  const Case cases[] = {
      {"unclosed quote", Replace(co2, "'P -1'", "'P -1"), "co2.cif:8:"},
      {"short loop", co2 + "loop_\n_a_b\n_a_c\n1 2 3\n", "co2.cif:"},
      {"missing cell length",
       Replace(co2, "_cell_length_b 6.0\n", ""), "co2.cif: data block 'co2': no _cell_length_b"},
      {"unknown cell length",
       Replace(co2, "_cell_length_b 6.0", "_cell_length_b ?"),
       "co2.cif: data block 'co2', line 3: _cell_length_b is not given ('?')"},
      {"flat cell", Replace(co2, "_cell_angle_gamma 90", "_cell_angle_gamma 0"), "has no volume"},
      {"coordinate not a number",
       Replace(co2, "O1 0.1000(2)", "O1 0.1a00(2)"),
       "co2.cif: data block 'co2', the loop at line 9, row 2 (O1): _atom_site_fract_x '0.1a00(2)' is not a "
       "number"},
      {"coordinate far outside the cell", Replace(co2, "O1 0.1000(2)", "O1 1E300(2)"),
       "row 2 (O1): _atom_site_fract_x '1E300(2)' lies more than 1000000 cells from the origin"},
      {"unknown space group", Replace(co2, "'P -1'", "'P 9'"), "line 8: the space group 'P 9' is not known"},
      {"space group number out of range",
       Replace(co2, "_symmetry_space_group_name_H-M 'P -1'", "_space_group_IT_number 99999999999"),
       "line 8: the space group '99999999999' is not known"},
      {"bad operator",
       Replace(co2, "_symmetry_space_group_name_H-M 'P -1'",
               "loop_\n_symmetry_equiv_pos_as_xyz\nx,y,z\n'-x,-y'"),
       "_symmetry_equiv_pos_as_xyz '-x,-y' is not an operator"},
      {"operator with a long number",
       Replace(co2, "_symmetry_space_group_name_H-M 'P -1'",
               "loop_\n_symmetry_equiv_pos_as_xyz\nx,y,z\n'-x,55555555555555555555y+1/2,-z'"),
       "'-x,55555555555555555555y+1/2,-z' is not an operator (a number of more than three digits)"},
      {"no symmetry", Replace(co2, "_symmetry_space_group_name_H-M 'P -1'\n", ""),
       "co2.cif: data block 'co2': no symmetry operators and no space group"},
      {"no atoms", "data_empty\n_cell_length_a 5\n", "co2.cif: no data block holds atom sites"},
      {"no coordinates loop", Replace(co2, "_atom_site_fract_z\n", "_atom_site_u\n"),
       "no _atom_site_label with _atom_site_fract_x, _y and _z"},
      {"polymer",  // a chain of carbon atoms 1.5 Å apart along a
       Replace(Replace(co2, "_cell_length_a 11.6", "_cell_length_a 3.0"), "O1 0.1000(2) 0 0",
               "C2 0.5 0 0"),
       "the symmetry images of the atoms bond without end"},
      {"empty text", "", "co2.cif: no data block"},
      {"binary junk", std::string("\x01\x02\xff data_x", 10), "co2.cif:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::ExpectStructureError([&] { ReadCif(c.text, "co2.cif"); }, c.message);
  }
}

TEST(ReadPdb, ReadsEveryModelAndTheFirstAlternateLocation) {
  const std::vector<Structure> structures =
      ReadPdb(ReadFile(ExamplePath("c60_models.pdb")), "c60_models.pdb");
  ASSERT_EQ(structures.size(), 1u);
  const Structure& s = structures[0];
  ASSERT_EQ(s.frames.size(), 2u);
  EXPECT_EQ(s.frames[0].name, "model 1");
  EXPECT_EQ(s.frames[1].name, "model 2");
  for (const StructureFrame& frame : s.frames) {
    ASSERT_EQ(frame.atoms.size(), 60u);
    for (const StructureAtom& atom : frame.atoms) {
      EXPECT_EQ(atom.element, "C");
      EXPECT_EQ(atom.sigma, (std::array<double, 3>{0, 0, 0}));
    }
  }
  // Location A of C1 (the ideal atom), not B 0.25 Å along x.
  EXPECT_NEAR(s.frames[0].atoms[0].position[0], -0.728, 1e-6);
  EXPECT_TRUE(HasNote(s.frames[0], "left out 1 atoms"));
  EXPECT_TRUE(s.frames[1].notes.empty());
  // Model 2 is stretched by 4 % along x.
  EXPECT_NEAR(s.frames[1].atoms[1].position[0], s.frames[0].atoms[1].position[0] * 1.04, 1e-3);
}

TEST(ReadPdb, KeepsAtomsOfOneResidueThatShareAName) {
  const std::string text =
      "HETATM    1  C   C60 A   1       1.000   2.000   3.000  1.00 10.00           C\n"
      "HETATM    2  C   C60 A   1       2.000   2.000   3.000  1.00 10.00           C\n"
      "END\n";
  const std::vector<Structure> structures = ReadPdb(text, "same.pdb");
  ASSERT_EQ(structures.at(0).frames.size(), 1u);
  EXPECT_EQ(structures[0].frames[0].atoms.size(), 2u);
  EXPECT_EQ(structures[0].frames[0].name, "");  // one model: the frame needs no name
}

TEST(ReadPdb, ReportsFilesWithoutAtoms) {
  EXPECT_THROW(ReadPdb("HEADER    NOTHING\nEND\n", "none.pdb"), StructureError);
  EXPECT_THROW(ReadPdb("", "none.pdb"), StructureError);
}

TEST(ReadCif, ReadsTheModelsOfAnMmcifBlock) {
  const std::string text = R"(data_1ABC
loop_
_atom_site.group_PDB
_atom_site.id
_atom_site.type_symbol
_atom_site.label_atom_id
_atom_site.label_alt_id
_atom_site.label_comp_id
_atom_site.label_asym_id
_atom_site.label_seq_id
_atom_site.Cartn_x
_atom_site.Cartn_y
_atom_site.Cartn_z
_atom_site.occupancy
_atom_site.B_iso_or_equiv
_atom_site.auth_seq_id
_atom_site.pdbx_PDB_model_num
HETATM 1 C C1 A C60 A . 1.0 2.0 3.0 0.6 10 1 1
HETATM 2 C C1 B C60 A . 1.5 2.0 3.0 0.4 10 1 1
HETATM 3 C C2 . C60 A . 2.0 2.0 3.0 1.0 10 1 1
HETATM 4 C C1 . C60 A . 1.1 2.1 3.1 1.0 10 1 2
HETATM 5 C C2 . C60 A . 2.1 2.1 3.1 1.0 10 1 2
)";
  const std::vector<Structure> structures = ReadCif(text, "1abc.cif");
  ASSERT_EQ(structures.size(), 1u);
  EXPECT_EQ(structures[0].name, "1ABC");
  ASSERT_EQ(structures[0].frames.size(), 2u);
  EXPECT_EQ(structures[0].frames[0].atoms.size(), 2u);
  EXPECT_EQ(structures[0].frames[0].atoms[0].position[0], 1.0);
  EXPECT_EQ(structures[0].frames[1].name, "model 2");
  EXPECT_EQ(structures[0].frames[1].atoms[1].position[2], 3.1);
  EXPECT_TRUE(HasNote(structures[0].frames[0], "left out 1 atoms"));

  // Without auth_seq_id gemmi finds no atom table.
  test::ExpectStructureError(
      [&] { ReadCif(Replace(text, "_atom_site.auth_seq_id\n", "_atom_site.other\n"), "1abc.cif"); },
      "1abc.cif: data block '1ABC': the _atom_site category");
  // gemmi would read a serial number beyond an int's range with an overflow.
  test::ExpectStructureError(
      [&] { ReadCif(Replace(text, "HETATM 4 C", "HETATM 12345678901 C"), "1abc.cif"); },
      "1abc.cif: data block '1ABC', line 2: _atom_site.id '12345678901' holds a number too large "
      "to read");
}

}  // namespace
}  // namespace ovalon
