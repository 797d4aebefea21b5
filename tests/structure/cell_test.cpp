// Orthogonalisation of the cell and the propagation of uncertainties to Cartesian coordinates.

#include "structure/cell.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace ovalon {
namespace {

constexpr double Degree = std::numbers::pi / 180;

CellParameters Cell(double a, double b, double c, double alpha, double beta, double gamma) {
  CellParameters cell;
  cell.value = {a, b, c, alpha, beta, gamma};
  return cell;
}

CellMatrix Identity() {
  CellMatrix r{};
  for (int i = 0; i < 3; ++i) r[i][i] = 1;
  return r;
}

Triple Position(const CellParameters& cell, const Triple& f) {
  return ToCartesian(cell, Identity(), f, {}).position;
}

TEST(Orthogonalisation, ReproducesTheMetricOfTriclinicMonoclinicAndCubicCells) {
  // The columns of M are the cell edges, so MᵀM must be the metric tensor
  // G_ij = |a_i|·|a_j|·cos(angle between them), computed here from the parameters alone.
  const CellParameters cells[] = {Cell(7.1, 8.3, 9.7, 81.5, 95.25, 103.75),
                                  Cell(10.2, 13.5, 17.1, 90, 108.4, 90),
                                  Cell(14.04, 14.04, 14.04, 90, 90, 90)};
  for (const CellParameters& cell : cells) {
    const CellMatrix m = Orthogonalisation(cell);
    const double len[3] = {cell.value[0], cell.value[1], cell.value[2]};
    const double cosine[3][3] = {
        {1, std::cos(cell.value[5] * Degree), std::cos(cell.value[4] * Degree)},
        {std::cos(cell.value[5] * Degree), 1, std::cos(cell.value[3] * Degree)},
        {std::cos(cell.value[4] * Degree), std::cos(cell.value[3] * Degree), 1}};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        const double g = static_cast<double>(m[0][i] * m[0][j] + m[1][i] * m[1][j] + m[2][i] * m[2][j]);
        EXPECT_NEAR(g, len[i] * len[j] * cosine[i][j], 1e-12) << i << j;
      }
    EXPECT_EQ(m[1][0], 0);  // a along x, b in the xy plane
    EXPECT_EQ(m[2][0], 0);
    EXPECT_EQ(m[2][1], 0);
  }
  // The cubic cell by hand: x = a·f.
  const Triple x = Position(Cell(14.04, 14.04, 14.04, 90, 90, 90), {0.25, -0.5, 0.125});
  EXPECT_NEAR(x[0], 3.51, 1e-14);
  EXPECT_NEAR(x[1], -7.02, 1e-14);
  EXPECT_NEAR(x[2], 1.755, 1e-14);
}

TEST(OrthogonalisationDerivatives, AgreeWithCentralDifferences) {
  // Central differences with step h have error O(h²·M'''); h = 1e-5 (Å or degrees) leaves
  // about 1e-10 of rounding and truncation, far below the 1e-7 allowed.
  const CellParameters cell = Cell(7.1, 8.3, 9.7, 81.5, 95.25, 103.75);
  const std::array<CellMatrix, 6> d = OrthogonalisationDerivatives(cell);
  for (int p = 0; p < 6; ++p) {
    const double h = 1e-5;
    CellParameters up = cell, down = cell;
    up.value[p] += h;
    down.value[p] -= h;
    const CellMatrix mu = Orthogonalisation(up), md = Orthogonalisation(down);
    const double perUnit = p < 3 ? 1 : 1 / Degree;  // the derivatives are per radian
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        EXPECT_NEAR(static_cast<double>(d[p][i][j]),
                    static_cast<double>(mu[i][j] - md[i][j]) / (2 * h) * perUnit, 1e-7)
            << "parameter " << p << " element " << i << j;
  }
}

TEST(ToCartesian, PropagatesCellAndCoordinateUncertainties) {
  // Cubic by hand: x = a·f, so σ²(x) = (a·σf)² + (f·σa)².
  CellParameters cubic = Cell(10, 10, 10, 90, 90, 90);
  cubic.sigma = {0.01, 0.01, 0.01, 0, 0, 0};
  const CartesianSite s = ToCartesian(cubic, Identity(), {0.1, 0.2, 0.3}, {0.001, 0, 0.002});
  EXPECT_NEAR(s.sigma[0], std::hypot(10 * 0.001, 0.1 * 0.01), 1e-15);
  EXPECT_NEAR(s.sigma[1], 0.2 * 0.01, 1e-15);
  EXPECT_NEAR(s.sigma[2], std::hypot(10 * 0.002, 0.3 * 0.01), 1e-15);

  // Triclinic, against σ² = Σ (∂x/∂q·σq)² with every ∂x/∂q a central difference of the
  // position: the fractional coordinates of the site (through the inversion R = −1, so the
  // image is −f) and the six cell parameters. Tolerance as in the derivative test.
  CellParameters cell = Cell(7.1, 8.3, 9.7, 81.5, 95.25, 103.75);
  cell.sigma = {0.002, 0.003, 0.0015, 0.02, 0.015, 0.03};
  const Triple f = {0.31, -0.12, 0.44};
  const Triple fSigma = {0.0004, 0.0007, 0.0002};
  CellMatrix inversion{};
  for (int i = 0; i < 3; ++i) inversion[i][i] = -1;
  const Triple image = {-f[0], -f[1], -f[2]};
  const CartesianSite site = ToCartesian(cell, inversion, image, fSigma);
  const double h = 1e-5;
  Triple variance{};
  for (int k = 0; k < 3; ++k) {
    Triple up = f, down = f;
    up[k] += h;
    down[k] -= h;
    const Triple xu = Position(cell, {-up[0], -up[1], -up[2]});
    const Triple xd = Position(cell, {-down[0], -down[1], -down[2]});
    for (int i = 0; i < 3; ++i) variance[i] += std::pow((xu[i] - xd[i]) / (2 * h) * fSigma[k], 2);
  }
  for (int p = 0; p < 6; ++p) {
    CellParameters up = cell, down = cell;
    up.value[p] += h;
    down.value[p] -= h;
    const Triple xu = Position(up, image), xd = Position(down, image);
    for (int i = 0; i < 3; ++i) variance[i] += std::pow((xu[i] - xd[i]) / (2 * h) * cell.sigma[p], 2);
  }
  const Triple plain = Position(cell, image);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(site.position[i], plain[i], 1e-15);
    EXPECT_NEAR(site.sigma[i], std::sqrt(variance[i]), 1e-9) << i;
    EXPECT_GT(site.sigma[i], 0.001);  // the check is not trivially satisfied by tiny values
  }
}

TEST(IsValidCell, RefusesCellsWithoutVolume) {
  EXPECT_TRUE(IsValidCell(Cell(5, 6, 7, 90, 100, 90)));
  EXPECT_FALSE(IsValidCell(Cell(0, 6, 7, 90, 90, 90)));
  EXPECT_FALSE(IsValidCell(Cell(5, 6, 7, 90, 180, 90)));
  EXPECT_FALSE(IsValidCell(Cell(5, 6, 7, 120, 120, 120)));  // the three edges are coplanar
  EXPECT_FALSE(IsValidCell(Cell(5, 6, 7, 130, 130, 130)));  // no such cell
  EXPECT_FALSE(IsValidCell(Cell(5, 6, NAN, 90, 90, 90)));
}

}  // namespace
}  // namespace ovalon
