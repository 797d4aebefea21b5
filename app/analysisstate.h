#pragma once
// The analysis state shared by every operation of the window: all zero at program start.

#include <array>

#include "core/extended.h"

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

  // The scene object slots AtomSpheres (60), AtomLabels (60), BondLines (60 × 3) and
  // AxisLabels (3) join here with the 3D scene classes; DestroySceneObjects (app/sceneslots.h)
  // empties the first three when the window closes.

  FixedMatrix<AtomCount, 3, int> NearestAtoms;         ///< (i, k): k-th nearest atom to atom i
  FixedMatrix<AtomCount, 3, double> NearestDistances;  ///< (i, k): its distance, ascending in k

  ovalon::SceneSettings SceneSettings;
};

}  // namespace ovalon
