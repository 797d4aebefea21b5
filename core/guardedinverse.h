#pragma once
// Guarded Gauss–Jordan inversion without row exchanges, shared by the 9×9 normal matrices of
// the fits and the 3×3 matrices of the ellipsoid.

#include <cmath>

#include "core/extended.h"
#include "core/singularmatrixerror.h"

namespace ovalon {

/// +1 when x ≥ 0 (+0 and −0 included), −1 when x < 0 or x is not a number.
inline int SignOf(Extended x) { return x >= 0 ? 1 : -1; }

/// Rows a of W and C: for c = 1..N, W[a][c] := f·W[b][c] + W[a][c], then the same for C.
template <int N>
void AddScaledRow(FixedMatrix<N, N>& w, FixedMatrix<N, N>& c, int a, int b, Extended f) {
  for (int col = 1; col <= N; ++col) {
    w.at(a, col) = f * w.at(b, col) + w.at(a, col);
    c.at(a, col) = f * c.at(b, col) + c.at(a, col);
  }
}

/// Row a of W and of C multiplied by f.
template <int N>
void ScaleRow(FixedMatrix<N, N>& w, FixedMatrix<N, N>& c, int a, Extended f) {
  for (int col = 1; col <= N; ++col) {
    w.at(a, col) = w.at(a, col) * f;
    c.at(a, col) = c.at(a, col) * f;
  }
}

namespace detail {

/// Which sign the pivot reinforcement gives to the row it adds to the pivot row.
enum class Reinforcement {
  Companion,  // SignOf(W[i][i]) × SignOf(C[j][i]): the rule every report is computed with
  Working,    // SignOf(W[i][i]) × SignOf(W[j][i]): cannot cancel the pivot
};

/// One Gauss–Jordan pass; false when a pivot is not larger than the precision.
template <int N>
bool TryInvertGuarded(const FixedMatrix<N, N>& m, Extended precision, Reinforcement rule,
                      FixedMatrix<N, N>& result) {
  FixedMatrix<N, N> w = m;
  FixedMatrix<N, N> c = FixedMatrix<N, N>::Identity();
  for (int i = 1; i <= N; ++i) {
    for (int j = i + 1; j <= N; ++j) {
      // The pivot is re-read for every j, since each addition changes it.
      const Extended other = rule == Reinforcement::Companion ? c.at(j, i) : w.at(j, i);
      const Extended f = static_cast<Extended>(SignOf(w.at(i, i)) * SignOf(other));
      AddScaledRow(w, c, i, j, f);
    }
    // A NaN pivot passes this test and spreads NaN through the result: arithmetic never traps.
    if (precision >= std::fabs(w.at(i, i))) return false;
    const Extended q = 1.0L / w.at(i, i);
    ScaleRow(w, c, i, q);
    for (int j = i + 1; j <= N; ++j) {
      const Extended f = -w.at(j, i);
      AddScaledRow(w, c, j, i, f);
    }
  }
  for (int col = N; col >= 2; --col) {
    for (int r = 1; r <= col - 1; ++r) {
      const Extended f = -w.at(r, col);
      AddScaledRow(w, c, r, col, f);
    }
  }
  result = c;
  return true;
}

}  // namespace detail

/// The inverse of M. The pivot of each row is first reinforced by adding the rows below it
/// with signs taken from the companion matrix; when that rule cancels a pivot of a matrix
/// that is not singular, the inversion is redone with signs taken from the working matrix.
/// Throws SingularMatrixError when both passes meet a pivot p with precision ≥ |p|.
template <int N>
FixedMatrix<N, N> InvertGuarded(const FixedMatrix<N, N>& m, Extended precision) {
  FixedMatrix<N, N> result;
  if (detail::TryInvertGuarded(m, precision, detail::Reinforcement::Companion, result))
    return result;
  if (detail::TryInvertGuarded(m, precision, detail::Reinforcement::Working, result))
    return result;
  throw SingularMatrixError();
}

}  // namespace ovalon
