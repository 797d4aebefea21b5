#include "structure/cell.h"

#include <cmath>
#include <numbers>

namespace ovalon {

namespace {

constexpr Extended Radian = std::numbers::pi_v<Extended> / 180;

struct Angles {
  Extended ca, cb, cg, sa, sb, sg;
};

Angles CellAngles(const CellParameters& cell) {
  const Extended alpha = cell.value[3] * Radian;
  const Extended beta = cell.value[4] * Radian;
  const Extended gamma = cell.value[5] * Radian;
  return {cosl(alpha), cosl(beta), cosl(gamma), sinl(alpha), sinl(beta), sinl(gamma)};
}

/// w² = 1 − cos²α − cos²β − cos²γ + 2·cosα·cosβ·cosγ, the squared volume of the unit-edge cell.
Extended VolumeFactorSquared(const Angles& t) {
  return 1 - t.ca * t.ca - t.cb * t.cb - t.cg * t.cg + 2 * t.ca * t.cb * t.cg;
}

}  // namespace

bool IsValidCell(const CellParameters& cell) {
  for (int i = 0; i < 6; ++i)
    if (!(cell.value[i] > 0) || !std::isfinite(cell.value[i])) return false;
  for (int i = 3; i < 6; ++i)
    if (!(cell.value[i] < 180)) return false;
  // Coplanar edges give a w² of rounding noise rather than exactly 0.
  return VolumeFactorSquared(CellAngles(cell)) > 1e-12L;
}

CellMatrix Orthogonalisation(const CellParameters& cell) {
  const Extended a = cell.value[0], b = cell.value[1], c = cell.value[2];
  const Angles t = CellAngles(cell);
  const Extended w = sqrtl(VolumeFactorSquared(t));
  CellMatrix m{};
  m[0] = {a, b * t.cg, c * t.cb};
  m[1] = {0, b * t.sg, c * (t.ca - t.cb * t.cg) / t.sg};
  m[2] = {0, 0, c * w / t.sg};
  return m;
}

std::array<CellMatrix, 6> OrthogonalisationDerivatives(const CellParameters& cell) {
  const Extended b = cell.value[1], c = cell.value[2];
  const Angles t = CellAngles(cell);
  const Extended w = sqrtl(VolumeFactorSquared(t));
  const Extended sg2 = t.sg * t.sg;
  std::array<CellMatrix, 6> d{};
  d[0][0][0] = 1;
  d[1][0][1] = t.cg;
  d[1][1][1] = t.sg;
  d[2][0][2] = t.cb;
  d[2][1][2] = (t.ca - t.cb * t.cg) / t.sg;
  d[2][2][2] = w / t.sg;
  // ∂(w²)/∂α = 2·sinα·(cosα − cosβ·cosγ), so ∂w/∂α = sinα·(cosα − cosβ·cosγ)/w; β and γ alike.
  d[3][1][2] = -c * t.sa / t.sg;
  d[3][2][2] = c * t.sa * (t.ca - t.cb * t.cg) / (w * t.sg);
  d[4][0][2] = -c * t.sb;
  d[4][1][2] = c * t.sb * t.cg / t.sg;
  d[4][2][2] = c * t.sb * (t.cb - t.ca * t.cg) / (w * t.sg);
  d[5][0][1] = -b * t.sg;
  d[5][1][1] = b * t.cg;
  d[5][1][2] = c * (t.cb - t.ca * t.cg) / sg2;
  d[5][2][2] = c * (sg2 * (t.cg - t.ca * t.cb) / w - w * t.cg) / sg2;
  return d;
}

CartesianSite ToCartesian(const CellParameters& cell, const CellMatrix& rotation,
                          const Triple& image, const Triple& sigma) {
  const CellMatrix m = Orthogonalisation(cell);
  const std::array<CellMatrix, 6> dm = OrthogonalisationDerivatives(cell);
  std::array<Extended, 6> parameterSigma{};
  for (int p = 0; p < 6; ++p) parameterSigma[p] = p < 3 ? cell.sigma[p] : cell.sigma[p] * Radian;
  CartesianSite site;
  for (int i = 0; i < 3; ++i) {
    Extended x = 0;
    for (int j = 0; j < 3; ++j) x += m[i][j] * image[j];
    Extended variance = 0;
    for (int k = 0; k < 3; ++k) {
      Extended jacobian = 0;
      for (int j = 0; j < 3; ++j) jacobian += m[i][j] * rotation[j][k];
      variance += jacobian * jacobian * sigma[k] * sigma[k];
    }
    for (int p = 0; p < 6; ++p) {
      Extended derivative = 0;
      for (int j = 0; j < 3; ++j) derivative += dm[p][i][j] * image[j];
      variance += derivative * derivative * parameterSigma[p] * parameterSigma[p];
    }
    site.position[i] = static_cast<double>(x);
    site.sigma[i] = static_cast<double>(sqrtl(variance));
  }
  return site;
}

}  // namespace ovalon
