#pragma once
// Cages from the sample files, for the tests of the analysis and of the summary.

#include <string>

#include "analysis/normalsampler.h"
#include "core/extended.h"
#include "input/coordinatereader.h"
#include "input/textfile.h"
#include "tests/support/files.h"

namespace ovalon::test {

/// The atoms of a sample file, e.g. "c60_ideal.xyz", as the window reads them.
inline PointSet ExampleAtoms(const std::string& name) {
  PointSet atoms, uncertainties;
  ReadCoordinates(DecodeTextLines(ReadFile(ExamplePath(name))), atoms, uncertainties);
  return atoms;
}

/// The ideal cage stretched 1.12 × 1 × 0.91 (as in the distorted example) with 0.01 Å of
/// noise; stretched so that the three semi-axes are well apart and their order is stable.
inline PointSet NoisyCage() {
  PointSet cage = ExampleAtoms("c60_ideal.xyz");
  NormalSampler noise(99, 1);
  for (int i = 1; i <= AtomCount; ++i) {
    cage.X.at(i) = cage.X.at(i) * 1.12 + 0.01 * noise.Next();
    cage.Y.at(i) = cage.Y.at(i) + 0.01 * noise.Next();
    cage.Z.at(i) = cage.Z.at(i) * 0.91 + 0.01 * noise.Next();
  }
  return cage;
}

}  // namespace ovalon::test
