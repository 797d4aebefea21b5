#include "fit/lma.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <numeric>
#include <optional>
#include <vector>

#include "core/singularmatrixerror.h"
#include "fit/mnk.h"
#include "tests/support/points.h"

namespace ovalon {
namespace {

using test::SpiralPoints;

constexpr Extended Precision = 1e-10L;

PointSet Cage() { return SpiralPoints(1.3, 1.0, 0.8, 0.3, -0.2, 0.1); }

/// One step from `a` with damping λ, built from the coordinates as a run builds it.
QuadricParams Step(const PointSet& p, const QuadricParams& a, Extended lambda) {
  return ComputeMarquardtStep(BuildNormalMatrix(p), p, a, lambda, Precision);
}

QuadricParams Filled(Extended v) {
  QuadricParams a;
  a.data.fill(v);
  return a;
}

TEST(BuildDampedNormalMatrix, ScalesOnlyTheDiagonalByOnePlusLambda) {
  const Matrix9 n = BuildNormalMatrix(Cage());
  const Matrix9 doubled = BuildDampedNormalMatrix(n, 1);   // λ·N + N = 2N exactly
  const Matrix9 cleared = BuildDampedNormalMatrix(n, -1);  // −N + N = 0 exactly
  for (int r = 1; r <= 9; ++r) {
    for (int c = 1; c <= 9; ++c) {
      EXPECT_EQ(doubled.at(r, c), r == c ? 2 * n.at(r, c) : n.at(r, c));
      EXPECT_EQ(cleared.at(r, c), r == c ? 0 : n.at(r, c));
    }
  }
}

TEST(NegatedResiduals, AreTheQuadricValuesNegatedAndTheNormsAgree) {
  // −1 − s and −(s + 1) round alike, so the two modules see the same residuals; the norm of
  // the least-squares report is the same square root divided by 60.
  const PointSet p = Cage();
  QuadricParams a;
  for (int k = 1; k <= 9; ++k) a.at(k) = 0.1L * k - 0.45L;
  const Vector60 r = NegatedResiduals(p, a);
  const Vector60 f = EvaluateQuadric(p, a);
  for (int i = 1; i <= AtomCount; ++i) EXPECT_EQ(r.at(i), -f.at(i)) << "atom " << i;
  EXPECT_EQ(ScaledResidualNorm(p, a), ResidualNorm(p, a) / 60);
  EXPECT_EQ(ResidualNorm(p, QuadricParams{}), std::sqrt(60.0L));  // every F_i is 1
}

TEST(ComputeMarquardtStep, UndampedStepFromZeroIsTheLeastSquaresSolution) {
  // With λ = 0 the step solves N·δ = Dᵀ·(−1), the normal equations themselves; the two
  // evaluation orders differ by rounding only (condition about 50, coefficients below 2).
  const QuadricParams step = Step(Cage(), QuadricParams{}, 0);
  const QuadricParams a = FitQuadricLeastSquares(Cage(), Precision);
  for (int k = 1; k <= 9; ++k) EXPECT_NEAR(step.at(k), a.at(k), 1e-16L) << "A" << k;
}

TEST(FitQuadricLevenbergMarquardt, NoCycleReturnsTheStartValues) {
  for (const int cycles : {0, -1, -3, INT_MIN}) {
    SCOPED_TRACE(cycles);
    EXPECT_EQ(FitQuadricLevenbergMarquardt(Cage(), {cycles, 0.75L, 1, 10}, Precision),
              Filled(0.75L));
  }
}

TEST(FitQuadricLevenbergMarquardt, DefaultsReachTheLeastSquaresCoefficients) {
  // 100 cycles from 1.0 with λ = 1, ν = 10: λ falls below 1e-20 within 25 accepted cycles,
  // after which each step is the undamped solution; what remains is rounding, about 5e-18
  // with the condition number near 50 of this cage.
  const PointSet p = Cage();
  const QuadricParams lm = FitQuadricLevenbergMarquardt(p, {100, 1, 1, 10}, Precision);
  const QuadricParams ls = FitQuadricLeastSquares(p, Precision);
  for (int k = 1; k <= 9; ++k) EXPECT_NEAR(lm.at(k), ls.at(k), 1e-16L) << "A" << k;
}

TEST(FitQuadricLevenbergMarquardt, AcceptsByDividingLambdaAndUndoesByMultiplying) {
  // Two cycles replayed with the module's own steps. Cycle 1 with λ = 1 lowers the norm, so
  // cycle 2 runs with λ/ν. With λ = −0.999 the damped matrix is indefinite and the step
  // overshoots: it is undone by subtraction and cycle 2 runs with λ·ν.
  const PointSet p = Cage();
  const Extended nu = 4;
  const struct {
    const char* name;
    Extended lambda;
    bool accepted;
  } cases[] = {{"accepted", 1, true}, {"undone", -0.999L, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QuadricParams start = Filled(1);
    const QuadricParams first = Step(p, start, c.lambda);
    const QuadricParams tried = AddParams(start, first);
    ASSERT_EQ(ResidualNorm(p, start) >= ResidualNorm(p, tried), c.accepted);
    const QuadricParams afterOne = c.accepted ? tried : SubtractParams(tried, first);
    EXPECT_EQ(FitQuadricLevenbergMarquardt(p, {1, 1, c.lambda, nu}, Precision), afterOne);

    const Extended lambda2 = c.accepted ? c.lambda / nu : c.lambda * nu;
    const QuadricParams second = Step(p, afterOne, lambda2);
    const QuadricParams tried2 = AddParams(afterOne, second);
    const QuadricParams afterTwo = ResidualNorm(p, afterOne) >= ResidualNorm(p, tried2)
                                       ? tried2
                                       : SubtractParams(tried2, second);
    EXPECT_EQ(FitQuadricLevenbergMarquardt(p, {2, 1, c.lambda, nu}, Precision), afterTwo);
  }
}

/// The run as its cycles are written, every cycle from scratch: the step from Nλ inverted anew
/// and the residuals of A, both norms evaluated, then accept (λ / ν) or undo (λ · ν).
template <int N>
QuadricParams RunCycleByCycle(const BasicPointSet<N>& p, const MarquardtSettings& s) {
  const Matrix9 normal = BuildNormalMatrix(p);
  QuadricParams a = Filled(s.startValue);
  Extended lambda = s.regularisationParameter;
  for (int cycle = 0; cycle < s.refinementCycles; ++cycle) {
    const QuadricParams step = ComputeMarquardtStep(normal, p, a, lambda, Precision);
    const QuadricParams tried = AddParams(a, step);
    if (ResidualNorm(p, a) >= ResidualNorm(p, tried)) {
      a = tried;
      lambda = lambda / s.regularisationStep;
    } else {
      a = SubtractParams(tried, step);
      lambda = lambda * s.regularisationStep;
    }
  }
  return a;
}

TEST(FitQuadricLevenbergMarquardt, GivesTheBitsOfTheRunComputedCycleByCycle) {
  // A run meets the same damped matrix and residuals again as λ goes down and up, and takes
  // its step from the one it made before; every cycle count must still give the bits of the
  // run that computes each cycle anew. The runs include long stretches of alternating
  // accepts and undos, a start that overshoots, and a cage with a NaN, whose every step is
  // undone.
  PointSet withNaN = Cage();
  withNaN.X.at(7) = std::nan("");
  AtomPoints seventy = test::SpiralPointsOf<Dynamic>(70, 1.1, 0.9, 0.7, 0.2, 0.1, -0.3);
  seventy.Y.at(3) += 0.05;
  const MarquardtSettings runs[] = {
      {300, 1, 1, 10}, {200, 0.5L, 1e-3L, 2}, {150, 1, -0.999L, 4}, {120, 2, 1e3L, 3}};
  for (const MarquardtSettings& run : runs) {
    for (const int cycles : {1, 2, 7, 20, 61, 120, 150, 200, 300}) {
      if (cycles > run.refinementCycles) continue;
      MarquardtSettings s = run;
      s.refinementCycles = cycles;
      SCOPED_TRACE(testing::Message()
                   << cycles << " cycles, λ " << static_cast<double>(s.regularisationParameter)
                   << ", ν " << static_cast<double>(s.regularisationStep));
      EXPECT_TRUE(
          SameBits(FitQuadricLevenbergMarquardt(Cage(), s, Precision), RunCycleByCycle(Cage(), s)));
      EXPECT_TRUE(SameBits(FitQuadricLevenbergMarquardt(seventy, s, Precision),
                           RunCycleByCycle(seventy, s)));
      EXPECT_TRUE(SameBits(FitQuadricLevenbergMarquardt(withNaN, s, Precision),
                           RunCycleByCycle(withNaN, s)));
    }
  }
}

TEST(FitQuadricLevenbergMarquardt, CallbackSeesEveryCycleAndChangesNothing) {
  // λ = −0.999 makes the first steps overshoot, so the run both undoes and accepts steps.
  for (const Extended lambda : {1.0L, -0.999L}) {
    SCOPED_TRACE(static_cast<double>(lambda));
    std::vector<int> seen;
    const std::optional<QuadricParams> a =
        FitQuadricLevenbergMarquardt(Cage(), {40, 1, lambda, 4}, Precision, [&](int done) {
          seen.push_back(done);
          return true;
        });
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(*a, FitQuadricLevenbergMarquardt(Cage(), {40, 1, lambda, 4}, Precision));
    std::vector<int> expected(40);
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(seen, expected);
  }
}

TEST(FitQuadricLevenbergMarquardt, CallbackReturningFalseAbandonsTheRunAtOnce) {
  const struct {
    int stopAt;
    int cycles;
  } cases[] = {{1, 100}, {37, 100}, {100, 100}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stopAt);
    int calls = 0;
    const std::optional<QuadricParams> a =
        FitQuadricLevenbergMarquardt(Cage(), {c.cycles, 1, 1, 10}, Precision, [&](int done) {
          ++calls;
          return done < c.stopAt;
        });
    EXPECT_FALSE(a.has_value());
    EXPECT_EQ(calls, c.stopAt);
  }
  int calls = 0;
  const auto count = [&](int) {
    ++calls;
    return false;
  };
  EXPECT_EQ(FitQuadricLevenbergMarquardt(Cage(), {0, 0.5L, 1, 10}, Precision, count), Filled(0.5L));
  EXPECT_EQ(calls, 0);  // no cycle, nothing to abandon
}

TEST(FitQuadricLevenbergMarquardt, SingularDampedMatrixThrows) {
  PointSet planar = Cage();
  planar.Z.data.fill(0);
  EXPECT_THROW(FitQuadricLevenbergMarquardt(planar, {1, 1, 1, 10}, Precision), SingularMatrixError);
  EXPECT_NO_THROW(FitQuadricLevenbergMarquardt(planar, {0, 1, 1, 10}, Precision));
}

}  // namespace
}  // namespace ovalon
