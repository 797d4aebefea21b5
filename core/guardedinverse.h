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

/// Row `target` of m (N×N, row by row, 0-based) after f(j)·row j is added to it for each
/// j = first..last in turn (each addition rounded by itself), as computed column by column:
/// every element runs through its own chain in the order of the row operations while it
/// stays in a register, so it is read and written once rather than once per operation; j
/// runs from `first` to `last` by `step` (+1 or −1). Only the first `columns` elements of the
/// row are formed; the others keep their values.
template <int N, typename Factor>
void AddRowsColumnByColumn(Extended* m, int target, int first, int last, int step, Factor f,
                           int columns = N) {
  Extended* row = m + target * N;
  int col = 0;
  for (; col + 2 <= columns; col += 2) {
    Extended t0 = row[col], t1 = row[col + 1];
    for (int j = first; j != last + step; j += step) {
      const Extended factor = f(j);
      t0 = factor * m[j * N + col] + t0;
      t1 = factor * m[j * N + col + 1] + t1;
    }
    row[col] = t0;
    row[col + 1] = t1;
  }
  for (; col < columns; ++col) {
    Extended t0 = row[col];
    for (int j = first; j != last + step; j += step) t0 = f(j) * m[j * N + col] + t0;
    row[col] = t0;
  }
}

/// One Gauss–Jordan pass; false when a pivot is not larger than the precision.
///
/// The row operations are those of AddScaledRow and ScaleRow in the order the elimination
/// prescribes; an element's operations keep their order, while operations on different
/// elements, which do not depend on each other, are regrouped: the additions to the pivot row
/// and the back-substitution into a row run column by column (AddRowsColumnByColumn).
template <int N>
bool TryInvertGuarded(const FixedMatrix<N, N>& m, Extended precision, Reinforcement rule,
                      FixedMatrix<N, N>& result) {
  FixedMatrix<N, N> working = m;
  FixedMatrix<N, N> companion = FixedMatrix<N, N>::Identity();
  Extended* w = working.data.data();
  Extended* c = companion.data.data();
  for (int i = 0; i < N; ++i) {
    // Pivot reinforcement: the signs follow the pivot as each row below is added, so the
    // pivot's own chain is run first; then the rest of row i takes the same additions.
    int sign[N] = {};
    Extended pivot = w[i * N + i];
    for (int j = i + 1; j < N; ++j) {
      const Extended other = rule == Reinforcement::Companion ? c[j * N + i] : w[j * N + i];
      sign[j] = SignOf(pivot) * SignOf(other);
      pivot = static_cast<Extended>(sign[j]) * w[j * N + i] + pivot;
    }
    const auto signOf = [&sign](int j) { return static_cast<Extended>(sign[j]); };
    AddRowsColumnByColumn<N>(w, i, i + 1, N - 1, 1, signOf);
    AddRowsColumnByColumn<N>(c, i, i + 1, N - 1, 1, signOf);
    // A NaN pivot passes this test and spreads NaN through the result: arithmetic never traps.
    if (precision >= std::fabs(w[i * N + i])) return false;
    ScaleRow(working, companion, i + 1, 1.0L / w[i * N + i]);
    for (int j = i + 1; j < N; ++j) AddScaledRow(working, companion, j + 1, i + 1, -w[j * N + i]);
  }
  // Back-substitution: row r takes column N's row first, then N − 1's, … down to r + 1's, each
  // with the factor −W[r][col] as the earlier ones have left it. Rows are done from the last
  // upwards, so every row added is already final.
  for (int r = N - 2; r >= 0; --r) {
    Extended factor[N] = {};
    for (int col = N - 1; col > r; --col) {
      // W[r][col] after the rows below col were added: its chain up to here.
      Extended t = w[r * N + col];
      for (int j = N - 1; j > col; --j) t = factor[j] * w[j * N + col] + t;
      factor[col] = -t;
    }
    const auto factorOf = [&factor](int j) { return factor[j]; };
    // Of W, later rows read only row r's elements left of the diagonal (the chains above
    // take W[r][col] for col < r); the rest of the row is never read again.
    AddRowsColumnByColumn<N>(w, r, N - 1, r + 1, -1, factorOf, r);
    AddRowsColumnByColumn<N>(c, r, N - 1, r + 1, -1, factorOf);
  }
  result = companion;
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
