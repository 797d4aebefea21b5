#pragma once
// Extended-precision algebra of the quadric fit and the least-squares fit (module MNK).
//
// Every sum starts at zero and takes its terms in ascending index order, each term a product
// rounded to extended before it is added (sum := product + sum); the reports depend on it.

#include "core/extended.h"

namespace ovalon {

/// D: row i holds x², y², z², x·y, y·z, x·z, x, y, z of atom i (1..60).
Matrix60x9 BuildDesignMatrix(PointSet points);

/// T = Dᵀ, built from the coordinates.
Matrix9x60 TransposeDesignMatrix(PointSet points);

/// N = Dᵀ·D (exactly symmetric).
Matrix9 BuildNormalMatrix(PointSet points);

/// L·R, summed over the 60 atoms.
Matrix9 MultiplyMatrix9x60By60x9(Matrix9x60 left, Matrix60x9 right);

/// L·R, summed over the 9 coefficients.
Matrix9x60 MultiplyMatrix9By9x60(Matrix9 left, Matrix9x60 right);

/// L·v, summed over the 60 atoms.
QuadricParams MultiplyMatrix9x60ByVector60(Matrix9x60 left, Vector60 vector);

/// L·v, summed over the 9 coefficients.
QuadricParams MultiplyMatrix9ByVector9(Matrix9 left, QuadricParams vector);

/// P = N⁻¹·Dᵀ. Throws SingularMatrixError when N has a pivot not larger than `precision`.
Matrix9x60 BuildPseudoInverse(PointSet points, Extended precision);

/// The least-squares solution A of D·A = −1 (quadric A1·X² + … + A9·Z + 1 = 0).
/// Throws SingularMatrixError as BuildPseudoInverse.
QuadricParams FitQuadricLeastSquares(PointSet points, Extended precision);

/// The quadric's left side at every atom without the constant 1, in the order of
/// EvaluateQuadric: (x·x)·A1, then + (y·y)·A2, + (z·z)·A3, + (A4·x)·y, …, + A9·z.
Vector60 EvaluateQuadricWithoutConstant(PointSet points, QuadricParams a);

/// F_i = A1·x² + A2·y² + A3·z² + A4·x·y + A5·y·z + A6·x·z + A7·x + A8·y + A9·z + 1 per atom.
Vector60 EvaluateQuadric(PointSet points, QuadricParams a);

/// √(Σ F_i²) / 60.
Extended ScaledResidualNorm(PointSet points, QuadricParams a);

/// ΔD: the uncertainty of every element of D propagated from the coordinate uncertainties.
Matrix60x9 BuildDesignUncertainty(PointSet coords, PointSet errors);

/// ΔN = (Dᵀ·ΔD + ΔDᵀ·D) + ΔDᵀ·ΔD, so that N + ΔN = (D + ΔD)ᵀ·(D + ΔD).
Matrix9 BuildNormalIncrement(PointSet coords, PointSet errors);

/// Signed coefficient errors dA = A − A′, where A′ fits the design matrix D + ΔD.
/// Coordinates first, their uncertainties second. Throws SingularMatrixError.
QuadricParams EstimateQuadricErrors(PointSet coords, PointSet errors, Extended precision);

}  // namespace ovalon
