#pragma once
// Every result of the engine for one cage of the corpus, as texts: extended and 64-bit numbers in
// hexadecimal (%La, %a), report lines as they stand. This file is the one place that calls the
// engine, through its entry points: a 60-atom PointSet (or the same atoms as AtomPoints) in,
// results out.

#include <string>
#include <vector>

#include "tests/characterisation/cages.h"

namespace ovalon::characterisation {

/// One named result with its values, e.g. "coefficients" with A1..A9.
struct Quantity {
  std::string name;
  std::vector<std::string> values;
  bool alwaysHashed = false;  ///< recorded as a hash even for a case recorded in full
};

/// Runs the fits, the canonical form with its uncertainties, the window's reports, the
/// diagonals and the summary's analysis on the cage with its settings, in a fixed order.
std::vector<Quantity> Characterise(const Cage& cage);

/// The results of Characterise that depend on the number of atoms (the fits, the residuals and
/// the summary's analysis), computed once more with the cage as AtomPoints, whose size is
/// chosen at run time; each has the name of the same result of Characterise.
std::vector<Quantity> CharacteriseAtRunTimeSize(const Cage& cage);

}  // namespace ovalon::characterisation
