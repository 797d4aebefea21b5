#pragma once
// First-order uncertainties of a fitted ellipsoid's shape for any number of atoms: linear
// propagation of the coordinate uncertainties in quadrature, and the spread implied by the
// fit's own scatter. Both are exact first derivatives at the fitted coefficients; nothing is
// re-fitted.

#include <array>
#include <optional>
#include <span>

#include "core/extended.h"
#include "ellipsoid/ellipsoid.h"

namespace ovalon {

/// X, Y and Z of N atoms (or their uncertainties) as three columns of equal length.
struct CoordinateColumns {
  std::span<const double> x, y, z;
};

/// The columns of a point set of any size.
template <int N>
CoordinateColumns ColumnsOf(const BasicPointSet<N>& points) {
  return {points.X.data, points.Y.data, points.Z.data};
}

/// Standard deviations of what the summary reports of an ellipsoid, in its units.
struct ShapeDeviations {
  std::array<double, 3> semiAxes{};  ///< of a ≥ b ≥ c, the semi-axes sorted as the summary does
  double volume = 0;
  double surfaceExact = 0;         ///< of the exact surface 4π·R_G(b²c², c²a², a²b²)
  std::array<double, 3> centre{};  ///< of the centre's x, y, z
};

/// The two sets of uncertainties; each is empty where it cannot be given.
struct ShapeUncertainties {
  /// Linear propagation of the coordinate uncertainties: with J_k = ∂A/∂u_k, the exact
  /// derivative of the least-squares coefficients A = −(DᵀD)⁻¹Dᵀ·1 with respect to the k-th of
  /// the 3N coordinates, cov A = Σ_k J_k·σ_k²·J_kᵀ. Empty when no uncertainties are given or
  /// all of them are 0 (a zero would read as an exact cage).
  std::optional<ShapeDeviations> linear;
  /// From the fit's scatter: cov A = s²·(DᵀD)⁻¹ with s² = Σ F_i² / (N − 9) over the algebraic
  /// residuals F_i. Empty for N ≤ 9, where the scatter is undefined.
  std::optional<ShapeDeviations> fitScatter;
};

/// Both sets for the ellipsoid fitted to `coords`: `params` are its coefficients A1..A9 (the
/// constant term is 1), `inverseNormal` is (DᵀD)⁻¹ of the same coordinates (the fit's own, from
/// FitQuadricWithInverseNormal), and `form` is the canonical form of ToQuadricForm(params, 1)
/// (its eigenvectors unit columns). `sigma`, when given, holds an uncertainty per coordinate, with
/// as many atoms as `coords`. Each covariance is carried to the shape through the shape's exact
/// derivatives with respect to A: the eigenvalue perturbation ∂λ_k = v_kᵀ·∂M·v_k for the semi-axes
/// a_k = √(K/λ_k), the gradient of K = −F(centre), and the chain rule for the centre, the volume
/// and the exact surface. The quadric must be an ellipsoid with distinct eigenvalues: at a double
/// eigenvalue the sorted semi-axes have no derivative.
ShapeUncertainties PropagateShapeUncertainties(const CoordinateColumns& coords,
                                               const std::optional<CoordinateColumns>& sigma,
                                               const QuadricParams& params,
                                               const Matrix9& inverseNormal,
                                               const CanonicalForm& form);

/// The gradient (∂S/∂a, ∂S/∂b, ∂S/∂c) of the exact surface S = 4π·R_G(b²c², c²a², a²b²),
/// from ∂R_G(x, y, z)/∂z = (3·R_F(x, y, z) − z·R_D(x, y, z)) / 12.
std::array<Extended, 3> EllipsoidSurfaceGradient(Extended a, Extended b, Extended c);

}  // namespace ovalon
