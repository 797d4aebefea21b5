#pragma once
// Model structures of fullerenes, their adducts and solvent molecules, for the sample files
// and as fixtures of the tests.

#include <array>
#include <string>
#include <vector>

namespace ovalon::examples {

using Vec = std::array<double, 3>;

struct Atom {
  std::string element;  ///< element symbol, e.g. "C"
  Vec position;         ///< Å
};

using Molecule = std::vector<Atom>;

/// A fullerene's bond graph: atom a is bonded to neighbours[a][0..2]; faces lists every face
/// as its atoms in cyclic order.
struct FullereneGraph {
  std::vector<std::array<int, 3>> neighbours;
  std::vector<std::vector<int>> faces;
};

/// The fullerene whose faces, taken in a spiral, have the pentagons at the 1-based spiral
/// positions `pentagons` (twelve of `faceCount` faces); throws std::invalid_argument when the
/// spiral does not close into a fullerene.
FullereneGraph WindUpSpiral(int faceCount, const std::array<int, 12>& pentagons);

/// Coordinates for a fullerene graph: topological coordinates (eigenvectors of the adjacency
/// matrix) relaxed by a force field that keeps bonds of 1.455 Å beside pentagons and 1.391 Å
/// between hexagons, and the angles of pentagons at 108° and of hexagons at 120°; centred,
/// with the principal axes of the atoms along x, y, z and the most distinct one along z.
std::vector<Vec> FullereneCoordinates(const FullereneGraph& graph);

/// The truncated icosahedron with bonds of 1.391 and 1.455 Å, centred at the origin.
std::vector<Vec> IdealC60();

Molecule Carbons(const std::vector<Vec>& positions);
Molecule C60();
Molecule C70();  ///< D5h, five-fold axis along z
Molecule C80();  ///< Ih
Molecule C84();  ///< D2d, S4 axis along z
/// Sc3N@C80: the 80 cage atoms, then N at the centre and three Sc 2.0 Å from it.
Molecule Sc3NC80();
/// C60 with a methano bridge carbon on a 6:6 bond bearing a phenyl ring and a butyric methyl
/// ester chain, hydrogens included; the 60 cage atoms come first.
Molecule MethanoC60Adduct();
/// C60 with a cyclohexene ring fused onto a 6:6 bond (cage atoms first, then the ring's four
/// carbons, then hydrogens).
Molecule DielsAlderC60Adduct();
/// Two C60 joined by a four-membered ring between 6:6 bonds (60 atoms of each, in turn).
Molecule C60Dimer();
/// Toluene with its ring centred at `centre`, the ring in the plane of the unit vectors
/// `axis` (towards the methyl group) and `inPlane`.
Molecule Toluene(const Vec& centre, const Vec& axis, const Vec& inPlane);
/// A frame of several molecules: a toluene, C60, a second toluene and the methano adduct.
Molecule C60TolueneAdductFrame();

Molecule Translated(Molecule molecule, const Vec& shift);

/// The text of one XYZ frame: the count line, `comment`, and "El x y z" lines.
std::vector<std::string> XyzLines(const Molecule& molecule, const std::string& comment);

}  // namespace ovalon::examples
