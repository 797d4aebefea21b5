// The analysis of one cage for the summary: sorted and oriented axes, the verdict on the
// quadric, and the Monte Carlo spreads against linear propagation.

#include "analysis/cagesummary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "ellipsoid/ellipsoid.h"
#include "examples/molecules.h"
#include "fit/mnk.h"
#include "fit/quadricfit.h"
#include "tests/support/cages.h"
#include "tests/support/points.h"

namespace ovalon {
namespace {

using Vec = std::array<double, 3>;

test::Rotation Multiply(const test::Rotation& l, const test::Rotation& r) {
  test::Rotation m{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) m[i][j] += l[i][k] * r[k][j];
  return m;
}

// Semi-axes 3, 5, 4 along x, y, z, turned by 0.3 rad about z after 0.7 rad about x, and
// shifted. The largest, 5, lies along R·ey, then 4 along R·ez, then 3 along R·ex.
const double c1 = std::cos(0.3), s1 = std::sin(0.3), c2 = std::cos(0.7), s2 = std::sin(0.7);
const test::Rotation Turn =
    Multiply({{{c1, -s1, 0}, {s1, c1, 0}, {0, 0, 1}}}, {{{1, 0, 0}, {0, c2, -s2}, {0, s2, c2}}});
const Vec Shift = {1.5, -2, 0.25};
const std::array<double, 3> TurnedSemiAxes = {3, 5, 4};

SummarySettings LeastSquaresSettings() {
  SummarySettings settings;
  settings.fit.inversePrecision = 1e-10;
  settings.rotationPrecision = 1e-20;
  return settings;
}

/// The centre and the sorted semi-axes 5, 4, 3 of the turned ellipsoid.
void ExpectTurnedEllipsoid(const CageSummary& s, double tolerance) {
  for (int k = 0; k < 3; ++k) EXPECT_NEAR((*s.centre)[k], Shift[k], tolerance);
  EXPECT_NEAR(s.semiAxes[0], 5, tolerance);
  EXPECT_NEAR(s.semiAxes[1], 4, tolerance);
  EXPECT_NEAR(s.semiAxes[2], 3, tolerance);
}

TEST(SummariseCage, SortsTheAxesAndOrientsThemRightHanded) {
  const PointSet points = test::EllipsoidPoints(TurnedSemiAxes, Turn, Shift);
  const CageSummary s = SummariseCage(points, PointSet(), LeastSquaresSettings(), 1);
  ASSERT_EQ(s.status, SummaryStatus::Ok) << s.message;

  // The points lie on the ellipsoid to within 64-bit rounding; the fit recovers it to far
  // better than 1E-9.
  constexpr double Tolerance = 1e-9;
  ExpectTurnedEllipsoid(s, Tolerance);
  // The columns of R with the documented signs. R·ey = (−s1·c2, c1·c2, s2) =
  // (−0.2269, 0.7306, 0.6442): largest component positive as it stands. R·ez = (s1·s2,
  // −c1·s2, c2) = (0.1906, −0.6136, 0.7648): likewise. c = a × b = R·(ey × ez) = R·ex =
  // (c1, s1, 0).
  const Vec expected[3] = {{-s1 * c2, c1 * c2, s2}, {s1 * s2, -c1 * s2, c2}, {c1, s1, 0}};
  for (int n = 0; n < 3; ++n)
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(s.axes[n][k], expected[n][k], Tolerance) << n << k;
  // Volume 4π·60/3 = 80π; eccentricities √(1 − 16/25) = 0.6 and √(1 − 9/25) = 0.8.
  EXPECT_NEAR(s.volume, 80 * std::numbers::pi, 1e-8);
  EXPECT_NEAR(s.eccentricityB, 0.6, Tolerance);
  EXPECT_NEAR(s.eccentricityC, 0.8, Tolerance);
  EXPECT_NEAR(s.surfaceRadiusExact * s.surfaceRadiusExact * 4 * std::numbers::pi, s.surfaceExact,
              1e-9);
  EXPECT_TRUE(s.semiAxisErrors.has_value());
  EXPECT_EQ(*s.ellipsoid, true);

  // The mirror image of a column flips it back to the same signs.
  Matrix3 v = Matrix3::Identity();
  v.at(1, 1) = -1;  // eigenvector of λ1 is −ex
  Vector3 semi;
  semi.data = {2, 3, 1};  // b along −ex, a along ey, c along ez
  std::array<std::array<double, 3>, 3> axes;
  const std::array<int, 3> order = SortAndOrientAxes(semi, v, axes);
  EXPECT_EQ(order, (std::array<int, 3>{1, 0, 2}));
  EXPECT_EQ(axes[0], (Vec{0, 1, 0}));
  EXPECT_EQ(axes[1], (Vec{1, 0, 0}));
  EXPECT_EQ(axes[2], (Vec{0, 0, -1}));  // ey × ex = −ez; no −0 components
  EXPECT_FALSE(std::signbit(axes[2][0]));
}

TEST(EllipsoidVerdict, NamesWhatTheQuadricIs) {
  struct Case {
    Vector3 lambda;
    Extended k;
    std::string verdict;  // a part of it; empty for an ellipsoid
  };
  auto v = [](Extended a, Extended b, Extended c) {
    Vector3 x;
    x.data = {a, b, c};
    return x;
  };
  const Case cases[] = {
      {v(1, 2, 3), 4, ""},
      {v(-1, -2, -3), -4, ""},
      {v(1, -2, 3), 4, "both signs"},
      {v(1, 0, 3), 4, "zero"},
      {v(1, 2, 3), 0, "single point"},
      {v(1, 2, 3), -4, "imaginary"},
      {v(-1, -2, -3), 4, "imaginary"},
      {v(1, NAN, 3), 4, "not finite"},
      {v(1, 2, 3), INFINITY, "not finite"},
  };
  for (const Case& c : cases) {
    const std::string verdict = EllipsoidVerdict(c.lambda, c.k);
    if (c.verdict.empty())
      EXPECT_EQ(verdict, "");
    else
      EXPECT_NE(verdict.find(c.verdict), std::string::npos) << verdict;
  }
}

TEST(SummariseCage, RecoversTheEllipsoidOfAnyNumberOfAtoms) {
  // N spiral points of the turned ellipsoid: from the nine points that fix the nine
  // coefficients to four times a C60.
  for (const bool leastSquares : {true, false}) {
    for (const int count : {9, 20, 70, 240}) {
      SCOPED_TRACE(std::to_string(count) + (leastSquares ? " atoms, least squares" : " atoms, LM"));
      const AtomPoints points =
          test::EllipsoidPointsOf<Dynamic>(count, TurnedSemiAxes, Turn, Shift);
      SummarySettings settings = LeastSquaresSettings();
      settings.fit.leastSquares = leastSquares;
      const CageSummary s = SummariseCage(points, AtomPoints(count), settings, 1);
      ASSERT_EQ(s.status, SummaryStatus::Ok) << s.message;
      // The points lie on the ellipsoid to within 64-bit rounding; nine of them already fix
      // the quadric, to well within 1E-8 (they are far from any degenerate arrangement).
      ExpectTurnedEllipsoid(s, 1e-8);
      EXPECT_NEAR(s.axes[0][2], s2, 1e-8);  // a along R·ey, whose z component is sin 0.7
      EXPECT_LT(*s.residual, 1e-12);
      EXPECT_EQ(s.semiAxisErrors.has_value(), leastSquares);
      // The longest chord joins two of the points and cannot exceed the longest axis, 10.
      EXPECT_GT(s.chord.length, 7);
      EXPECT_LE(s.chord.length, 10);
      EXPECT_GE(s.chord.startAtom, 1);
      EXPECT_LE(s.chord.endAtom, count);
    }
  }
}

TEST(SummariseCage, FewerThanNineAtomsAreTooFewForTheFit) {
  const AtomPoints points = test::SpiralPointsOf<Dynamic>(8, 3, 4, 5);
  const SummarySettings settings = LeastSquaresSettings();
  const CageSummary s = SummariseCage(points, AtomPoints(8), settings, 1);
  EXPECT_EQ(s.status, SummaryStatus::TooFewAtoms);
  EXPECT_STREQ(StatusName(s.status), "too-few-atoms");
  EXPECT_TRUE(IsErrorStatus(s.status));
  EXPECT_EQ(s.message, "8 atoms: fitting the nine coefficients of the quadric needs at least 9");
  EXPECT_FALSE(s.residual.has_value());
  EXPECT_FALSE(s.centre.has_value());
  EXPECT_FALSE(s.ellipsoid.has_value());
  // The chord needs no fit and is still measured.
  EXPECT_GT(s.chord.length, 0);

  const CageSummary none = SummariseCage(AtomPoints(), AtomPoints(), settings, 1);
  EXPECT_EQ(none.status, SummaryStatus::TooFewAtoms);
  EXPECT_EQ(none.chord.length, 0);
  EXPECT_EQ(none.chord.startAtom, 0);
}

TEST(SummariseCage, C70IsProlateAlongItsFiveFoldAxis) {
  // The model C70 (D5h) of the sample files, five-fold axis along z: its polar caps stand
  // about 0.4 Å further out than its equator, and the two short axes are equal by symmetry.
  const examples::Molecule c70 = examples::C70();
  AtomPoints points(static_cast<int>(c70.size()));
  for (int i = 1; i <= points.Size(); ++i) {
    points.X.at(i) = c70[i - 1].position[0];
    points.Y.at(i) = c70[i - 1].position[1];
    points.Z.at(i) = c70[i - 1].position[2];
  }
  const CageSummary s = SummariseCage(points, AtomPoints(points.Size()), LeastSquaresSettings(), 1);
  ASSERT_EQ(s.status, SummaryStatus::Ok) << s.message;
  EXPECT_GT(s.semiAxes[0], s.semiAxes[1] + 0.3);
  // The model keeps its symmetry to well within 0.001 Å (see the cage finder's tests).
  EXPECT_NEAR(s.semiAxes[1], s.semiAxes[2], 1e-3);
  EXPECT_NEAR(s.axes[0][2], 1, 1e-6);  // a along +z, the sign rule's positive component
  for (int k = 0; k < 3; ++k) EXPECT_NEAR((*s.centre)[k], 0, 1e-3);
  // The scatter of the model's atoms about the ellipsoid gives finite, non-zero deviations.
  ASSERT_TRUE(s.uncertainties.fitScatter);
  EXPECT_FALSE(s.uncertainties.linear);
  for (double sd : s.uncertainties.fitScatter->semiAxes) {
    EXPECT_TRUE(std::isfinite(sd));
    EXPECT_GT(sd, 0);
  }
}

/// The eight values of an uncertainty set: a, b, c, volume, exact surface, centre.
std::array<double, 8> Values(const ShapeDeviations& d) {
  return {d.semiAxes[0],  d.semiAxes[1], d.semiAxes[2], d.volume,
          d.surfaceExact, d.centre[0],   d.centre[1],   d.centre[2]};
}

TEST(SummariseCage, GivesBothUncertaintySetsWhereTheyApply) {
  const PointSet cage = test::NoisyCage();
  const PointSet sigma = test::UniformErrors(0.002);
  SummarySettings settings = LeastSquaresSettings();
  settings.monteCarloDraws = 2000;
  settings.seed = 3;
  const CageSummary with = SummariseCage(cage, sigma, settings, 1);
  const CageSummary without = SummariseCage(cage, PointSet(), LeastSquaresSettings(), 1);
  ASSERT_EQ(with.status, SummaryStatus::Ok);
  ASSERT_TRUE(with.uncertainties.linear && with.uncertainties.fitScatter);
  // No uncertainties: no linear set, and the same scatter set, which does not depend on them.
  EXPECT_FALSE(without.uncertainties.linear);
  ASSERT_TRUE(without.uncertainties.fitScatter);
  EXPECT_EQ(Values(*without.uncertainties.fitScatter), Values(*with.uncertainties.fitScatter));
  for (double sd : Values(*with.uncertainties.linear)) EXPECT_GT(sd, 0);
  for (double sd : Values(*with.uncertainties.fitScatter)) EXPECT_GT(sd, 0);

  // 2000 draws estimate a deviation to 1/√4000 ≈ 1.6 %; 8 % is five standard errors.
  const ShapeDeviations& linear = *with.uncertainties.linear;
  const MonteCarloSpread& mc = *with.monteCarlo;
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(linear.semiAxes[k] / *mc.semiAxes[k], 1, 0.08) << k;
  EXPECT_NEAR(linear.volume / *mc.volume, 1, 0.08);
  EXPECT_NEAR(linear.surfaceExact / *mc.surface, 1, 0.08);

  // The same 60 atoms counted at run time give the same bits.
  const CageSummary dynamic =
      SummariseCage(AtomPoints(cage), AtomPoints(sigma), LeastSquaresSettings(), 1);
  EXPECT_EQ(Values(*dynamic.uncertainties.linear), Values(*with.uncertainties.linear));
  EXPECT_EQ(Values(*dynamic.uncertainties.fitScatter), Values(*with.uncertainties.fitScatter));

  // Levenberg–Marquardt: the same formulas at its own coefficients, which lie close to the
  // least-squares ones after enough cycles.
  SummarySettings marquardt = LeastSquaresSettings();
  marquardt.fit.leastSquares = false;
  const CageSummary lm = SummariseCage(cage, sigma, marquardt, 1);
  ASSERT_EQ(lm.status, SummaryStatus::Ok) << lm.message;
  ASSERT_TRUE(lm.uncertainties.linear && lm.uncertainties.fitScatter);
  const std::array<double, 8> lmLinear = Values(*lm.uncertainties.linear);
  const std::array<double, 8> lsLinear = Values(linear);
  for (int n = 0; n < 8; ++n) EXPECT_NEAR(lmLinear[n] / lsLinear[n], 1, 0.01) << n;

  // Atoms on an exact ellipsoid have no scatter but the 64-bit rounding of their coordinates.
  const CageSummary exact = SummariseCage(test::EllipsoidPoints(TurnedSemiAxes, Turn, Shift),
                                          PointSet(), LeastSquaresSettings(), 1);
  ASSERT_TRUE(exact.uncertainties.fitScatter);
  for (double sd : Values(*exact.uncertainties.fitScatter)) EXPECT_LT(sd, 1e-12);

  // A quadric that is not an ellipsoid has neither set.
  PointSet hyperboloid;  // x²/4 + y²/4 − z² = cosh² t − sinh² t = 1
  for (int i = 1; i <= AtomCount; ++i) {
    const double t = -1 + 0.4 * ((i - 1) / 10), phi = 0.6 * i;
    hyperboloid.X.at(i) = 2 * std::cosh(t) * std::cos(phi);
    hyperboloid.Y.at(i) = 2 * std::cosh(t) * std::sin(phi);
    hyperboloid.Z.at(i) = std::sinh(t);
  }
  const CageSummary open = SummariseCage(hyperboloid, sigma, LeastSquaresSettings(), 1);
  ASSERT_EQ(open.status, SummaryStatus::NotEllipsoid);
  EXPECT_FALSE(open.uncertainties.linear || open.uncertainties.fitScatter);
}

TEST(MonteCarlo, SpreadsAgreeWithLinearPropagation) {
  const PointSet cage = test::NoisyCage();
  constexpr double Sigma = 0.01;
  PointSet sigma;
  sigma.X.data.fill(Sigma);
  sigma.Y.data.fill(Sigma);
  sigma.Z.data.fill(Sigma);
  SummarySettings settings;
  settings.fit.inversePrecision = 1e-10;
  settings.rotationPrecision = 1e-20;
  settings.monteCarloDraws = 2000;
  settings.seed = 5;
  const CageSummary s = SummariseCage(cage, sigma, settings, 1);
  ASSERT_EQ(s.status, SummaryStatus::Ok);
  ASSERT_EQ(s.monteCarlo->draws, 2000);

  // Independent of the draws: the sorted semi-axes' derivatives by every coordinate, by
  // central differences (step 1E-5 Å), propagated in quadrature, σ_lin = √Σ (∂a/∂x·σ)².
  auto sortedAxes = [](const PointSet& p) {
    const CanonicalForm form = ReduceToCanonicalForm(
        ToQuadricForm(FitQuadricLeastSquares(p, 1e-10L), 1.0L), 1e-10L, 1e-20L);
    std::array<double, 3> a = {static_cast<double>(form.semiAxes.at(1)),
                               static_cast<double>(form.semiAxes.at(2)),
                               static_cast<double>(form.semiAxes.at(3))};
    std::sort(a.begin(), a.end(), std::greater<>());
    return a;
  };
  std::array<double, 3> linear{};
  constexpr double Step = 1e-5;
  for (int i = 1; i <= AtomCount; ++i) {
    for (AtomValues PointSet::*row : {&PointSet::X, &PointSet::Y, &PointSet::Z}) {
      PointSet up = cage, down = cage;
      (up.*row).at(i) += Step;
      (down.*row).at(i) -= Step;
      const auto plus = sortedAxes(up), minus = sortedAxes(down);
      for (int k = 0; k < 3; ++k) {
        const double derivative = (plus[k] - minus[k]) / (2 * Step);
        linear[k] += derivative * derivative * Sigma * Sigma;
      }
    }
  }
  for (int k = 0; k < 3; ++k) {
    const double mc = *s.monteCarlo->semiAxes[k];
    const double first = (*s.semiAxisErrors)[k];
    // A standard deviation from 2000 draws is itself uncertain by 1/√(2·2000) = 1.6 %; 6 %
    // allows for that thrice and for the curvature the linear propagation leaves out.
    EXPECT_NEAR(mc, std::sqrt(linear[k]), 0.06 * std::sqrt(linear[k])) << k;
    // The window's first-order estimate shifts every element of the design matrix by its full
    // uncertainty at once, so the atoms' contributions add coherently instead of in
    // quadrature: it comes out about 4.7 times the spread the draws show (0.0157 against
    // 0.0033 Å for a here). It is conservative, and of the same order.
    EXPECT_GT(first, 2 * mc) << k;
    EXPECT_LT(first, 10 * mc) << k;
  }
  EXPECT_GT(*s.monteCarlo->volume, 0);
  EXPECT_GT(*s.monteCarlo->surface, 0);
}

}  // namespace
}  // namespace ovalon
