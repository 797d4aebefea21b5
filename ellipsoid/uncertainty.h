#pragma once
// First-order uncertainties of the eigenvalues, the rotated linear terms and the semi-axes,
// propagated from the coefficient errors of the fit.

#include "core/extended.h"

namespace ovalon {

/// Rᵀ·A·R with R = PlaneRotation(p, q, cs, sn): columns p and q first, then rows p and q.
Matrix3 RotateMatrixPlane(int p, int q, const Matrix3& a, Extended cs, Extended sn);

/// Pᵀ·(Q·R), both products by Multiply's rule.
Matrix3 TransposedTripleProduct(const Matrix3& p, const Matrix3& q, const Matrix3& r);

/// Eigenvalues with their uncertainties and the unit eigenvectors.
struct EigenWithErrorsResult {
  Vector3 values;   ///< λ
  Vector3 errors;   ///< δλ, signed as the coefficient errors make them
  Matrix3 vectors;  ///< column c is the unit eigenvector of λc
};

/// The rotation method in its half-angle form. S is the matrix of the quadratic part, E the
/// matrix of its coefficient errors laid out alike; δλc = (Vᵀ·E·V)[c][c] with V before its
/// columns are normalised. E itself is never rotated.
EigenWithErrorsResult EigenWithErrors(const Matrix3& s, const Matrix3& e, Extended precision);

/// A vector and its uncertainties.
struct ValuesWithErrors {
  Vector3 values;
  Vector3 errors;
};

/// b′ = V⁻¹·b and δb′ = √Σ (V⁻¹[r][k]·δbk)²; the uncertainty of V is not propagated.
/// Throws SingularMatrixError when V cannot be inverted to the precision.
ValuesWithErrors RotatedLinearTermsWithErrors(const Matrix3& v, const QuadricForm& q,
                                              const QuadricForm& e, Extended precision);

/// Semi-axes ak = r/√λk with r = √K and their first-order uncertainties from δb′, δc and δλ.
/// When all three λ are negative (NaN counting as negative) the quadric is first negated.
ValuesWithErrors SemiAxesWithErrors(const QuadricForm& q, const QuadricForm& e,
                                    const Vector3& lambda, const Vector3& linearTerms,
                                    const Vector3& lambdaErrors, const Vector3& linearTermErrors);

/// The whole chain from the coefficient errors to the semi-axes.
struct CanonicalUncertainties {
  EigenWithErrorsResult eigen;   ///< λ, δλ and the eigenvectors of the half-angle rotations
  ValuesWithErrors linearTerms;  ///< b′, δb′
  ValuesWithErrors semiAxes;     ///< a, δa, in the order of the eigenvalues
};

/// EigenWithErrors of the quadratic parts of q and e with the rotation precision, then
/// RotatedLinearTermsWithErrors with the inverse precision, then SemiAxesWithErrors.
/// Throws SingularMatrixError as RotatedLinearTermsWithErrors does.
CanonicalUncertainties PropagateUncertainties(const QuadricForm& q, const QuadricForm& e,
                                              Extended inversePrecision,
                                              Extended rotationPrecision);

}  // namespace ovalon
