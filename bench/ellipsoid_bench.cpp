// One press of "Вывести характеристики" and one of "Определить диагонали", numerics and
// report text together.

#include <benchmark/benchmark.h>

#include <cmath>

#include "analysis/diagonals.h"
#include "report/characteristics.h"
#include "report/diagonals.h"
#include "tests/support/points.h"

namespace ovalon {
namespace {

// 60 atoms on an ellipsoid-like shell, spread by the golden angle.
PointSet ShellAtoms() {
  const PointSet unit = test::SpiralPoints(1, 1, 1);
  PointSet atoms;
  for (int i = 1; i <= AtomCount; ++i) {
    atoms.X.at(i) = 1 + 3.6 * unit.X.at(i);
    atoms.Y.at(i) = -2 + 3.4 * unit.Y.at(i);
    atoms.Z.at(i) = 0.5 + 3.5 * unit.Z.at(i);
  }
  return atoms;
}

CharacteristicsInput TiltedInput() {
  CharacteristicsInput input;
  input.fitParams.data = {0.04L, 0.03L, 0.05L, 0.01L, -0.005L, 0.008L, -0.1L, 0.2L, 0.05L, -0.5L};
  input.fitErrors.data = {0.0004L,  -0.0003L, 0.0002L, 0.0001L, 0.00005L,
                          -0.0001L, 0.001L,   -0.002L, 0.0015L, 0};
  input.inversePrecision = 1e-10;
  input.rotationPrecision = 1e-20;
  input.atomCoords = ShellAtoms();
  for (int i = 1; i <= AtomCount; ++i) {
    input.coordErrors.X.at(i) = 0.001 * i;
    input.coordErrors.Y.at(i) = 0.002;
    input.coordErrors.Z.at(i) = 0.003;
  }
  input.showCoordinates = true;
  return input;
}

void BM_RunCharacteristics(benchmark::State& state) {
  const CharacteristicsInput input = TiltedInput();
  for (auto _ : state) {
    CharacteristicsResult result = RunCharacteristics(input, ".");
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(BM_RunCharacteristics);

void BM_FindMaximumDiagonals(benchmark::State& state) {
  const PointSet atoms = ShellAtoms();
  for (auto _ : state) {
    DiagonalResult result = FindMaximumDiagonals(atoms);
    std::vector<std::string> lines = DiagonalLines(atoms, result, ".");
    benchmark::DoNotOptimize(result);
    benchmark::DoNotOptimize(lines);
  }
}
BENCHMARK(BM_FindMaximumDiagonals);

}  // namespace
}  // namespace ovalon
