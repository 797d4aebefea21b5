// Disorder selection and molecule completion on hand-built asymmetric units.

#include "structure/smallmolecule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ovalon {
namespace {

AtomSite Site(const std::string& label, double occupancy, const std::string& assembly,
              const std::string& group) {
  AtomSite site;
  site.label = label;
  site.element = "C";
  site.occupancy = occupancy;
  site.disorderAssembly = assembly;
  site.disorderGroup = group;
  return site;
}

std::string Labels(const std::vector<AtomSite>& sites) {
  std::string text;
  for (const AtomSite& site : sites) text += site.label + " ";
  return text;
}

TEST(SelectDisorder, KeepsTheMajorPartOrGroupOneOnATie) {
  struct Case {
    const char* name;
    std::vector<AtomSite> sites;
    std::string kept;
    std::vector<std::string> notes;
  };
  const Case cases[] = {
      {"major part is group 2",
       {Site("C1", 1, "", ""), Site("C2A", 0.3, "", "1"), Site("C2B", 0.7, "", "2"),
        Site("C3B", 0.7, "", "2")},
       "C1 C2B C3B ",
       {"disorder: left out group 1 (occupancy 0.3): C2A; kept group 2 (occupancy 0.7)"}},
      {"tie keeps group 1 even when listed second",
       {Site("C2B", 0.5, "", "2"), Site("C2A", 0.5, "", "1")},
       "C2A ",
       {"disorder: left out group 2 (occupancy 0.5): C2B; kept group 1 (occupancy 0.5)"}},
      {"tie without group 1 keeps the first group met",
       {Site("C2C", 0.5, "", "3"), Site("C2B", 0.5, "", "2")},
       "C2C ",
       {"disorder: left out group 2 (occupancy 0.5): C2B; kept group 3 (occupancy 0.5)"}},
      {"assemblies choose on their own",
       {Site("C1A", 0.6, "A", "1"), Site("C1B", 0.4, "A", "2"), Site("O1A", 0.2, "B", "1"),
        Site("O1B", 0.8, "B", "2")},
       "C1A O1B ",
       {"disorder: left out group 2 of assembly A (occupancy 0.4): C1B; kept group 1 "
        "(occupancy 0.6)",
        "disorder: left out group 1 of assembly B (occupancy 0.2): O1A; kept group 2 "
        "(occupancy 0.8)"}},
      {"no disorder", {Site("C1", 0.5, "", ""), Site("C2", 1, "", "")}, "C1 C2 ", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> notes;
    EXPECT_EQ(Labels(SelectDisorder(c.sites, notes)), c.kept);
    EXPECT_EQ(notes, c.notes);
  }
}

TEST(CompleteMolecules, CompletesAHalfCageOnAMirrorPlane) {
  // A square of four carbon atoms 1.4 Å apart in a cubic 10 Å cell, cut in half by the
  // mirror x,y,-z: the asymmetric unit holds the two atoms at z > 0, and a third on the
  // mirror itself, which must stay single.
  AsymmetricUnit unit;
  unit.cell.value = {10, 10, 10, 90, 90, 90};
  unit.symmetrySource = "test";
  SymmetryOperator mirror = IdentityOperator();
  mirror.rotation[2][2] = -1;
  unit.operators = {IdentityOperator(), mirror};
  for (const auto& [label, f] : {std::pair{"C1", Triple{0.5, 0.5, 0.07}},
                                 std::pair{"C2", Triple{0.64, 0.5, 0.07}},
                                 std::pair{"C3", Triple{0.36, 0.5, 0.0}}}) {
    AtomSite site;
    site.label = label;
    site.element = "C";
    site.fractional = f;
    unit.sites.push_back(site);
  }
  const StructureFrame frame = CompleteMolecules(unit, "test");
  ASSERT_EQ(frame.atoms.size(), 5u);
  int images = 0;
  for (const StructureAtom& atom : frame.atoms) {
    if (atom.image.empty()) continue;
    ++images;
    EXPECT_EQ(atom.image, "x,y,-z");
    EXPECT_NEAR(atom.position[2], -0.7, 1e-12);
  }
  EXPECT_EQ(images, 2);
}

}  // namespace
}  // namespace ovalon
