#pragma once
// Products and transposes of the matrices and vectors, written once for every size, fixed or
// chosen at run time.
//
// Every element of a product is one sum that starts at zero and takes its terms in ascending
// index order, each term a product rounded to extended before it is added
// (sum := product + sum); the reports depend on that order.

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
