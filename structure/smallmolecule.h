#pragma once
// A small-molecule structure as a CIF data block holds it, and the completion of its molecules.

#include <array>
#include <string>
#include <vector>

#include "structure/cell.h"
#include "structure/structure.h"

namespace ovalon {

/// A symmetry operator f' = R·f + t in fractional coordinates.
struct SymmetryOperator {
  std::array<std::array<int, 3>, 3> rotation{};  ///< R, whole numbers
  std::array<int, 3> translation{};              ///< t in 24ths of a cell edge
};

/// The identity, x,y,z.
SymmetryOperator IdentityOperator();

/// The operator as a triplet such as "-x+1,y+1/2,-z+1/2".
std::string OperatorText(const SymmetryOperator& op);

/// One atom site of the asymmetric unit.
struct AtomSite {
  std::string label;
  std::string element;  ///< "C", "Cl"; "X" when it cannot be told
  Triple fractional{};
  Triple sigma{};  ///< standard uncertainties of the fractional coordinates
  double occupancy = 1;
  std::string disorderAssembly;  ///< empty when none
  std::string disorderGroup;     ///< empty when the site is not disordered ("." or "0")
};

/// The content of a small-molecule data block.
struct AsymmetricUnit {
  CellParameters cell;
  std::string cellText;  ///< as the file writes it, for people
  std::vector<SymmetryOperator> operators;  ///< every operator of the space group, centring included
  std::string symmetrySource;               ///< where the operators came from, for the notes
  std::vector<AtomSite> sites;
};

/// Keeps, in each disorder assembly, the sites of one group: the one of highest mean occupancy,
/// or group 1 (else the first group met) where occupancies tie. Sites outside any group are
/// kept. Appends a note for every group left out, naming its sites.
std::vector<AtomSite> SelectDisorder(const std::vector<AtomSite>& sites,
                                     std::vector<std::string>& notes);

/// Bonding distance of two elements: the sum of their covalent radii plus 0.45 Å.
double BondingDistance(const std::string& element1, const std::string& element2);

/// Sites closer than this (Å) are one site: a symmetry image that falls on an atom already
/// there, such as an atom on a special position, is not added again.
inline constexpr double SameSiteDistance = 0.5;

/// Completes the molecules of the asymmetric unit. A molecule grows from the first site that
/// no molecule holds yet: every symmetry image (operator and lattice translation) of a site
/// that lies within bonding distance of an atom already taken, and not on one, is added, until
/// none is. Atoms come molecule by molecule in the order found; an atom's `image` names the
/// operator with its translation, empty for a site where the file puts it. Cartesian positions
/// and uncertainties follow ToCartesian. Throws StructureError (message starting with `where`)
/// when the images never end, as in a polymer or a framework.
StructureFrame CompleteMolecules(const AsymmetricUnit& unit, const std::string& where);

}  // namespace ovalon
