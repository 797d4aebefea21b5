// Speed of ovalon-report --summary: one frame's least-squares summary and its parts, the same
// summary of 60 and 70 atoms counted at run time, a frame with 1000 Monte Carlo re-fits, and
// whole runs over an in-memory trajectory on 1 and 2 threads (items are frames, so
// items_per_second is frames per second).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "analysis/normalsampler.h"
#include "analysis/propagation.h"
#include "cli/summary.h"
#include "cli/summarytext.h"
#include "ellipsoid/ellipsoid.h"
#include "ellipsoid/uncertainty.h"
#include "fit/mnk.h"
#include "tests/support/points.h"

namespace ovalon {
namespace {

/// `count` points spread over a tilted, shifted ellipsoid of about 3.5 Å, with a little noise.
template <int N>
BasicPointSet<N> CageOf(int count, int frame) {
  const BasicPointSet<N> unit = test::SpiralPointsOf<N>(count, 1, 1, 1);
  NormalSampler noise(1, static_cast<std::uint64_t>(frame));
  BasicPointSet<N> p(count);
  for (int i = 1; i <= count; ++i) {
    p.X.at(i) = 0.3 + 3.9 * unit.X.at(i) + 0.3 * unit.Z.at(i) + 0.005 * noise.Next();
    p.Y.at(i) = -0.2 + 3.5 * unit.Y.at(i) + 0.005 * noise.Next();
    p.Z.at(i) = 0.1 + 3.2 * unit.Z.at(i) + 0.15 * unit.X.at(i) + 0.005 * noise.Next();
  }
  return p;
}

/// The window's 60 atoms of that cage.
PointSet Cage(int frame = 0) { return CageOf<AtomCount>(AtomCount, frame); }

/// 0.005 Å for every coordinate of `count` atoms.
template <int N>
BasicPointSet<N> UncertaintiesOf(int count) {
  BasicPointSet<N> e(count);
  for (auto* values : {&e.X, &e.Y, &e.Z})
    std::fill(values->data.begin(), values->data.end(), 0.005);
  return e;
}

PointSet Uncertainties() { return UncertaintiesOf<AtomCount>(AtomCount); }

SummarySettings Settings(int draws) {
  SummarySettings settings;
  settings.fit.inversePrecision = 1e-10;
  settings.rotationPrecision = 1e-20;
  settings.monteCarloDraws = draws;
  return settings;
}

void BM_SummariseCage(benchmark::State& state) {
  const PointSet coords = Cage(), sigma = Uncertainties();
  const SummarySettings settings = Settings(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(SummariseCage(coords, sigma, settings, 1));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SummariseCage)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SummariseCage)->Arg(1000)->Unit(benchmark::kMillisecond);

/// The same summary of state.range(0) atoms whose number is chosen at run time (AtomPoints):
/// 60 against the window's fixed size above, 70 against 60 for the cost of more atoms.
void BM_SummariseCageAtRunTimeSize(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const AtomPoints coords = CageOf<Dynamic>(count, 0), sigma = UncertaintiesOf<Dynamic>(count);
  const SummarySettings settings = Settings(0);
  for (auto _ : state) benchmark::DoNotOptimize(SummariseCage(coords, sigma, settings, 1));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SummariseCageAtRunTimeSize)->Arg(60)->Arg(70)->Unit(benchmark::kMicrosecond);

// The parts of one least-squares summary. The error estimate takes the fit's coefficients and
// DᵀD, as the summary does.
void BM_PartFitAndErrorEstimate(benchmark::State& state) {
  const PointSet coords = Cage(), sigma = Uncertainties();
  for (auto _ : state) {
    const LeastSquaresSolution fit = SolveLeastSquares(coords, 1e-10L);
    benchmark::DoNotOptimize(EstimateQuadricErrors(coords, sigma, fit.params, fit.normal, 1e-10L));
  }
}
BENCHMARK(BM_PartFitAndErrorEstimate)->Unit(benchmark::kMicrosecond);

void BM_PartCanonicalFormAndErrors(benchmark::State& state) {
  const PointSet coords = Cage(), sigma = Uncertainties();
  const QuadricForm q = ToQuadricForm(FitQuadricLeastSquares(coords, 1e-10L), 1.0L);
  const QuadricForm e = ToQuadricForm(EstimateQuadricErrors(coords, sigma, 1e-10L), 0.0L);
  for (auto _ : state) {
    benchmark::DoNotOptimize(QuadricCentre(q, 1e-10L));
    benchmark::DoNotOptimize(ReduceToCanonicalForm(q, 1e-10L, 1e-20L));
    benchmark::DoNotOptimize(PropagateUncertainties(q, e, 1e-10L, 1e-20L));
  }
}
BENCHMARK(BM_PartCanonicalFormAndErrors)->Unit(benchmark::kMicrosecond);

// Both uncertainty sets of the shape; the least-squares fit gives the inverse normal matrix
// they need.
void BM_PartShapeUncertainties(benchmark::State& state) {
  const PointSet coords = Cage(), sigma = Uncertainties();
  const LeastSquaresSolution fit = SolveLeastSquares(coords, 1e-10L);
  const CanonicalForm form = ReduceToCanonicalForm(ToQuadricForm(fit.params, 1.0L), 1e-10L, 1e-20L);
  for (auto _ : state) {
    benchmark::DoNotOptimize(PropagateShapeUncertainties(ColumnsOf(coords), ColumnsOf(sigma),
                                                         fit.params, fit.inverseNormal, form));
  }
}
BENCHMARK(BM_PartShapeUncertainties)->Unit(benchmark::kMicrosecond);

void BM_PartLongestChord(benchmark::State& state) {
  const PointSet coords = Cage();
  for (auto _ : state) benchmark::DoNotOptimize(FindLongestChord(coords));
}
BENCHMARK(BM_PartLongestChord)->Unit(benchmark::kMicrosecond);

/// `frames` frames of the layout "C x y z σx σy σz", each a little different.
std::string Trajectory(int frames) {
  std::string text;
  char line[160];
  for (int f = 1; f <= frames; ++f) {
    const PointSet p = Cage(f);
    text += "60\nframe " + std::to_string(f) + "\n";
    for (int i = 1; i <= AtomCount; ++i) {
      std::snprintf(line, sizeof line, "C %11.6f %11.6f %11.6f 0.005 0.005 0.005\n", p.X.at(i),
                    p.Y.at(i), p.Z.at(i));
      text += line;
    }
  }
  return text;
}

void BM_PartReadFrames(benchmark::State& state) {
  const std::string text = Trajectory(200);
  for (auto _ : state) {
    std::istringstream in(text);
    FrameReader reader(in);
    CageFrame frame;
    while (reader.Next(frame)) benchmark::DoNotOptimize(frame);
  }
  state.SetItemsProcessed(state.iterations() * 200);
}
BENCHMARK(BM_PartReadFrames)->Unit(benchmark::kMillisecond);

/// A whole run over 2000 frames with --jobs state.range(0).
void BM_SummaryCommand(benchmark::State& state) {
  constexpr int Frames = 2000;
  const std::string text = Trajectory(Frames);
  const std::string jobs = std::to_string(state.range(0));
  for (auto _ : state) {
    std::istringstream in(text);
    std::ostringstream out, err;
    RunSummaryCommand({"--cage", "carbon", "--jobs", jobs, "-"}, in, out, err, false);
    benchmark::DoNotOptimize(out.str().size());
  }
  state.SetItemsProcessed(state.iterations() * Frames);
}
BENCHMARK(BM_SummaryCommand)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace ovalon
