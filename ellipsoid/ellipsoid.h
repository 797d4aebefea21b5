#pragma once
// Module Ellipsoid: the 3×3 extended-precision toolkit, the rotation (Jacobi) method and the
// canonical form of a fitted quadric.

#include <array>

#include "core/extended.h"

namespace ovalon {

/// M⁻¹ by the guarded Gauss–Jordan elimination shared with the fits (InvertGuarded<3>).
/// Throws SingularMatrixError when a pivot p meets precision ≥ |p|.
Matrix3 InvertMatrix3(const Matrix3& m, Extended precision);

/// det M from its six triple products, each taken left to right, in the fixed order
/// t1 + t2 + t3 − t4 − t5 − t6.
Extended Determinant3(const Matrix3& m);

/// The symmetric matrix of the quadratic part: rows (a11, a12, a13), (a12, a22, a23),
/// (a13, a23, a33), exact copies of the elements of q.
Matrix3 QuadricMatrix(const QuadricForm& q);

/// The point where the gradient of the quadric vanishes, −M⁻¹·b.
/// Throws SingularMatrixError when the quadratic part is singular to the precision.
Vector3 QuadricCentre(const QuadricForm& q, Extended precision);

/// (I1, I2, I3): trace, sum of the principal 2×2 minors and determinant of the quadratic part.
Vector3 QuadricInvariants(const QuadricForm& q);

/// √ of the sum of the squares of the six off-diagonal elements (both triangles count).
Extended OffDiagonalNorm(const Matrix3& a);

/// Sets (i, j) to the first off-diagonal element of largest magnitude, row by row; i and j
/// are left unchanged when no element exceeds 0 (all zero or NaN).
void FindLargestOffDiagonal(const Matrix3& a, int& i, int& j);

/// The identity except R[p][p] = R[q][q] = cs, R[q][p] = sn and R[p][q] = −sn (p ≠ q, 1..3).
Matrix3 PlaneRotation(int p, int q, Extended cs, Extended sn);

/// The most rotations the rotation method makes.
constexpr int MaxRotations = 99;

/// Eigenvalues and unit eigenvectors of a symmetric 3×3 matrix.
struct EigenDecomposition {
  Vector3 values;   ///< λ1..λ3, in the order the rotations leave them (not sorted)
  Matrix3 vectors;  ///< column c is the unit eigenvector of λc
  int rotations = 0;
};

/// The rotation (Jacobi) method: rotates away the largest off-diagonal element until the
/// off-diagonal norm does not exceed the precision, after at most MaxRotations rotations, or
/// when no off-diagonal element is left to rotate away.
EigenDecomposition EigenByRotations(const Matrix3& s, Extended precision);

/// Everything the canonical form of a quadric is built from. For an ellipsoid the canonical
/// coordinates of a point x are W·x + s, and the quadric becomes Σ λk·xk² = K.
struct CanonicalForm {
  EigenDecomposition eigen;  ///< of QuadricMatrix(q), with the rotation precision
  Matrix3 inverseVectors;    ///< W, the inverse of the eigenvector matrix
  Vector3 linearTerms;       ///< b′ = W·b, the half linear coefficients in the eigen-basis
  Extended freeTerm = 0;     ///< K = Σ b′k²/λk − c
  Vector3 semiAxes;          ///< ak = √(K/λk), NaN where K/λk < 0
  Vector3 shift;             ///< sk = b′k/λk
};

/// Reduces q to its canonical form. Throws SingularMatrixError when the eigenvector matrix
/// cannot be inverted to the inverse precision.
CanonicalForm ReduceToCanonicalForm(const QuadricForm& q, Extended inversePrecision,
                                    Extended rotationPrecision);

/// The points in the canonical frame of `form`: row r of W·x + s for each of them, summed as
/// ((W[r][1]·x + W[r][2]·y) + W[r][3]·z) + s_r and rounded to 64 bits. Compiled for the
/// window's PointSet and for AtomPoints.
template <int N>
BasicPointSet<N> TransformToCanonicalFrame(const BasicPointSet<N>& points,
                                           const CanonicalForm& form);

/// x^y: an integral y (|y| ≤ 2³¹ − 1) by repeated multiplication, any other y as
/// 2^(y·log₂x), with 0^y = 0 and NaN for a negative x.
Extended Power(Extended x, Extended y);

/// 4π as an extended constant.
constexpr Extended FourPi = 12.566370614359172954L;

/// The exponent p of Knud Thomsen's surface approximation, a 64-bit constant.
constexpr double ThomsenExponent = 1.6075;

/// Volume, surface and the radii of the spheres of equal volume and equal surface.
struct EllipsoidMeasures {
  Extended volume = 0;
  Extended volumeRadius = 0;
  Extended surface = 0;  ///< by Knud Thomsen's approximation
  Extended surfaceRadius = 0;
};

/// The measures of the ellipsoid with semi-axes a, b, c (stored 64-bit values, widened).
EllipsoidMeasures MeasureEllipsoid(std::array<double, 3> semiAxes);

}  // namespace ovalon
