#pragma once
// The cages of the characterisation corpus: a deterministic set of varied 60-atom point sets
// with their uncertainties and the settings texts each is analysed with.
//
// Only IEEE 754 additions, subtractions, multiplications, divisions and square roots build the
// points, all correctly rounded, so every machine builds the same bits.

#include <cstdint>
#include <string>
#include <vector>

#include "core/extended.h"

namespace ovalon::characterisation {

/// The texts of the window's fit controls that a case is analysed with, and its Monte Carlo
/// draws for the summary.
struct CaseSettings {
  std::string inversePrecision = "1E-10";   ///< Edit6
  std::string rotationPrecision = "1E-20";  ///< Edit7
  bool leastSquares = true;                 ///< else Levenberg–Marquardt
  std::string cycles, start, lambda, step;  ///< Edit1..Edit4; empty means the default
  int monteCarloDraws = 0;
  std::uint64_t seed = 0;
};

/// One case of the corpus.
struct Cage {
  int index = 0;         ///< 0, 1, 2, … in corpus order
  std::string category;  ///< what the case exercises, e.g. "stretched"
  PointSet coords;       ///< Å
  PointSet sigma;        ///< coordinate uncertainties as the window reads them (any sign)
  CaseSettings settings;
  bool finite = true;  ///< false when a coordinate is not finite
};

/// Every case, in a fixed order.
std::vector<Cage> BuildCages();

}  // namespace ovalon::characterisation
