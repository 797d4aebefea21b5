#include "analysis/propagation.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "ellipsoid/carlson.h"

namespace ovalon {

namespace {

/// Nine coefficients given in order.
QuadricParams Params(const std::array<Extended, 9>& values) {
  QuadricParams params;
  params.data = values;
  return params;
}

/// The row of the design matrix at (x, y, z): x², y², z², x·y, y·z, x·z, x, y, z.
QuadricParams DesignRow(Extended x, Extended y, Extended z) {
  return Params({x * x, y * y, z * z, x * y, y * z, x * z, x, y, z});
}

/// ∂/∂x, ∂/∂y and ∂/∂z of DesignRow at (x, y, z).
std::array<QuadricParams, 3> DesignRowDerivatives(Extended x, Extended y, Extended z) {
  return {Params({2 * x, 0, 0, y, 0, z, 1, 0, 0}), Params({0, 2 * y, 0, x, z, 0, 0, 1, 0}),
          Params({0, 0, 2 * z, 0, y, x, 0, 0, 1})};
}

/// A quadric polynomial c1·x² + c2·y² + c3·z² + c4·x·y + c5·y·z + c6·x·z + c7·x + c8·y + c9·z
/// at a point, with its gradient.
struct PolynomialValue {
  Extended value;
  Extended gradient[3];
};

/// How the shape depends on A1..A9 (the constant term stays 1), to first order. The volume
/// and the surface depend on A only through the semi-axes, so they are carried as
/// combinations of the semi-axes' gradients.
struct ShapeDerivatives {
  /// ∂/∂A of a1, a2, a3 (in the order of the eigenvalues), then of the centre's x, y, z.
  std::array<QuadricParams, 6> gradients;
  std::array<Extended, 3> volume;   ///< ∂V/∂a_k
  std::array<Extended, 3> surface;  ///< ∂S/∂a_k
};

ShapeDerivatives DeriveShape(const QuadricParams& params, const CanonicalForm& form) {
  const Matrix3& v = form.eigen.vectors;
  const Vector3& lambda = form.eigen.values;
  const Vector3& semi = form.semiAxes;
  const Extended k = form.freeTerm;
  ShapeDerivatives result;

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

  // a_k = √(K/λ_k). K = −F(centre), and the gradient of F vanishes at the centre, so ∂K/∂A_j
  // is minus row j of D at the centre; ∂λ_k/∂A_j = v_kᵀ·(∂M/∂A_j)·v_k.
  const QuadricParams row = DesignRow(centre[0], centre[1], centre[2]);
  for (int c = 1; c <= 3; ++c) {
    const Extended v1 = v.at(1, c), v2 = v.at(2, c), v3 = v.at(3, c);
    const QuadricParams eigenvalue =
        Params({v1 * v1, v2 * v2, v3 * v3, v1 * v2, v2 * v3, v1 * v3, 0, 0, 0});
    for (int j = 1; j <= 9; ++j) {
      result.gradients[c - 1].at(j) =
          semi.at(c) / 2 * (-row.at(j) / k - eigenvalue.at(j) / lambda.at(c));
    }
  }

  // ∂centre/∂A_j = −M⁻¹·(∂M/∂A_j·centre + ∂b/∂A_j) = −½·M⁻¹·∇(row j of D) at the centre.
  const std::array<QuadricParams, 3> slope = DesignRowDerivatives(centre[0], centre[1], centre[2]);
  for (int m = 0; m < 3; ++m) {
    for (int j = 1; j <= 9; ++j) {
      Extended sum = 0;
      for (int n = 0; n < 3; ++n) sum += inverse[m][n] * slope[n].at(j);
      result.gradients[3 + m].at(j) = -sum / 2;
    }
  }

  const Extended volume = FourPi / 3 * semi.at(1) * semi.at(2) * semi.at(3);
  for (int c = 0; c < 3; ++c) result.volume[c] = volume / semi.at(c + 1);
  result.surface = EllipsoidSurfaceGradient(semi.at(1), semi.at(2), semi.at(3));
  return result;
}

/// Mᵀ·v, each entry Σ_r M(r, j)·v_r summed over r in order. Three entries are summed side by
/// side: their sums are independent, so each add need not wait for the one before it.
QuadricParams TransposedProduct(const Matrix9& m, const QuadricParams& v) {
  QuadricParams result;
  for (int j = 1; j <= 9; j += 3) {
    Extended first = 0, second = 0, third = 0;
    for (int r = 1; r <= 9; ++r) {
      const Extended factor = v.at(r);
      first += m.at(r, j) * factor;
      second += m.at(r, j + 1) * factor;
      third += m.at(r, j + 2) * factor;
    }
    result.at(j) = first;
    result.at(j + 1) = second;
    result.at(j + 2) = third;
  }
  return result;
}

/// Variances of a1, a2, a3 (eigenvalue order), the centre's x, y, z, the volume and the surface.
using Variances = std::array<Extended, 8>;

// The sums over the atoms run in short passes over a block of atoms, each pass with few enough
// live values for the eight x87 registers: a running sum stays in a register for a whole pass,
// and so do the coefficients a pass multiplies by, where otherwise they would go through memory
// for every atom. Values that several passes read (the fitted quadric and its gradient, the
// semi-axes' terms) are computed once per atom and kept for the block. Each sum still takes its
// terms in the order of the atoms, then x, y, z, and every operation has its own operands.

/// Atoms per block: the shared per-atom values of a block fit on the stack for any atom count.
constexpr std::size_t BlockSize = 64;

/// Consecutive atoms' columns (coordinates or their uncertainties).
struct AtomBlock {
  const double* x;
  const double* y;
  const double* z;
  std::size_t count;
};

AtomBlock BlockOf(const CoordinateColumns& columns, std::size_t first, std::size_t count) {
  return {columns.x.data() + first, columns.y.data() + first, columns.z.data() + first, count};
}

// A quadric polynomial with the coefficients c1..c9 and its gradient are evaluated as
//   lx = c1·x + c4·y + c6·z + c7,   ly = c2·y + c5·z + c8,   lz = c3·z + c9,
//   value = x·lx + y·ly + z·lz,
//   gradient = (lx + c1·x, ly + c2·y + c4·x, lz + c3·z + c5·y + c6·x),
// every sum from left to right. The atoms of a block go through one pass for each of lx, ly and
// lz, so that the four coefficients a pass needs can stay in registers; AddLinearTerms does the
// pass for lz itself.

/// lx at each atom: the gradient's x component lx + c1·x, and x·lx, the value's first term.
void EvaluateXPart(const QuadricParams& c, const AtomBlock& atoms, PolynomialValue* p) {
  const Extended c1 = c.data[0], c4 = c.data[3], c6 = c.data[5], c7 = c.data[6];
  for (std::size_t i = 0; i < atoms.count; ++i) {
    const Extended x = atoms.x[i], y = atoms.y[i], z = atoms.z[i];
    const Extended lx = c1 * x + c4 * y + c6 * z + c7;
    p[i].gradient[0] = lx + c1 * x;
    p[i].value = x * lx;
  }
}

/// ly at each atom: the gradient's y component ly + c2·y + c4·x, and the value's term y·ly.
void EvaluateYPart(const QuadricParams& c, const AtomBlock& atoms, PolynomialValue* p) {
  const Extended c2 = c.data[1], c4 = c.data[3], c5 = c.data[4], c8 = c.data[7];
  for (std::size_t i = 0; i < atoms.count; ++i) {
    const Extended x = atoms.x[i], y = atoms.y[i], z = atoms.z[i];
    const Extended ly = c2 * y + c5 * z + c8;
    p[i].gradient[1] = ly + c2 * y + c4 * x;
    p[i].value = p[i].value + y * ly;
  }
}

/// The z part at one atom, with lz = c3·z + c9: the gradient's z component lz + c3·z + c5·y + c6·x,
/// and the value completed from `partialValue` = x·lx + y·ly.
struct ZPart {
  Extended slope;
  Extended value;
};

[[gnu::always_inline]] inline ZPart CompleteWithZPart(const QuadricParams& c, Extended x,
                                                      Extended y, Extended z,
                                                      Extended partialValue) {
  const Extended c3 = c.data[2];
  const Extended lz = c3 * z + c.data[8];
  return {lz + c3 * z + c.data[4] * y + c.data[5] * x, partialValue + z * lz};
}

/// The z part at each atom of the block, after the x and y parts.
void EvaluateZPart(const QuadricParams& c, const AtomBlock& atoms, PolynomialValue* p) {
  for (std::size_t i = 0; i < atoms.count; ++i) {
    const ZPart part = CompleteWithZPart(c, atoms.x[i], atoms.y[i], atoms.z[i], p[i].value);
    p[i].gradient[2] = part.slope;
    p[i].value = part.value;
  }
}

/// The polynomial with the coefficients `c` and its gradient at each atom of the block.
void EvaluateAtAtoms(const QuadricParams& c, const AtomBlock& atoms, PolynomialValue* p) {
  EvaluateXPart(c, atoms, p);
  EvaluateYPart(c, atoms, p);
  EvaluateZPart(c, atoms, p);
}

/// `squares` plus Σ F_i² over the block, where `fit` holds the fitted quadric without its
/// constant 1 at the atoms; the 1 is added in place, so that `fit` holds each F_i after.
Extended AddSquaredResiduals(PolynomialValue* fit, std::size_t count, Extended squares) {
  for (std::size_t i = 0; i < count; ++i) {
    const Extended residual = fit[i].value + 1;
    squares += residual * residual;
    fit[i].value = residual;
  }
  return squares;
}

/// The terms t_u of the three semi-axes over a block: terms[n][i][u].
using SemiAxisTerms = Extended[3][BlockSize][3];

/// One term t_u = σ_u·(F·∂p/∂u + (∂F/∂u)·p) of atom i, coordinate u.
[[gnu::always_inline]] inline Extended LinearTerm(Extended sigma, Extended residual, Extended slope,
                                                  Extended fitSlope, Extended value) {
  return sigma * (residual * slope + fitSlope * value);
}

/// `sum` plus Σ t_u² over the block's atoms and u = x, y, z, for the polynomial p_n with the
/// coefficients `c`, of which `p` holds the x and y parts (EvaluateXPart, EvaluateYPart); `fit`
/// holds F with its gradient at the atoms. The z part is completed here, which spares storing
/// and loading it again. With KeepTerms, the t_u are kept in `terms` as terms[i][u].
template <bool KeepTerms>
Extended AddLinearTerms(const QuadricParams& c, const AtomBlock& atoms, const PolynomialValue* p,
                        const PolynomialValue* fit, const AtomBlock& sigma, Extended sum,
                        Extended (*terms)[3]) {
  for (std::size_t i = 0; i < atoms.count; ++i) {
    const ZPart z = CompleteWithZPart(c, atoms.x[i], atoms.y[i], atoms.z[i], p[i].value);
    const PolynomialValue& f = fit[i];
    const Extended tx = LinearTerm(sigma.x[i], f.value, p[i].gradient[0], f.gradient[0], z.value);
    sum += tx * tx;
    const Extended ty = LinearTerm(sigma.y[i], f.value, p[i].gradient[1], f.gradient[1], z.value);
    sum += ty * ty;
    const Extended tz = LinearTerm(sigma.z[i], f.value, z.slope, f.gradient[2], z.value);
    sum += tz * tz;
    if constexpr (KeepTerms) {
      terms[i][0] = tx;
      terms[i][1] = ty;
      terms[i][2] = tz;
    }
  }
  return sum;
}

/// c_1·t_1 + c_2·t_2 + c_3·t_3: a term of the volume or the surface from those of the semi-axes.
[[gnu::always_inline]] inline Extended CombinedTerm(const std::array<Extended, 3>& c, Extended t1,
                                                    Extended t2, Extended t3) {
  return c[0] * t1 + c[1] * t2 + c[2] * t3;
}

/// `sum` plus the squares of the combined terms over the block's atoms and u = x, y, z.
Extended AddCombinedTerms(const std::array<Extended, 3>& c, const SemiAxisTerms& terms,
                          std::size_t count, Extended sum) {
  for (std::size_t i = 0; i < count; ++i) {
    const Extended x = CombinedTerm(c, terms[0][i][0], terms[1][i][0], terms[2][i][0]);
    sum += x * x;
    const Extended y = CombinedTerm(c, terms[0][i][1], terms[1][i][1], terms[2][i][1]);
    sum += y * y;
    const Extended z = CombinedTerm(c, terms[0][i][2], terms[1][i][2], terms[2][i][2]);
    sum += z * z;
  }
  return sum;
}

bool AllZero(const CoordinateColumns& sigma) {
  for (std::size_t i = 0; i < sigma.x.size(); ++i) {
    if (sigma.x[i] != 0 || sigma.y[i] != 0 || sigma.z[i] != 0) return false;
  }
  return true;
}

/// The deviations √(var), the semi-axes sorted as the summary sorts them: largest first, ties
/// in the order of the eigenvalues.
ShapeDeviations Deviations(const Variances& variance, const Vector3& semiAxes) {
  std::array<int, 3> order = {0, 1, 2};
  std::stable_sort(order.begin(), order.end(),
                   [&](int l, int r) { return semiAxes.at(l + 1) > semiAxes.at(r + 1); });
  const auto sd = [&](int n) { return static_cast<double>(std::sqrt(variance[n])); };
  return {{sd(order[0]), sd(order[1]), sd(order[2])}, sd(6), sd(7), {sd(3), sd(4), sd(5)}};
}

}  // namespace

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
  assert(!sigma ||
         (sigma->x.size() == atoms && sigma->y.size() == atoms && sigma->z.size() == atoms));
  const bool linear = sigma && !AllZero(*sigma);
  const ShapeDerivatives shape = DeriveShape(params, form);

  // For each gradient γ_n: w_n = (DᵀD)⁻ᵀ·γ_n, and the products γ_mᵀ·(DᵀD)⁻¹·γ_n = w_nᵀ·γ_m
  // among the semi-axes (the volume and the surface need them) and of the centre with itself.
  std::array<QuadricParams, 6> weights;
  for (int n = 0; n < 6; ++n) weights[n] = TransposedProduct(inverseNormal, shape.gradients[n]);
  const auto product = [&](int m, int n) {
    Extended sum = 0;
    for (int j = 1; j <= 9; ++j) sum += shape.gradients[m].at(j) * weights[n].at(j);
    return sum;
  };

  // Moving coordinate u of atom i moves only row d_i of D; differentiating DᵀD·A = −Dᵀ·1 gives
  // DᵀD·J = −(F_i·∂d_i/∂u + (∂F_i/∂u)·d_i), hence γ_nᵀ·J = −(F_i·∂p_n/∂u + (∂F_i/∂u)·p_n) with
  // p_n(x) = w_nᵀ·d(x), the quadric with the coefficients w_n, evaluated at the atom.
  Extended squares = 0;
  Variances linearVariance{};
  for (std::size_t first = 0; first < atoms; first += BlockSize) {
    const AtomBlock block = BlockOf(coords, first, std::min(BlockSize, atoms - first));
    PolynomialValue fit[BlockSize];
    EvaluateAtAtoms(params, block, fit);
    squares = AddSquaredResiduals(fit, block.count, squares);
    if (!linear) continue;
    const AtomBlock deviation = BlockOf(*sigma, first, block.count);
    SemiAxisTerms terms;
    PolynomialValue p[BlockSize];
    for (int n = 0; n < 6; ++n) {
      EvaluateXPart(weights[n], block, p);
      EvaluateYPart(weights[n], block, p);
      if (n < 3) {
        linearVariance[n] =
            AddLinearTerms<true>(weights[n], block, p, fit, deviation, linearVariance[n], terms[n]);
      } else {
        linearVariance[n] =
            AddLinearTerms<false>(weights[n], block, p, fit, deviation, linearVariance[n], nullptr);
      }
    }
    linearVariance[6] = AddCombinedTerms(shape.volume, terms, block.count, linearVariance[6]);
    linearVariance[7] = AddCombinedTerms(shape.surface, terms, block.count, linearVariance[7]);
  }

  ShapeUncertainties result;
  if (linear) result.linear = Deviations(linearVariance, form.semiAxes);
  if (atoms > 9) {
    const Extended scale = squares / static_cast<Extended>(atoms - 9);
    Extended semiAxes[3][3];
    for (int m = 0; m < 3; ++m) {
      for (int n = 0; n < 3; ++n) semiAxes[m][n] = product(m, n);
    }
    const auto combined = [&](const std::array<Extended, 3>& c) {
      Extended sum = 0;
      for (int m = 0; m < 3; ++m) {
        for (int n = 0; n < 3; ++n) sum += c[m] * semiAxes[m][n] * c[n];
      }
      return sum;
    };
    const Variances variance = {scale * semiAxes[0][0],         scale * semiAxes[1][1],
                                scale * semiAxes[2][2],         scale * product(3, 3),
                                scale * product(4, 4),          scale * product(5, 5),
                                scale * combined(shape.volume), scale * combined(shape.surface)};
    result.fitScatter = Deviations(variance, form.semiAxes);
  }
  return result;
}

}  // namespace ovalon
