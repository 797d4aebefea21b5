#include "analysis/propagation.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "ellipsoid/carlson.h"

namespace ovalon {

namespace {

/// The shape's values, in this order: a, b, c (sorted, largest first), volume, exact surface,
/// centre x, y, z.
constexpr int ShapeValueCount = 8;
using ShapeGradients = std::array<QuadricParams, ShapeValueCount>;

/// The row of the design matrix at (x, y, z): x², y², z², x·y, y·z, x·z, x, y, z.
QuadricParams DesignRow(Extended x, Extended y, Extended z) {
  return {{x * x, y * y, z * z, x * y, y * z, x * z, x, y, z}};
}

/// ∂/∂x, ∂/∂y and ∂/∂z of DesignRow at (x, y, z).
std::array<QuadricParams, 3> DesignRowDerivatives(Extended x, Extended y, Extended z) {
  return {{{{2 * x, 0, 0, y, 0, z, 1, 0, 0}},
           {{0, 2 * y, 0, x, z, 0, 0, 1, 0}},
           {{0, 0, 2 * z, 0, y, x, 0, 0, 1}}}};
}

Extended Dot(const QuadricParams& l, const QuadricParams& r) {
  Extended sum = 0;
  for (int j = 0; j < 9; ++j) sum += l.data[j] * r.data[j];
  return sum;
}

/// The gradients of the shape's values with respect to A1..A9 (the constant term stays 1).
ShapeGradients GradientsOfShape(const QuadricParams& params, const CanonicalForm& form) {
  const Matrix3& v = form.eigen.vectors;
  const Vector3& lambda = form.eigen.values;
  const Vector3& semi = form.semiAxes;
  const Extended k = form.freeTerm;

  // M⁻¹ = V·Λ⁻¹·Vᵀ, and the centre −M⁻¹·b.
  Extended inverse[3][3];
  for (int m = 0; m < 3; ++m) {
    for (int n = 0; n < 3; ++n) {
      Extended sum = 0;
      for (int c = 1; c <= 3; ++c) sum += v.at(m + 1, c) * v.at(n + 1, c) / lambda.at(c);
      inverse[m][n] = sum;
    }
  }
  const Extended b[3] = {params.at(7) / 2, params.at(8) / 2, params.at(9) / 2};
  Extended centre[3];
  for (int m = 0; m < 3; ++m)
    centre[m] = -(inverse[m][0] * b[0] + inverse[m][1] * b[1] + inverse[m][2] * b[2]);

  // K = −F(centre), and the gradient of F vanishes there: ∂K/∂A_j is minus row j of D at the
  // centre.
  const QuadricParams row = DesignRow(centre[0], centre[1], centre[2]);
  std::array<QuadricParams, 3> semiAxis;
  for (int c = 1; c <= 3; ++c) {
    const Extended v1 = v.at(1, c), v2 = v.at(2, c), v3 = v.at(3, c);
    const QuadricParams eigenvalue = {{v1 * v1, v2 * v2, v3 * v3, v1 * v2, v2 * v3, v1 * v3}};
    for (int j = 1; j <= 9; ++j) {
      semiAxis[c - 1].at(j) = semi.at(c) / 2 * (-row.at(j) / k - eigenvalue.at(j) / lambda.at(c));
    }
  }

  ShapeGradients gradients;
  std::array<int, 3> order = {0, 1, 2};
  std::stable_sort(order.begin(), order.end(),
                   [&](int l, int r) { return semi.at(l + 1) > semi.at(r + 1); });
  for (int n = 0; n < 3; ++n) gradients[n] = semiAxis[order[n]];

  const Extended volume = FourPi / 3 * semi.at(1) * semi.at(2) * semi.at(3);
  const std::array<Extended, 3> surface =
      EllipsoidSurfaceGradient(semi.at(1), semi.at(2), semi.at(3));
  for (int j = 1; j <= 9; ++j) {
    Extended relative = 0, area = 0;
    for (int c = 0; c < 3; ++c) {
      relative += semiAxis[c].at(j) / semi.at(c + 1);
      area += surface[c] * semiAxis[c].at(j);
    }
    gradients[3].at(j) = volume * relative;
    gradients[4].at(j) = area;
  }

  // ∂centre/∂A_j = −M⁻¹·(∂M/∂A_j·centre + ∂b/∂A_j) = −½·M⁻¹·∇(row j of D) at the centre.
  const std::array<QuadricParams, 3> slope = DesignRowDerivatives(centre[0], centre[1], centre[2]);
  for (int m = 0; m < 3; ++m) {
    for (int j = 1; j <= 9; ++j) {
      Extended sum = 0;
      for (int n = 0; n < 3; ++n) sum += inverse[m][n] * slope[n].at(j);
      gradients[5 + m].at(j) = -sum / 2;
    }
  }
  return gradients;
}

bool AllZero(const CoordinateColumns& sigma) {
  for (std::size_t i = 0; i < sigma.x.size(); ++i) {
    if (sigma.x[i] != 0 || sigma.y[i] != 0 || sigma.z[i] != 0) return false;
  }
  return true;
}

/// The deviations √(var) of the shape's values, in their order.
ShapeDeviations Deviations(const std::array<Extended, ShapeValueCount>& variance) {
  std::array<double, ShapeValueCount> sd;
  for (int n = 0; n < ShapeValueCount; ++n) sd[n] = static_cast<double>(std::sqrt(variance[n]));
  return {{sd[0], sd[1], sd[2]}, sd[3], sd[4], {sd[5], sd[6], sd[7]}};
}

}  // namespace

CoordinateColumns Columns(const PointSet& points) {
  return {points.X.data, points.Y.data, points.Z.data};
}

std::array<Extended, 3> EllipsoidSurfaceGradient(Extended a, Extended b, Extended c) {
  const Extended x = (b * c) * (b * c), y = (c * a) * (c * a), z = (a * b) * (a * b);
  const Extended rf = CarlsonRF(x, y, z);
  // ∂R_G/∂x, ∂R_G/∂y, ∂R_G/∂z: R_D takes the variable of the derivative last.
  const Extended gx = (3 * rf - x * CarlsonRD(y, z, x)) / 12;
  const Extended gy = (3 * rf - y * CarlsonRD(z, x, y)) / 12;
  const Extended gz = (3 * rf - z * CarlsonRD(x, y, z)) / 12;
  return {FourPi * 2 * a * (gy * c * c + gz * b * b), FourPi * 2 * b * (gx * c * c + gz * a * a),
          FourPi * 2 * c * (gx * b * b + gy * a * a)};
}

ShapeUncertainties PropagateShapeUncertainties(const CoordinateColumns& coords,
                                               const std::optional<CoordinateColumns>& sigma,
                                               const QuadricParams& params,
                                               const Matrix9& inverseNormal,
                                               const CanonicalForm& form) {
  const std::size_t atoms = coords.x.size();
  assert(coords.y.size() == atoms && coords.z.size() == atoms);
  const bool linear = sigma && !AllZero(*sigma);
  assert(!sigma ||
         (sigma->x.size() == atoms && sigma->y.size() == atoms && sigma->z.size() == atoms));

  // One pass over the atoms: the residual sum of squares, and, for the linear propagation,
  // H = Σ_k σ_k²·h_k·h_kᵀ over the coordinates, where h_k = F_i·∂d_i/∂u + (∂F_i/∂u)·d_i is
  // minus (DᵀD)·J_k: differentiating DᵀD·A = −Dᵀ·1 moves only row d_i of atom i.
  Extended squares = 0;
  Extended h[9][9] = {};
  for (std::size_t i = 0; i < atoms; ++i) {
    const Extended x = coords.x[i], y = coords.y[i], z = coords.z[i];
    const QuadricParams row = DesignRow(x, y, z);
    const Extended residual = Dot(row, params) + 1;
    squares += residual * residual;
    if (!linear) continue;
    const std::array<QuadricParams, 3> slope = DesignRowDerivatives(x, y, z);
    const double deviation[3] = {sigma->x[i], sigma->y[i], sigma->z[i]};
    for (int u = 0; u < 3; ++u) {
      if (deviation[u] == 0) continue;
      const Extended s = deviation[u];
      const Extended sResidual = s * residual, sSlope = s * Dot(slope[u], params);
      Extended t[9];
      for (int j = 0; j < 9; ++j) t[j] = sResidual * slope[u].data[j] + sSlope * row.data[j];
      for (int r = 0; r < 9; ++r) {
        for (int c = 0; c <= r; ++c) h[r][c] += t[r] * t[c];
      }
    }
  }

  const ShapeGradients gradients = GradientsOfShape(params, form);
  const bool scatter = atoms > 9;
  const Extended scale = scatter ? squares / static_cast<Extended>(atoms - 9) : 0;
  std::array<Extended, ShapeValueCount> linearVariance{}, scatterVariance{};
  for (int n = 0; n < ShapeValueCount; ++n) {
    // w = (DᵀD)⁻ᵀ·γ, so that γᵀ·J_k = −wᵀ·h_k and γᵀ·(DᵀD)⁻¹·γ = wᵀ·γ.
    Extended w[9];
    for (int j = 1; j <= 9; ++j) {
      Extended sum = 0;
      for (int r = 1; r <= 9; ++r) sum += inverseNormal.at(r, j) * gradients[n].at(r);
      w[j - 1] = sum;
    }
    Extended quadratic = 0, projection = 0;
    for (int r = 0; r < 9; ++r) {
      projection += w[r] * gradients[n].data[r];
      if (!linear) continue;
      Extended row = 0;
      for (int c = 0; c < r; ++c) row += h[r][c] * w[c];
      quadratic += w[r] * (2 * row + h[r][r] * w[r]);
    }
    linearVariance[n] = quadratic;
    scatterVariance[n] = scale * projection;
  }

  ShapeUncertainties result;
  if (linear) result.linear = Deviations(linearVariance);
  if (scatter) result.fitScatter = Deviations(scatterVariance);
  return result;
}

}  // namespace ovalon
