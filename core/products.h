#pragma once
// Products and transposes of the matrices and vectors, written once for every size, fixed or
// chosen at run time.
//
// Every element of a product is one sum that starts at zero and takes its terms in ascending
// index order, each term a product rounded to extended before it is added
// (sum := product + sum); the reports depend on that order.

#include <algorithm>

#include "core/extended.h"

namespace ovalon {

/// L·R: element (r, c) is the sum over k = 1..K of L[r][k]·R[k][c].
template <int R, int K, int C>
Matrix<R, C> Multiply(const Matrix<R, K>& left, const Matrix<K, C>& right) {
  assert(left.Cols() == right.Rows());
  const int rows = left.Rows(), inner = left.Cols(), cols = right.Cols();
  Matrix<R, C> product(rows, cols);
  for (int r = 1; r <= rows; ++r) {
    for (int c = 1; c <= cols; ++c) {
      Extended sum = 0;
      for (int k = 1; k <= inner; ++k) sum = left.at(r, k) * right.at(k, c) + sum;
      product.at(r, c) = sum;
    }
  }
  return product;
}

/// L·v: element r is the sum over k = 1..K of L[r][k]·v[k].
template <int R, int K>
Vector<R> Multiply(const Matrix<R, K>& left, const Vector<K>& vector) {
  assert(left.Cols() == vector.Size());
  const int rows = left.Rows(), inner = left.Cols();
  Vector<R> product(rows);
  for (int r = 1; r <= rows; ++r) {
    Extended sum = 0;
    for (int k = 1; k <= inner; ++k) sum = left.at(r, k) * vector.at(k) + sum;
    product.at(r) = sum;
  }
  return product;
}

namespace detail {

/// Up to three sums Σ over k = 1..rows of x[k][r]·y[k][c + j], j = 0..width−1, of two matrices
/// stored row by row with `stride` elements a row (0-based r and c). The sums run side by side,
/// each in its own accumulator and in its own ascending order, so that the adder works on one
/// while the others wait; x[k][r] is read once for all of them.
inline void CrossProductStrip(const Extended* x, const Extended* y, int rows, int stride, int r,
                              int c, int width, Extended* out) {
  const Extended* xk = x + r;
  const Extended* yk = y + c;
  if (width == 3) {
    Extended s0 = 0, s1 = 0, s2 = 0;
    for (int k = 0; k < rows; ++k, xk += stride, yk += stride) {
      const Extended a = *xk;
      s0 = a * yk[0] + s0;
      s1 = a * yk[1] + s1;
      s2 = a * yk[2] + s2;
    }
    out[0] = s0, out[1] = s1, out[2] = s2;
  } else if (width == 2) {
    Extended s0 = 0, s1 = 0;
    for (int k = 0; k < rows; ++k, xk += stride, yk += stride) {
      const Extended a = *xk;
      s0 = a * yk[0] + s0;
      s1 = a * yk[1] + s1;
    }
    out[0] = s0, out[1] = s1;
  } else {
    Extended s0 = 0;
    for (int k = 0; k < rows; ++k, xk += stride, yk += stride) s0 = *xk * yk[0] + s0;
    out[0] = s0;
  }
}

}  // namespace detail

/// Xᵀ·Y of two matrices with the same rows: element (r, c) is the sum over k = 1..K of
/// X[k][r]·Y[k][c], the same sums as Multiply(Transpose(x), y).
template <int K, int C>
Matrix<C, C> MultiplyTransposed(const Matrix<K, C>& x, const Matrix<K, C>& y) {
  assert(x.Rows() == y.Rows());
  Matrix<C, C> product;
  for (int r = 0; r < C; ++r) {
    for (int c = 0; c < C; c += 3) {
      detail::CrossProductStrip(x.data.data(), y.data.data(), x.Rows(), C, r, c,
                                std::min(3, C - c), &product.data[r * C + c]);
    }
  }
  return product;
}

/// Xᵀ·X, the same sums as Multiply(Transpose(x), x). It is exactly symmetric, since x·y and
/// y·x round alike: the triangle above the diagonal is summed and mirrored below it.
template <int K, int C>
Matrix<C, C> MultiplyTransposedSelf(const Matrix<K, C>& x) {
  Matrix<C, C> product;
  for (int r = 0; r < C; ++r) {
    for (int c = r; c < C; c += 3) {
      detail::CrossProductStrip(x.data.data(), x.data.data(), x.Rows(), C, r, c,
                                std::min(3, C - c), &product.data[r * C + c]);
    }
    for (int c = 0; c < r; ++c) product.data[r * C + c] = product.data[c * C + r];
  }
  return product;
}

/// Calls visit(c, value) for c = 1..K in ascending order, where value = (L·Xᵀ)[r][c] is the sum
/// over k = 1..C of L[r][k]·X[c][k]: row r of L·Xᵀ, element by element, without storing it.
/// Three neighbouring elements are summed side by side, each in its own ascending order.
template <int C, int K, typename Visit>
void VisitRowTimesTransposed(const Matrix<C, C>& left, const Matrix<K, C>& x, int r, Visit visit) {
  const Extended* l = left.data.data() + (r - 1) * C;
  const Extended* x0 = x.data.data();
  const int count = x.Rows(), strips = count - count % 3;
  int c = 0;
  for (; c < strips; c += 3, x0 += 3 * C) {
    Extended s0 = 0, s1 = 0, s2 = 0;
    for (int k = 0; k < C; ++k) {
      const Extended a = l[k];
      s0 = a * x0[k] + s0;
      s1 = a * x0[C + k] + s1;
      s2 = a * x0[2 * C + k] + s2;
    }
    visit(c + 1, s0);
    visit(c + 2, s1);
    visit(c + 3, s2);
  }
  for (; c < count; ++c, x0 += C) {
    Extended s0 = 0;
    for (int k = 0; k < C; ++k) s0 = l[k] * x0[k] + s0;
    visit(c + 1, s0);
  }
}

/// L·Xᵀ, the same sums as Multiply(left, Transpose(x)).
template <int C, int K>
Matrix<C, K> MultiplyByTransposed(const Matrix<C, C>& left, const Matrix<K, C>& x) {
  Matrix<C, K> product(C, x.Rows());
  for (int r = 1; r <= C; ++r)
    VisitRowTimesTransposed(left, x, r, [&](int c, Extended value) { product.at(r, c) = value; });
  return product;
}

/// Mᵀ.
template <int R, int C>
Matrix<C, R> Transpose(const Matrix<R, C>& m) {
  const int rows = m.Rows(), cols = m.Cols();
  Matrix<C, R> t(cols, rows);
  for (int r = 1; r <= rows; ++r) {
    for (int c = 1; c <= cols; ++c) t.at(c, r) = m.at(r, c);
  }
  return t;
}

}  // namespace ovalon
