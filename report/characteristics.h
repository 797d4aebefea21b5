#pragma once
// The characteristics of the fitted ellipsoid: its canonical form, the report of every step of
// the reduction, and the atoms in the ellipsoid's own frame.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/extended.h"
#include "ellipsoid/uncertainty.h"

namespace ovalon {

/// What a characteristics run reads.
struct CharacteristicsInput {
  QuadricForm fitParams, fitErrors;
  Extended inversePrecision = 0, rotationPrecision = 0;
  PointSet atomCoords, coordErrors;
  bool transformCoordinates = true;  ///< CheckBox1: transform the atoms into the canonical frame
  bool showCoordinates = false;      ///< CheckBox2: list the transformed atoms and their errors
};

/// What a characteristics run stores and appends.
struct CharacteristicsResult {
  bool ran = false;  ///< false when there was no fit yet: nothing to store or append
  std::array<double, 3> ellipsoidCentre{}, semiAxes{};
  PointSet transformedCoords;      ///< the atoms in the canonical frame, or a copy of atomCoords
  std::vector<std::string> lines;  ///< the whole report, UTF-8
};

/// The three "Experimental" blocks and the semi-axes with their uncertainties.
struct ExperimentalReport {
  std::vector<std::string> lines;
  ValuesWithErrors semiAxes;
};

/// The blocks "Experimental L", "Experimental B" and, after one empty line,
/// "Experimental ABC", from PropagateUncertainties. Throws SingularMatrixError as it does.
ExperimentalReport ReportExperimental(const QuadricForm& q, const QuadricForm& e,
                                      Extended inversePrecision, Extended rotationPrecision,
                                      std::string_view separator);

/// The largest of three integers (the first one met on ties).
int MaxOfThree(int l1, int l2, int l3);

/// The whole characteristics run: centre, invariants, the reduction to canonical form, the
/// "Experimental" uncertainty blocks, axis lengths, volume, surface and, as the check boxes
/// ask, the transformed atoms. Throws SingularMatrixError when the quadratic part or the
/// eigenvector matrix is singular to the inverse precision; nothing of the run may then be used.
/// Every number of the report is written with `separator`.
CharacteristicsResult RunCharacteristics(const CharacteristicsInput& input,
                                         std::string_view separator);

}  // namespace ovalon
