// Speed of the quadric fits: one least-squares fit with its error estimate, Levenberg–Marquardt
// cycles, and a raw extended multiply–add loop that measures what the arithmetic alone costs.

#include <benchmark/benchmark.h>

#include <cmath>

#include "core/extended.h"
#include "core/guardedinverse.h"
#include "fit/lma.h"
#include "fit/mnk.h"
#include "tests/support/points.h"

namespace ovalon {
namespace {

/// 60 points spread over a tilted, shifted ellipsoid-like cage of about 1 Å.
PointSet Cage() {
  const PointSet unit = test::SpiralPoints(1, 1, 1);
  PointSet p;
  for (int i = 1; i <= AtomCount; ++i) {
    p.X.at(i) = 0.3 + 1.3 * unit.X.at(i) + 0.1 * unit.Z.at(i);
    p.Y.at(i) = -0.2 + 1.0 * unit.Y.at(i);
    p.Z.at(i) = 0.1 + 0.8 * unit.Z.at(i) + 0.05 * unit.X.at(i);
  }
  return p;
}

PointSet Uncertainties() {
  PointSet e;
  e.X.data.fill(0.002);
  e.Y.data.fill(0.003);
  e.Z.data.fill(0.004);
  return e;
}

constexpr Extended Precision = 1e-10L;

/// The fit and its error estimate as the fit run makes them: the estimate reuses the fit.
void BM_LeastSquaresFitWithErrors(benchmark::State& state) {
  const PointSet coords = Cage();
  const PointSet errors = Uncertainties();
  for (auto _ : state) {
    const LeastSquaresSolution fit = SolveLeastSquares(coords, Precision);
    benchmark::DoNotOptimize(
        EstimateQuadricErrors(coords, errors, fit.params, fit.normal, Precision));
  }
}
BENCHMARK(BM_LeastSquaresFitWithErrors)->Unit(benchmark::kMicrosecond);

/// The least-squares fit alone.
void BM_LeastSquaresFit(benchmark::State& state) {
  const PointSet coords = Cage();
  for (auto _ : state) benchmark::DoNotOptimize(FitQuadricLeastSquares(coords, Precision));
}
BENCHMARK(BM_LeastSquaresFit)->Unit(benchmark::kMicrosecond);

/// A run of state.range(0) cycles with the default settings; items are cycles. A run keeps
/// Pλ = Nλ⁻¹·Dᵀ for each damped matrix it meets, so the figure is the run's average over the
/// cycles that meet a new Nλ (inverted, Pλ formed) and those that meet one again.
void BM_MarquardtCycles(benchmark::State& state) {
  const PointSet coords = Cage();
  const int cycles = static_cast<int>(state.range(0));
  for (auto _ : state)
    benchmark::DoNotOptimize(FitQuadricLevenbergMarquardt(coords, {cycles, 1, 1, 10}, Precision));
  state.SetItemsProcessed(state.iterations() * cycles);
}
BENCHMARK(BM_MarquardtCycles)->Arg(1)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MarquardtCycles)->Arg(1000000)->Iterations(1)->Unit(benchmark::kSecond);

/// The product Nλ⁻¹·Dᵀ of a cycle (9·60 sums of 9 products, 9720 operations) on raw arrays
/// of extended reals: the cost of the arithmetic alone, for comparison with a cycle.
void BM_ExtendedMultiplyAddBaseline(benchmark::State& state) {
  Extended left[9][9];
  Extended right[9][60];
  Extended product[9][60];
  for (int r = 0; r < 9; ++r)
    for (int k = 0; k < 9; ++k) left[r][k] = 1 + 0.01L * (r - k);
  for (int k = 0; k < 9; ++k)
    for (int c = 0; c < 60; ++c) right[k][c] = 0.5L + 0.001L * (k * c);
  for (auto _ : state) {
    benchmark::DoNotOptimize(left);
    for (int r = 0; r < 9; ++r) {
      for (int c = 0; c < 60; ++c) {
        Extended sum = 0;
        for (int k = 0; k < 9; ++k) sum = left[r][k] * right[k][c] + sum;
        product[r][c] = sum;
      }
    }
    benchmark::DoNotOptimize(product);
  }
  state.SetItemsProcessed(state.iterations() * 9720);
}
BENCHMARK(BM_ExtendedMultiplyAddBaseline)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace ovalon

namespace ovalon {
namespace {
/// One guarded inversion of the cage's normal matrix, as each least-squares fit makes it.
void BM_InvertNormalMatrix(benchmark::State& state) {
  const Matrix9 normal = BuildNormalMatrix(Cage());
  for (auto _ : state) benchmark::DoNotOptimize(InvertGuarded(normal, Precision));
}
BENCHMARK(BM_InvertNormalMatrix)->Unit(benchmark::kMicrosecond);
}  // namespace
}  // namespace ovalon
