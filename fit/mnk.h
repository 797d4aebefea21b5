#pragma once
// Extended-precision algebra of the quadric fit and the least-squares fit (module MNK).
//
// Every operation is written once for N atoms: N = AtomCount for the window's PointSet, or a
// count chosen at run time for AtomPoints (both sizes are compiled). Every sum starts at zero and
// takes its terms in ascending index order, each term a product rounded to extended before it
// is added (sum := product + sum); the reports depend on it, and the two sizes give the same
// bits for the same 60 atoms.

#include "core/extended.h"

namespace ovalon {

/// D: row i holds x², y², z², x·y, y·z, x·z, x, y, z of atom i (1..N).
template <int N>
Matrix<N, 9> BuildDesignMatrix(const BasicPointSet<N>& points);

/// T = Dᵀ, built from the coordinates.
template <int N>
Matrix<9, N> TransposeDesignMatrix(const BasicPointSet<N>& points);

/// N = Dᵀ·D (exactly symmetric), summed over the atoms.
template <int N>
Matrix9 BuildNormalMatrix(const BasicPointSet<N>& points);

/// The least-squares solution A of D·A = −1 (quadric A1·X² + … + A9·Z + 1 = 0) with the
/// inverse normal matrix it was solved with.
struct LeastSquaresSolution {
  QuadricParams params;
  Matrix9 inverseNormal;  ///< N⁻¹ = (DᵀD)⁻¹, the covariance of A up to a scale
  Matrix9 normal;         ///< N = DᵀD itself, for an error estimate of the same coordinates
};

/// A = P·(−1) with P = N⁻¹·Dᵀ, the row sums of P taken as running differences from zero.
/// Throws SingularMatrixError when N has a pivot not larger than `precision`.
template <int N>
LeastSquaresSolution SolveLeastSquares(const BasicPointSet<N>& points, Extended precision);

/// The coefficients of SolveLeastSquares alone. Throws SingularMatrixError as it.
template <int N>
QuadricParams FitQuadricLeastSquares(const BasicPointSet<N>& points, Extended precision);

/// N⁻¹ = (DᵀD)⁻¹ by itself, bit for bit the matrix of SolveLeastSquares: for a fit by another
/// method. Throws SingularMatrixError as SolveLeastSquares.
template <int N>
Matrix9 InvertNormalMatrix(const BasicPointSet<N>& points, Extended precision);

/// The quadric's left side at every atom without the constant 1, in the order of
/// EvaluateQuadric: (x·x)·A1, then + (y·y)·A2, + (z·z)·A3, + (A4·x)·y, …, + A9·z.
template <int N>
Vector<N> EvaluateQuadricWithoutConstant(const BasicPointSet<N>& points, const QuadricParams& a);

/// F_i = A1·x² + A2·y² + A3·z² + A4·x·y + A5·y·z + A6·x·z + A7·x + A8·y + A9·z + 1 per atom.
template <int N>
Vector<N> EvaluateQuadric(const BasicPointSet<N>& points, const QuadricParams& a);

/// √(Σ F_i²) divided by the number of atoms.
template <int N>
Extended ScaledResidualNorm(const BasicPointSet<N>& points, const QuadricParams& a);

/// ΔD: the uncertainty of every element of D propagated from the coordinate uncertainties.
template <int N>
Matrix<N, 9> BuildDesignUncertainty(const BasicPointSet<N>& coords, const BasicPointSet<N>& errors);

/// ΔN = (Dᵀ·ΔD + ΔDᵀ·D) + ΔDᵀ·ΔD, so that N + ΔN = (D + ΔD)ᵀ·(D + ΔD).
template <int N>
Matrix9 BuildNormalIncrement(const BasicPointSet<N>& coords, const BasicPointSet<N>& errors);

/// Signed coefficient errors dA = A − A′, where A is the least-squares fit of the coordinates
/// and A′ fits the design matrix D + ΔD. Coordinates first, their uncertainties second.
/// Throws SingularMatrixError.
template <int N>
QuadricParams EstimateQuadricErrors(const BasicPointSet<N>& coords, const BasicPointSet<N>& errors,
                                    Extended precision);

/// The same errors for a caller that has already fitted the coordinates by least squares:
/// `fit` must be FitQuadricLeastSquares(coords, precision), which is then not repeated.
template <int N>
QuadricParams EstimateQuadricErrors(const BasicPointSet<N>& coords, const BasicPointSet<N>& errors,
                                    const QuadricParams& fit, Extended precision);

/// The same errors for a caller that also has the fit's normal matrix: `fit` and `normal` must
/// be the params and normal of SolveLeastSquares(coords, precision); neither is formed again.
template <int N>
QuadricParams EstimateQuadricErrors(const BasicPointSet<N>& coords, const BasicPointSet<N>& errors,
                                    const QuadricParams& fit, const Matrix9& normal,
                                    Extended precision);

}  // namespace ovalon
