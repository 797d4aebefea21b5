#pragma once
// Extended-precision algebra of the quadric fit and the least-squares fit (module MNK).
//
// Every sum starts at zero and takes its terms in ascending index order, each term a product
// rounded to extended before it is added (sum := product + sum); the reports depend on it.

#include "core/extended.h"

namespace ovalon {

/// D: row i holds x², y², z², x·y, y·z, x·z, x, y, z of atom i (1..60).
Matrix60x9 BuildDesignMatrix(const PointSet& points);

/// T = Dᵀ, built from the coordinates.
Matrix9x60 TransposeDesignMatrix(const PointSet& points);

/// N = Dᵀ·D (exactly symmetric), summed over the atoms.
Matrix9 BuildNormalMatrix(const PointSet& points);

/// P = N⁻¹·Dᵀ. Throws SingularMatrixError when N has a pivot not larger than `precision`.
Matrix9x60 BuildPseudoInverse(const PointSet& points, Extended precision);

/// The least-squares solution A of D·A = −1 (quadric A1·X² + … + A9·Z + 1 = 0).
/// Throws SingularMatrixError as BuildPseudoInverse.
QuadricParams FitQuadricLeastSquares(const PointSet& points, Extended precision);

/// The quadric's left side at every atom without the constant 1, in the order of
/// EvaluateQuadric: (x·x)·A1, then + (y·y)·A2, + (z·z)·A3, + (A4·x)·y, …, + A9·z.
Vector60 EvaluateQuadricWithoutConstant(const PointSet& points, const QuadricParams& a);

/// F_i = A1·x² + A2·y² + A3·z² + A4·x·y + A5·y·z + A6·x·z + A7·x + A8·y + A9·z + 1 per atom.
Vector60 EvaluateQuadric(const PointSet& points, const QuadricParams& a);

/// √(Σ F_i²) divided by the number of atoms.
Extended ScaledResidualNorm(const PointSet& points, const QuadricParams& a);

/// ΔD: the uncertainty of every element of D propagated from the coordinate uncertainties.
Matrix60x9 BuildDesignUncertainty(const PointSet& coords, const PointSet& errors);

/// ΔN = (Dᵀ·ΔD + ΔDᵀ·D) + ΔDᵀ·ΔD, so that N + ΔN = (D + ΔD)ᵀ·(D + ΔD).
Matrix9 BuildNormalIncrement(const PointSet& coords, const PointSet& errors);

/// Signed coefficient errors dA = A − A′, where A′ fits the design matrix D + ΔD.
/// Coordinates first, their uncertainties second. Throws SingularMatrixError.
QuadricParams EstimateQuadricErrors(const PointSet& coords, const PointSet& errors,
                                    Extended precision);

}  // namespace ovalon
