#include "analysis/cagefinder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "examples/molecules.h"

namespace ovalon {
namespace {

using examples::Molecule;

std::vector<FrameAtom> Frame(const Molecule& molecule) {
  std::vector<FrameAtom> atoms;
  for (const auto& atom : molecule)
    atoms.push_back(
        {IsCarbonSymbol(atom.element), atom.position[0], atom.position[1], atom.position[2]});
  return atoms;
}

std::vector<int> Indices(int first, int count) {
  std::vector<int> indices(count);
  std::iota(indices.begin(), indices.end(), first);
  return indices;
}

Molecule Joined(const std::vector<Molecule>& parts) {
  Molecule joined;
  for (const Molecule& part : parts) joined.insert(joined.end(), part.begin(), part.end());
  return joined;
}

Molecule C60WithTwoToluenes() {
  return Joined({examples::Toluene({0, 0, 7.2}, {1, 0, 0}, {0, 1, 0}), examples::C60(),
                 examples::Toluene({-7.2, 0, 0}, {0, 1, 0}, {0, 0, 1})});
}

/// 46 carbon atoms 2.0 Å apart on a grid: no two are bonded.
Molecule ScatteredCarbon() {
  Molecule atoms;
  for (int k = 0; k < 46; ++k)
    atoms.push_back({"C", {2.0 * (k % 4), 2.0 * (k / 4 % 4), 2.0 * (k / 16)}});
  return atoms;
}

struct ExpectedCage {
  std::vector<int> atoms;
  int openBonds;
};

struct DetectionCase {
  const char* name;
  std::function<Molecule()> build;
  std::vector<ExpectedCage> cages;
};

// The cage atoms follow from how each structure is put together: a cage's own atoms come first
// in its builder, addends and guests after them. The open bonds of the damaged cages are counted
// by hand: removing an atom of C60 opens its pentagon and two hexagons, whose 3 + 4 + 4 other
// bonds are then in one ring each; the Diels–Alder ring adds its four carbon atoms to the ring
// system, and its six bonds are in one ring each except the cage bond it shares, in three.
TEST(FindCages, FindsEachCageAndOnlyItsAtoms) {
  const DetectionCase cases[] = {
      {"C60", examples::C60, {{Indices(0, 60), 0}}},
      {"C70", examples::C70, {{Indices(0, 70), 0}}},
      {"C84", examples::C84, {{Indices(0, 84), 0}}},
      {"Sc3N@C80: the guest is left out", examples::Sc3NC80, {{Indices(0, 80), 0}}},
      {"C70 far from the origin, at negative coordinates",
       [] {
         return examples::Translated(examples::C70(), {-1000.3, 250.7, -3.1});
       },
       {{Indices(0, 70), 0}}},
      {"C60 between two toluenes", C60WithTwoToluenes, {{Indices(15, 60), 0}}},
      {"methanofullerene: bridge, phenyl and chain left out",
       examples::MethanoC60Adduct,
       {{Indices(0, 60), 0}}},
      {"[2+2] dimer: two cages", examples::C60Dimer, {{Indices(0, 60), 0}, {Indices(60, 60), 0}}},
      {"toluene, C60, toluene and the methanofullerene",
       examples::C60TolueneAdductFrame,
       {{Indices(15, 60), 0}, {Indices(90, 60), 0}}},
      {"C60 without its first atom",
       [] {
         Molecule cage = examples::C60();
         cage.erase(cage.begin());
         return cage;
       },
       {{Indices(0, 59), 11}}},
      {"C60 whose first atom has an undefined coordinate: it bonds with nothing",
       [] {
         Molecule cage = examples::C60();
         cage[0].position[1] = std::nan("");
         return cage;
       },
       {{Indices(1, 59), 11}}},
      {"Diels-Alder adduct: the fused ring joins the system",
       examples::DielsAlderC60Adduct,
       {{Indices(0, 64), 6}}},
  };
  for (const DetectionCase& c : cases) {
    SCOPED_TRACE(c.name);
    const CageSearch search = FindCages(Frame(c.build()));
    ASSERT_EQ(search.cages.size(), c.cages.size());
    for (std::size_t k = 0; k < c.cages.size(); ++k) {
      EXPECT_EQ(search.cages[k].atoms, c.cages[k].atoms);
      EXPECT_EQ(search.cages[k].openBonds, c.cages[k].openBonds);
    }
    EXPECT_EQ(search.message, "");
  }
}

TEST(FindCages, SaysWhatItFoundWhenThereIsNoCage) {
  const struct {
    const char* name;
    Molecule molecule;
    double cutoff;
    const char* message;
  } cases[] = {
      {"scattered atoms", ScatteredCarbon(), 1.8,
       "46 carbon atoms, no ring system of at least 20 atoms"},
      {"toluene only", examples::Toluene({0, 0, 0}, {1, 0, 0}, {0, 1, 0}), 1.8,
       "7 carbon atoms, no ring system of at least 20 atoms (the largest has 6)"},
      {"C60 with a cutoff below its bonds", examples::C60(), 1.3,
       "60 carbon atoms, no ring system of at least 20 atoms"},
      {"no carbon", {{"N", {0, 0, 0}}, {"Sc", {2, 0, 0}}}, 1.8, "no carbon atoms"},
      {"empty frame", {}, 1.8, "no carbon atoms"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CageSearch search = FindCages(Frame(c.molecule), {c.cutoff});
    EXPECT_TRUE(search.cages.empty());
    EXPECT_EQ(search.message, c.message);
  }
}

TEST(FindCages, RefusesACutoffThatIsNoDistance) {
  for (double cutoff : {0.0, -1.0, std::nan(""), HUGE_VAL})
    EXPECT_THROW(FindCages(Frame(examples::C60()), {cutoff}), std::invalid_argument) << cutoff;
}

TEST(CarbonCage, TakesEveryCarbonAtom) {
  // The methanofullerene's atoms: 60 of the cage, the bridge, six of the phenyl ring and its
  // five hydrogens, then the chain's C, C, C, C, O, C.
  const CageSearch search = CarbonCage(Frame(examples::MethanoC60Adduct()));
  ASSERT_EQ(search.cages.size(), 1u);
  std::vector<int> carbons = Indices(0, 67);
  for (int k : {72, 73, 74, 75, 77}) carbons.push_back(k);
  EXPECT_EQ(search.cages[0].atoms, carbons);
  EXPECT_EQ(CarbonCage(Frame({{"H", {0, 0, 0}}})).message, "no carbon atoms");
}

TEST(ParseAtomList, ReadsNumbersAndRanges) {
  const std::vector<AtomRange> list = ParseAtomList(" 75, 1-3 ,10 - 12,2147483647");
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].first, 75);
  EXPECT_EQ(list[0].last, 75);
  EXPECT_EQ(list[1].first, 1);
  EXPECT_EQ(list[1].last, 3);
  EXPECT_EQ(list[2].first, 10);
  EXPECT_EQ(list[2].last, 12);
  EXPECT_EQ(list[3].first, 2147483647);
}

TEST(ParseAtomList, NamesWhatIsWrong) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "the atom list is empty"},
      {"  ", "the atom list is empty"},
      {"1,,2", "item 2 of the atom list is empty"},
      {"1-60,", "item 2 of the atom list is empty"},
      {",5", "item 1 of the atom list is empty"},
      {"0", "\"0\": atom numbers start at 1"},
      {"0-5", "\"0-5\": atom numbers start at 1"},
      {"60-1", "\"60-1\": the range ends before it starts"},
      {"a", "\"a\" is not an atom number or a range such as 1-60"},
      {"1.5", "\"1.5\" is not an atom number or a range such as 1-60"},
      {"-5", "\"-5\" is not an atom number or a range such as 1-60"},
      {"1-", "\"1-\" is not an atom number or a range such as 1-60"},
      {"1-2-3", "\"1-2-3\" is not an atom number or a range such as 1-60"},
      {"+7", "\"+7\" is not an atom number or a range such as 1-60"},
      {"2147483648", "\"2147483648\": atom number too large"},
      {"99999999999999999999999", "\"99999999999999999999999\": atom number too large"},
      {"3,3", "atom 3 is listed twice"},
      {"1-60,30", "atom 30 is listed twice"},
      {"50-70,1-10,5", "atom 5 is listed twice"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      ParseAtomList(c.text);
      ADD_FAILURE() << "no error";
    } catch (const AtomListError& error) {
      EXPECT_EQ(std::string(error.what()), c.message);
    }
  }
}

TEST(ListedCage, TakesTheListedAtomsOfTheFrame) {
  const FoundCage cage = ListedCage(ParseAtomList("75,1-3"), 75);
  EXPECT_EQ(cage.atoms, (std::vector<int>{0, 1, 2, 74}));

  const struct {
    const char* list;
    int frameAtoms;
    const char* message;
  } cases[] = {
      {"1-61", 60, "atom 61 is listed, but the frame has 60 atoms"},
      {"1,70-80", 60, "atom 70 is listed, but the frame has 60 atoms"},
      {"2", 1, "atom 2 is listed, but the frame has 1 atom"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.list);
    try {
      ListedCage(ParseAtomList(c.list), c.frameAtoms);
      ADD_FAILURE() << "no error";
    } catch (const AtomListError& error) {
      EXPECT_EQ(std::string(error.what()), c.message);
    }
  }
}

/// The largest distance from an atom of `cage` moved by `operation` to the nearest atom.
double SymmetryError(const Molecule& cage,
                     const std::function<examples::Vec(examples::Vec)>& operation) {
  double worst = 0;
  for (const auto& atom : cage) {
    const examples::Vec moved = operation(atom.position);
    double nearest = 1e300;
    for (const auto& other : cage)
      nearest =
          std::min(nearest, std::hypot(moved[0] - other.position[0], moved[1] - other.position[1],
                                       moved[2] - other.position[2]));
    worst = std::max(worst, nearest);
  }
  return worst;
}

examples::Vec TurnedAboutZ(const examples::Vec& p, double degrees) {
  const double a = degrees * std::acos(-1.0) / 180;
  return {std::cos(a) * p[0] - std::sin(a) * p[1], std::sin(a) * p[0] + std::cos(a) * p[1], p[2]};
}

// The relaxed cages keep the symmetry of their graphs: C70 its five-fold axis and mirror plane
// (D5h), C84 its four-fold improper axis (D2d), both along z. The relaxation stops when its
// steps no longer lower the energy, far below 0.001 Å.
TEST(ExampleCages, HaveTheirSymmetryAlongZ) {
  const Molecule c70 = examples::C70(), c84 = examples::C84();
  EXPECT_LT(SymmetryError(c70, [](examples::Vec p) { return TurnedAboutZ(p, 72); }), 1e-3);
  EXPECT_LT(SymmetryError(c70,
                          [](examples::Vec p) {
                            return examples::Vec{p[0], p[1], -p[2]};
                          }),
            1e-3);
  EXPECT_LT(SymmetryError(c84,
                          [](examples::Vec p) {
                            const examples::Vec q = TurnedAboutZ(p, 90);
                            return examples::Vec{q[0], q[1], -q[2]};
                          }),
            1e-3);
  // C70 is prolate along its axis: its polar atoms are further out than its equator.
  double polar = 0, equatorial = 0;
  for (const auto& atom : c70) {
    polar = std::max(polar, std::fabs(atom.position[2]));
    equatorial = std::max(equatorial, std::hypot(atom.position[0], atom.position[1]));
  }
  EXPECT_GT(polar, equatorial + 0.3);
}

TEST(ExampleCages, HaveThreeBondsOfFullereneLengthAtEveryAtom) {
  for (const Molecule& cage : {examples::C70(), examples::C80(), examples::C84()}) {
    SCOPED_TRACE(cage.size());
    for (const auto& atom : cage) {
      int bonds = 0;
      for (const auto& other : cage) {
        const double d =
            std::hypot(atom.position[0] - other.position[0], atom.position[1] - other.position[1],
                       atom.position[2] - other.position[2]);
        if (d > 0 && d < 1.8) {
          ++bonds;
          EXPECT_GT(d, 1.37);
          EXPECT_LT(d, 1.47);
        }
      }
      EXPECT_EQ(bonds, 3);
    }
  }
}

}  // namespace
}  // namespace ovalon
