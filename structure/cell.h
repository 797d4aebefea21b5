#pragma once
// The unit cell: fractional to Cartesian coordinates and the propagation of their uncertainties.

#include <array>

#include "core/extended.h"

namespace ovalon {

using CellMatrix = std::array<std::array<Extended, 3>, 3>;
using Triple = std::array<double, 3>;

/// The six cell parameters a, b, c (Å), α, β, γ (degrees) and their standard uncertainties.
struct CellParameters {
  std::array<double, 6> value{};
  std::array<double, 6> sigma{};
};

/// Whether the parameters describe a cell of positive volume.
bool IsValidCell(const CellParameters& cell);

/// The orthogonalisation matrix M (x = M·f) with a along x and b in the xy plane:
///   | a   b·cosγ   c·cosβ                 |
///   | 0   b·sinγ   c·(cosα − cosβ·cosγ)/sinγ |
///   | 0   0        c·w/sinγ               |,  w = √(1 − cos²α − cos²β − cos²γ + 2·cosα·cosβ·cosγ).
CellMatrix Orthogonalisation(const CellParameters& cell);

/// ∂M/∂p for p = a, b, c, α, β, γ; the angle derivatives are per radian.
std::array<CellMatrix, 6> OrthogonalisationDerivatives(const CellParameters& cell);

/// A Cartesian position with its standard uncertainties, in Å.
struct CartesianSite {
  Triple position{};
  Triple sigma{};
};

/// The Cartesian position of the image f' = R·f + t of a site, where `rotation` is R and
/// `image` is f', with the fractional uncertainties `sigma` of f. Linear propagation with every
/// parameter independent:
///   σ²(x_i) = Σ_k (Σ_j M_ij·R_jk)²·σ²(f_k) + Σ_p (Σ_j ∂M_ij/∂p·f'_j)²·σ²(p).
CartesianSite ToCartesian(const CellParameters& cell, const CellMatrix& rotation,
                          const Triple& image, const Triple& sigma);

}  // namespace ovalon
