#pragma once
// The analysis state shared by every operation of the window: all zero at program start.

#include <array>

#include "core/extended.h"
#include "view3d/scene/moleculescene.h"

namespace ovalon {

/// Every variable that passes between operations. Nothing is reset between runs except by being
/// overwritten; operations may run in any order and read whatever is stored at that moment.
struct AnalysisState {
  PointSet AtomCoords;         ///< the 60 atoms as read from the first pane (Å)
  AtomValues AtomMaxDistance;  ///< [i]: largest distance from atom i to any atom
  PointSet CoordErrors;        ///< uncertainties of the atom coordinates
  PointSet TransformedCoords;  ///< the atoms in the ellipsoid's canonical frame

  QuadricForm FitParams;           ///< the last fitted quadric
  QuadricForm FitErrors;           ///< uncertainties of FitParams
  Extended InversePrecision = 0;   ///< threshold of the guarded matrix inversions (Edit6)
  Extended RotationPrecision = 0;  ///< stop threshold of the rotation method (Edit7)

  std::array<double, 3> SemiAxes{};        ///< the ellipsoid's semi-axis lengths
  std::array<double, 3> DiagonalStart{};   ///< the longest chord's end nearer to the origin
  std::array<double, 3> DiagonalEnd{};     ///< its other end
  std::array<double, 3> DiagonalVector{};  ///< DiagonalEnd − DiagonalStart
  double DiagonalLength = 0;               ///< the longest chord's length
  std::array<double, 3> EllipsoidCentre{};

  // The 3D scene's objects, each slot empty or owning one child of the scene root.
  AtomSphereSlots AtomSpheres;  ///< [i]: the sphere of atom i
  AtomLabelSlots AtomLabels;    ///< [i]: the number of atom i
  BondLineSlots BondLines;      ///< (i, k): the line to the k-th nearest atom; filled as a prefix
  AxisLabelSlots AxisLabels;    ///< the labels "x", "y", "z"

  NearestAtomTable NearestAtoms;          ///< (i, k): k-th nearest atom to atom i
  NearestDistanceTable NearestDistances;  ///< (i, k): its distance, ascending in k

  ovalon::SceneSettings SceneSettings;
};

}  // namespace ovalon
