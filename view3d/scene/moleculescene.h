#pragma once
// The molecule scene: atoms as spheres coloured by the side of the fitted quadric they lie on,
// lines to the nearest atoms shaded green by length, atom numbers and axis labels facing the
// camera, and the view settings that style them.

#include <array>
#include <cstdint>
#include <optional>

#include "core/extended.h"
#include "view3d/scene/glcamera.h"
#include "view3d/scene/globjects.h"

namespace ovalon {

/// The view settings of the 3D scene (bond colours and widths, sphere radius, bond threshold).
struct SceneSettings {
  int BondGreenBase = 0;        ///< green level of a bond of ordinary length (TrackBar1)
  double BondLineWidth = 0;     ///< width of bond lines in pixels (TrackBar2 / 10)
  double AtomRadius = 0;        ///< radius of the atom spheres (TrackBar3 / 1000)
  double BondThreshold = 0;     ///< largest distance drawn as a bond (TrackBar4 / 100)
  double BondColorDivisor = 0;  ///< divisor of the bond colour function
  int SelfPowerCount = 0;       ///< steps of the bond colour function
};

/// (i, k): the number 1..60 of the k-th nearest atom to atom i, k = 1..3.
using NearestAtomTable = FixedMatrix<AtomCount, 3, int>;
/// (i, k): the distance from atom i to its k-th nearest atom, ascending in k.
using NearestDistanceTable = FixedMatrix<AtomCount, 3, double>;

/// The scene objects owned through slots: empty (null) or one child of the scene root.
using AtomSphereSlots = FixedVector<AtomCount, TGLSphere*>;
using AtomLabelSlots = FixedVector<AtomCount, TGLSpaceText*>;
using BondLineSlots = FixedMatrix<AtomCount, 3, TGLLines*>;
/// The axis labels x, y, z (indices 1..3).
using AxisLabelSlots = FixedVector<3, TGLSpaceText*>;

/// A track-bar position divided by `divisor` in extended precision, rounded once to 64 bits.
double TrackBarSetting(int position, int divisor);

/// The three nearest atoms of every atom in `coords`, nearest first; equal distances keep
/// ascending atom numbers. Distances are computed in extended precision, stored as 64 bits.
void FindNearestAtoms(const PointSet& coords, NearestAtomTable& atoms,
                      NearestDistanceTable& distances);

/// x := x^x, `n` times (none for n ≤ 0), in extended precision with 0^0 = 1.
Extended SelfPower(int n, Extended x);

/// BondGreenBase − Round(SelfPower(SelfPowerCount, d) / BondColorDivisor), rounding halves to
/// even; no level when the quotient is not finite or outside the 64-bit integer range.
std::optional<std::int64_t> BondGreenLevel(double d, const SceneSettings& settings);

/// Colours `line` opaque RGB (0, level, 0) when the level of length `d` lies in 0..255;
/// otherwise the line keeps its colour.
void ApplyBondColor(TGLLines& line, double d, const SceneSettings& settings);

/// F = a11·x² + a22·y² + a33·z² + 2·a12·x·y + 2·a23·y·z + 2·a13·x·z + 2·b1·x + 2·b2·y +
/// 2·b3·z + 1 of the quadric `form` at (x, y, z), in extended precision, summed in that order.
Extended QuadricValueAt(const QuadricForm& form, double x, double y, double z);

/// Opaque blue where F > 0, opaque red where F ≤ 0 or F is not a number.
SceneColor AtomColor(Extended quadricValue);

/// Turns `object` about the vertical to face the bearing of `camera`'s position: Direction
/// the unit vector towards the camera, then Up (0, 1, 0).
void FaceCamera(TGLSceneObject& object, const TGLCamera& camera);

/// The design-time components that the molecule scene is built with.
struct MoleculeView {
  TGLSceneObject* root = nullptr;     ///< new objects are appended here
  const TGLCamera* camera = nullptr;  ///< the labels face it
  TGLPoints* points = nullptr;        ///< one position per atom; carries the axes
};

/// What a build reads from the analysis.
struct MoleculeData {
  PointSet transformedCoords;  ///< positions drawn (the ellipsoid's frame)
  PointSet atomCoords;         ///< file coordinates, for the atom colours
  QuadricForm fitParams;       ///< the fitted quadric, for the atom colours
  std::array<double, 3> semiAxes{};
};

/// True when |a1| + |a2| + |a3| (extended) is neither 0 nor not a number: the scene is built.
bool HasEllipsoid(const std::array<double, 3>& semiAxes);

/// Builds or rebuilds the molecule: empties the points, recomputes the neighbour tables, then,
/// only when HasEllipsoid, replaces every sphere, bond line (distance ≤ BondThreshold) and
/// atom label (made only when `withLabels`), atom by atom.
void BuildMoleculeScene(const MoleculeView& view, const MoleculeData& data,
                        const SceneSettings& settings, bool withLabels,
                        NearestAtomTable& nearestAtoms, NearestDistanceTable& nearestDistances,
                        AtomSphereSlots& spheres, BondLineSlots& bondLines, AtomLabelSlots& labels);

/// Only when HasEllipsoid(data.semiAxes): replaces every atom label by a new one with the atom's
/// number at its position in data.transformedCoords, facing the camera.
void CreateAtomLabels(const MoleculeView& view, const MoleculeData& data, AtomLabelSlots& labels);

/// Destroys every atom label and empties its slot.
void DestroyAtomLabels(AtomLabelSlots& labels);

/// Replaces the axis labels by "x", "y", "z" at distance 7 on their axes, facing the camera,
/// and shows the axes of the points object.
void CreateAxisLabels(const MoleculeView& view, AxisLabelSlots& labels);

/// Destroys the axis labels, empties their slots and hides the axes of the points object.
void DestroyAxisLabels(const MoleculeView& view, AxisLabelSlots& labels);

/// Recolours every existing bond line by the bond colour rule with its stored distance.
void RecolorBondLines(BondLineSlots& bondLines, const NearestDistanceTable& distances,
                      const SceneSettings& settings);

/// Sets the width of every existing bond line.
void SetBondLineWidths(BondLineSlots& bondLines, double width);

/// Sets the radius of every existing atom sphere.
void SetAtomRadii(AtomSphereSlots& spheres, double radius);

/// Turns every existing atom label to the camera.
void FaceAtomLabels(AtomLabelSlots& labels, const TGLCamera& camera);

/// Turns the axis labels x, y, z to the camera, when the x label exists.
void FaceAxisLabels(AxisLabelSlots& labels, const TGLCamera& camera);

/// 1.1^(wheelDelta / 120) in extended precision, rounded to 32 bits: the distance ratio of a
/// wheel turn (120 per notch, positive away from the user).
float WheelDistanceRatio(int wheelDelta);

}  // namespace ovalon
