// First-order uncertainties of the shape: against finite differences of the whole analysis,
// against Monte Carlo re-fits, against an independent calculation, and where they are empty.

#include "analysis/propagation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "analysis/normalsampler.h"
#include "core/guardedinverse.h"
#include "ellipsoid/carlson.h"
#include "fit/mnk.h"
#include "fit/quadricfit.h"
#include "tests/support/cages.h"
#include "tests/support/points.h"

namespace ovalon {
namespace {

constexpr Extended InversePrecision = 1e-30L;
constexpr Extended RotationPrecision = 1e-20L;

/// Atoms of any count as owned columns.
struct Atoms {
  std::vector<double> x, y, z;
  CoordinateColumns View() const { return {x, y, z}; }
};

Atoms FromPointSet(const PointSet& p) {
  return {{p.X.data.begin(), p.X.data.end()},
          {p.Y.data.begin(), p.Y.data.end()},
          {p.Z.data.begin(), p.Z.data.end()}};
}

/// D, DᵀD and the least-squares coefficients of any number of atoms, written out here in the
/// textbook way rather than through the 60-atom fit.
Matrix9 NormalMatrix(const Atoms& atoms) {
  Matrix9 n;
  for (std::size_t i = 0; i < atoms.x.size(); ++i) {
    const Extended x = atoms.x[i], y = atoms.y[i], z = atoms.z[i];
    const Extended d[9] = {x * x, y * y, z * z, x * y, y * z, x * z, x, y, z};
    for (int r = 0; r < 9; ++r)
      for (int c = 0; c < 9; ++c) n.data[r * 9 + c] += d[r] * d[c];
  }
  return n;
}

QuadricParams Fit(const Atoms& atoms, const Matrix9& inverse) {
  QuadricParams rhs;  // −Dᵀ·1
  for (std::size_t i = 0; i < atoms.x.size(); ++i) {
    const Extended x = atoms.x[i], y = atoms.y[i], z = atoms.z[i];
    const Extended d[9] = {x * x, y * y, z * z, x * y, y * z, x * z, x, y, z};
    for (int r = 0; r < 9; ++r) rhs.data[r] -= d[r];
  }
  QuadricParams a;
  for (int r = 0; r < 9; ++r)
    for (int c = 0; c < 9; ++c) a.data[r] += inverse.data[r * 9 + c] * rhs.data[c];
  return a;
}

/// The shape's values as the analysis computes them: sorted semi-axes, volume, exact surface,
/// centre.
using Shape = std::array<Extended, 8>;

Shape ShapeOf(const QuadricParams& a) {
  const QuadricForm q = ToQuadricForm(a, 1.0L);
  const CanonicalForm form = ReduceToCanonicalForm(q, InversePrecision, RotationPrecision);
  std::array<Extended, 3> semi = {form.semiAxes.at(1), form.semiAxes.at(2), form.semiAxes.at(3)};
  std::sort(semi.begin(), semi.end(), std::greater<>());
  const Vector3 centre = QuadricCentre(q, InversePrecision);
  return {semi[0],
          semi[1],
          semi[2],
          FourPi / 3 * semi[0] * semi[1] * semi[2],
          EllipsoidSurfaceArea(semi[0], semi[1], semi[2]),
          centre.at(1),
          centre.at(2),
          centre.at(3)};
}

Shape ShapeOfAtoms(const Atoms& atoms) {
  return ShapeOf(Fit(atoms, InvertGuarded(NormalMatrix(atoms), InversePrecision)));
}

ShapeUncertainties Propagate(const Atoms& atoms, const std::optional<Atoms>& sigma) {
  const Matrix9 inverse = InvertGuarded(NormalMatrix(atoms), InversePrecision);
  const QuadricParams a = Fit(atoms, inverse);
  const CanonicalForm form =
      ReduceToCanonicalForm(ToQuadricForm(a, 1.0L), InversePrecision, RotationPrecision);
  std::optional<CoordinateColumns> columns;
  if (sigma) columns = sigma->View();
  return PropagateShapeUncertainties(atoms.View(), columns, a, inverse, form);
}

std::array<double, 8> Flatten(const ShapeDeviations& d) {
  return {d.semiAxes[0],  d.semiAxes[1], d.semiAxes[2], d.volume,
          d.surfaceExact, d.centre[0],   d.centre[1],   d.centre[2]};
}

constexpr const char* ValueNames[8] = {"a", "b", "c", "volume", "surface", "x", "y", "z"};

/// The noisy stretched cage, turned about two axes and shifted, so that every coefficient of
/// the quadric takes part.
Atoms TiltedCage() {
  const PointSet cage = test::NoisyCage();
  const double c1 = std::cos(0.4), s1 = std::sin(0.4), c2 = std::cos(0.9), s2 = std::sin(0.9);
  Atoms atoms;
  for (int i = 1; i <= AtomCount; ++i) {
    const double x = cage.X.at(i), y = cage.Y.at(i), z = cage.Z.at(i);
    const double y1 = c2 * y - s2 * z, z1 = s2 * y + c2 * z;  // about x
    atoms.x.push_back(c1 * x - s1 * y1 + 0.7);                // then about z
    atoms.y.push_back(s1 * x + c1 * y1 - 1.3);
    atoms.z.push_back(z1 + 0.4);
  }
  return atoms;
}

/// Uncertainties from 0.001 to 0.005 Å, different for every coordinate.
Atoms VaryingSigma(std::size_t count) {
  Atoms sigma;
  for (std::size_t i = 0; i < count; ++i) {
    sigma.x.push_back(0.001 + 0.001 * static_cast<double>(i % 5));
    sigma.y.push_back(0.005 - 0.001 * static_cast<double>(i % 3));
    sigma.z.push_back(0.002 + 0.001 * static_cast<double>(i % 4));
  }
  return sigma;
}

TEST(EllipsoidSurfaceGradient, MatchesCentralDifferencesOfTheSurface) {
  struct Case {
    const char* name;
    Extended a, b, c;
  } cases[] = {{"sphere", 2, 2, 2},   {"near sphere", 3.5, 3.49, 3.52}, {"prolate", 5, 2, 2},
               {"oblate", 4, 4, 1.5}, {"triaxial", 3.9, 3.5, 3.2},      {"flat", 10, 3, 0.2}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const std::array<Extended, 3> gradient = EllipsoidSurfaceGradient(k.a, k.b, k.c);
    // Central differences with h = 1E-5 have a truncation error of order h²·S''' ≈ 1E-10
    // relative, and a rounding error of 2⁻⁶⁴/h ≈ 1E-14; 1E-8 leaves room for both.
    const Extended h = 1e-5L;
    const Extended numeric[3] = {
        (EllipsoidSurfaceArea(k.a + h, k.b, k.c) - EllipsoidSurfaceArea(k.a - h, k.b, k.c)) /
            (2 * h),
        (EllipsoidSurfaceArea(k.a, k.b + h, k.c) - EllipsoidSurfaceArea(k.a, k.b - h, k.c)) /
            (2 * h),
        (EllipsoidSurfaceArea(k.a, k.b, k.c + h) - EllipsoidSurfaceArea(k.a, k.b, k.c - h)) /
            (2 * h)};
    for (int n = 0; n < 3; ++n)
      EXPECT_NEAR(static_cast<double>(gradient[n] / numeric[n]), 1, 1e-8) << n;
  }
  // A sphere of radius r: S = 4πr², shared equally by the three semi-axes, 8πr/3 each.
  EXPECT_NEAR(static_cast<double>(EllipsoidSurfaceGradient(2, 2, 2)[0]),
              8 * std::numbers::pi * 2 / 3, 1e-14);
}

TEST(PropagateShapeUncertainties, LinearSetMatchesFiniteDifferencesOfTheWholeAnalysis) {
  // Each coordinate in turn is moved by ±h, the cage re-fitted and re-analysed; the central
  // differences, weighted by σ and added in quadrature, are the linear propagation computed
  // the long way.
  const Atoms atoms = TiltedCage();
  const Atoms sigma = VaryingSigma(atoms.x.size());
  const ShapeUncertainties propagated = Propagate(atoms, sigma);
  ASSERT_TRUE(propagated.linear);
  const std::array<double, 8> linear = Flatten(*propagated.linear);

  const Extended h = 1e-6L;
  std::array<Extended, 8> variance{};
  const std::array<std::vector<double> Atoms::*, 3> columns = {&Atoms::x, &Atoms::y, &Atoms::z};
  for (int u = 0; u < 3; ++u) {
    for (std::size_t i = 0; i < atoms.x.size(); ++i) {
      Atoms plus = atoms, minus = atoms;
      (plus.*columns[u])[i] += static_cast<double>(h);
      (minus.*columns[u])[i] -= static_cast<double>(h);
      // The step as it was rounded to 64 bits.
      const Extended step = static_cast<Extended>((plus.*columns[u])[i]) - (minus.*columns[u])[i];
      const Shape up = ShapeOfAtoms(plus), down = ShapeOfAtoms(minus);
      const Extended s = (sigma.*columns[u])[i];
      for (int n = 0; n < 8; ++n) {
        const Extended derivative = (up[n] - down[n]) / step;
        variance[n] += s * s * derivative * derivative;
      }
    }
  }
  // Truncation h²·f'''/f ≈ 1E-12 and rounding of the re-fits 1E-18/h ≈ 1E-12 per derivative:
  // the two sums agree to better than 1E-9.
  for (int n = 0; n < 8; ++n) {
    SCOPED_TRACE(ValueNames[n]);
    EXPECT_NEAR(linear[n] / static_cast<double>(std::sqrt(variance[n])), 1, 1e-9);
  }
}

TEST(PropagateShapeUncertainties, LinearSetMatchesTheMonteCarloSpread) {
  // 6000 re-fits of the cage with normal errors of 0.001–0.005 Å: the relative standard error
  // of a sample deviation is 1/√(2·6000) ≈ 0.9 %, and at these σ the analysis is linear to
  // well under 1 %, so 5 % is more than four standard errors.
  const Atoms atoms = TiltedCage();
  const Atoms sigma = VaryingSigma(atoms.x.size());
  const std::array<double, 8> linear = Flatten(*Propagate(atoms, sigma).linear);

  constexpr int Draws = 6000;
  NormalSampler normal(2024, 15);
  std::array<Extended, 8> sum{}, squares{};
  for (int draw = 0; draw < Draws; ++draw) {
    Atoms drawn = atoms;
    for (std::size_t i = 0; i < atoms.x.size(); ++i) {
      drawn.x[i] += sigma.x[i] * normal.Next();
      drawn.y[i] += sigma.y[i] * normal.Next();
      drawn.z[i] += sigma.z[i] * normal.Next();
    }
    const Shape shape = ShapeOfAtoms(drawn);
    for (int n = 0; n < 8; ++n) {
      sum[n] += shape[n];
      squares[n] += shape[n] * shape[n];
    }
  }
  for (int n = 0; n < 8; ++n) {
    SCOPED_TRACE(ValueNames[n]);
    const Extended mean = sum[n] / Draws;
    const double spread =
        static_cast<double>(std::sqrt((squares[n] - Draws * mean * mean) / (Draws - 1)));
    EXPECT_NEAR(linear[n] / spread, 1, 0.05);
  }
}

TEST(PropagateShapeUncertainties, ScatterSetIsTheCovarianceOfTheFitCarriedByNumericGradients) {
  // s²·γᵀ·(DᵀD)⁻¹·γ, with the gradient γ of each value with respect to A1..A9 taken by
  // central differences of the canonical reduction, not by the analytic chain rule.
  const Atoms atoms = TiltedCage();
  const Matrix9 inverse = InvertGuarded(NormalMatrix(atoms), InversePrecision);
  const QuadricParams a = Fit(atoms, inverse);
  Extended squares = 0;
  for (std::size_t i = 0; i < atoms.x.size(); ++i) {
    const Extended x = atoms.x[i], y = atoms.y[i], z = atoms.z[i];
    const Extended f = a.at(1) * x * x + a.at(2) * y * y + a.at(3) * z * z + a.at(4) * x * y +
                       a.at(5) * y * z + a.at(6) * x * z + a.at(7) * x + a.at(8) * y + a.at(9) * z +
                       1;
    squares += f * f;
  }
  const Extended s2 = squares / (AtomCount - 9);
  std::array<QuadricParams, 8> gradient;
  for (int j = 1; j <= 9; ++j) {
    const Extended h = 1e-7L * std::fabs(a.at(j));
    QuadricParams up = a, down = a;
    up.at(j) += h;
    down.at(j) -= h;
    const Shape u = ShapeOf(up), d = ShapeOf(down);
    for (int n = 0; n < 8; ++n) gradient[n].at(j) = (u[n] - d[n]) / (2 * h);
  }
  const ShapeUncertainties propagated = Propagate(atoms, std::nullopt);
  ASSERT_TRUE(propagated.fitScatter);
  const std::array<double, 8> scatter = Flatten(*propagated.fitScatter);
  for (int n = 0; n < 8; ++n) {
    SCOPED_TRACE(ValueNames[n]);
    Extended quadratic = 0;
    for (int r = 1; r <= 9; ++r)
      for (int c = 1; c <= 9; ++c)
        quadratic += gradient[n].at(r) * inverse.at(r, c) * gradient[n].at(c);
    // Relative steps of 1E-7 leave a truncation error near 1E-14 and rounding near 1E-12.
    EXPECT_NEAR(scatter[n] / static_cast<double>(std::sqrt(s2 * quadratic)), 1, 1e-8);
  }
}

TEST(PropagateShapeUncertainties, TinyCageMatchesAnIndependentCalculation) {
  // Twelve atoms near an ellipsoid; the expected values come from propagation_reference.py
  // (numpy and scipy in 64 bits, every derivative by central differences of its own fit,
  // eigenvalues and R_G). Its differences are good to about 1E-8 relative (steps of 1E-5 and
  // 1E-4 agree that far), hence 1E-7.
  const Atoms atoms = {{0.9015, -1.0255, 0.9471, 0.5988, -1.3409, 2.1069, -1.0493, 0.0688, 1.4642,
                        -1.3716, 1.1057, 0.0932},
                       {0.2922, 0.0461, -1.1278, 1.4580, -1.2789, -0.0851, 0.9645, -1.7725, 1.1510,
                        -0.3862, -0.6867, 0.5820},
                       {1.4834, 1.2453, 1.0436, 0.8524, 0.6241, 0.3946, 0.1364, -0.0169, -0.3172,
                        -0.4549, -0.7044, -0.9159}};
  const ShapeUncertainties sets = Propagate(atoms, VaryingSigma(12));
  ASSERT_TRUE(sets.linear && sets.fitScatter);
  const std::array<double, 8> linear = {0.003130351116, 0.002839179205, 0.002423019761,
                                        0.03672895935,  0.04538210404,  0.001840516385,
                                        0.002234253137, 0.001644726969};
  const std::array<double, 8> scatter = {0.01911251061, 0.01496770706, 0.01193329436,
                                         0.1961657718,  0.2562088036,  0.01221877803,
                                         0.01133416409, 0.008387830805};
  const std::array<double, 8> linearGot = Flatten(*sets.linear);
  const std::array<double, 8> scatterGot = Flatten(*sets.fitScatter);
  for (int n = 0; n < 8; ++n) {
    SCOPED_TRACE(ValueNames[n]);
    EXPECT_NEAR(linearGot[n] / linear[n], 1, 1e-7);
    EXPECT_NEAR(scatterGot[n] / scatter[n], 1, 1e-7);
  }
}

TEST(PropagateShapeUncertainties, RepeatedAtomsScaleBothSetsAsTheirCountsSay) {
  // Every atom of the cage k times over, each copy with its own σ: the fit stays the same and
  // each copy moves the coefficients 1/k as much, so the linear deviations shrink by √k; the
  // squared residuals grow k-fold and (DᵀD)⁻¹ shrinks k-fold, so the scatter deviations change
  // by √((60 − 9)/(60·k − 9)). 120 and 180 atoms take the sums over more than one block of
  // atoms, the last one partly filled.
  const Atoms cage = TiltedCage();
  const Atoms sigma = VaryingSigma(cage.x.size());
  const ShapeUncertainties once = Propagate(cage, sigma);
  ASSERT_TRUE(once.linear && once.fitScatter);
  for (const int k : {2, 3}) {
    SCOPED_TRACE(k);
    Atoms atoms, sigmas;
    for (int copy = 0; copy < k; ++copy) {
      for (std::vector<double> Atoms::*column : {&Atoms::x, &Atoms::y, &Atoms::z}) {
        (atoms.*column).insert((atoms.*column).end(), (cage.*column).begin(), (cage.*column).end());
        (sigmas.*column)
            .insert((sigmas.*column).end(), (sigma.*column).begin(), (sigma.*column).end());
      }
    }
    const ShapeUncertainties repeated = Propagate(atoms, sigmas);
    ASSERT_TRUE(repeated.linear && repeated.fitScatter);
    const double scatterRatio = std::sqrt(51.0 / (60.0 * k - 9));
    for (int n = 0; n < 8; ++n) {
      SCOPED_TRACE(ValueNames[n]);
      EXPECT_NEAR(Flatten(*repeated.linear)[n] * std::sqrt(k) / Flatten(*once.linear)[n], 1, 1e-9);
      EXPECT_NEAR(Flatten(*repeated.fitScatter)[n] / scatterRatio / Flatten(*once.fitScatter)[n], 1,
                  1e-9);
    }
  }
}

TEST(PropagateShapeUncertainties, EmptyOrZeroWhereTheyMustBe) {
  // An exact ellipsoid: the residuals are those of the 64-bit coordinates, near 1E-16, so
  // every fit_sd is some 1E-15 Å against about 1E-3 Å for the noisy cage.
  const Atoms exact = FromPointSet(test::EllipsoidPoints(
      {3.9, 3.5, 3.2}, test::Rotation{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {0.3, -0.2, 0.1}));
  const ShapeUncertainties exactSets = Propagate(exact, std::nullopt);
  ASSERT_TRUE(exactSets.fitScatter);
  for (double sd : Flatten(*exactSets.fitScatter)) EXPECT_LT(sd, 1e-12);
  for (double sd : Flatten(*Propagate(TiltedCage(), std::nullopt).fitScatter)) EXPECT_GT(sd, 1e-5);

  // No uncertainties, or all of them 0: no linear set; the scatter set stays.
  const Atoms cage = TiltedCage();
  const ShapeUncertainties none = Propagate(cage, std::nullopt);
  EXPECT_FALSE(none.linear);
  EXPECT_TRUE(none.fitScatter);
  const Atoms zeros = {std::vector<double>(60, 0.0), std::vector<double>(60, 0.0),
                       std::vector<double>(60, 0.0)};
  EXPECT_FALSE(Propagate(cage, zeros).linear);
  // One non-zero σ is enough for the set.
  Atoms one = zeros;
  one.y[7] = 0.003;
  const ShapeUncertainties single = Propagate(cage, one);
  ASSERT_TRUE(single.linear);
  EXPECT_GT(single.linear->semiAxes[0], 0);

  // Nine atoms on an ellipsoid: the quadric passes through all of them, N − 9 = 0 and the
  // scatter is undefined; the linear set is still given.
  Atoms nine;
  for (int i = 0; i < 60; i += 7) {
    nine.x.push_back(exact.x[i]);
    nine.y.push_back(exact.y[i]);
    nine.z.push_back(exact.z[i]);
  }
  ASSERT_EQ(nine.x.size(), 9u);
  const ShapeUncertainties nineSets = Propagate(nine, VaryingSigma(9));
  EXPECT_FALSE(nineSets.fitScatter);
  ASSERT_TRUE(nineSets.linear);
  for (double sd : Flatten(*nineSets.linear)) EXPECT_TRUE(std::isfinite(sd) && sd > 0);
}

}  // namespace
}  // namespace ovalon
