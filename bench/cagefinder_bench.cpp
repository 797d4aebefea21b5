// Speed of finding cages: a bare C60 frame (the cost added to every frame of a trajectory) and
// C60 among 67 toluene molecules (1,005 solvent atoms, 469 of them carbon).

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "analysis/cagefinder.h"
#include "examples/molecules.h"

namespace ovalon {
namespace {

std::vector<FrameAtom> Frame(const examples::Molecule& molecule) {
  std::vector<FrameAtom> atoms;
  for (const auto& atom : molecule)
    atoms.push_back(
        {IsCarbonSymbol(atom.element), atom.position[0], atom.position[1], atom.position[2]});
  return atoms;
}

/// Toluenes on a 7 Å grid around the cage, none closer to its centre than 8 Å.
examples::Molecule SolvatedC60(int toluenes) {
  examples::Molecule frame = examples::C60();
  for (int i = -2; i <= 2 && toluenes > 0; ++i)
    for (int j = -2; j <= 2 && toluenes > 0; ++j)
      for (int k = -2; k <= 2 && toluenes > 0; ++k) {
        const examples::Vec centre = {7.0 * i, 7.0 * j, 7.0 * k};
        if (std::hypot(centre[0], centre[1], centre[2]) < 8) continue;
        const examples::Vec axis =
            (i + j + k) % 2 ? examples::Vec{1, 0, 0} : examples::Vec{0, 0, 1};
        for (const auto& atom : examples::Toluene(centre, axis, {0, 1, 0})) frame.push_back(atom);
        --toluenes;
      }
  return frame;
}

void BM_FindCagesC60(benchmark::State& state) {
  const std::vector<FrameAtom> atoms = Frame(examples::C60());
  for (auto _ : state) benchmark::DoNotOptimize(FindCages(atoms));
}
BENCHMARK(BM_FindCagesC60);

void BM_FindCagesC60InToluene(benchmark::State& state) {
  const std::vector<FrameAtom> atoms = Frame(SolvatedC60(67));
  if (FindCages(atoms).cages.size() != 1) state.SkipWithError("the cage was not found");
  state.counters["atoms"] = static_cast<double>(atoms.size());
  for (auto _ : state) benchmark::DoNotOptimize(FindCages(atoms));
}
BENCHMARK(BM_FindCagesC60InToluene);

}  // namespace
}  // namespace ovalon
