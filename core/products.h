#pragma once
// Products and transposes of the fixed-size matrices and vectors, written once for every size.
//
// Every element of a product is one sum that starts at zero and takes its terms in ascending
// index order, each term a product rounded to extended before it is added
// (sum := product + sum); the reports depend on that order.

#include "core/extended.h"

namespace ovalon {

/// L·R: element (r, c) is the sum over k = 1..K of L[r][k]·R[k][c].
template <int R, int K, int C>
FixedMatrix<R, C> Multiply(const FixedMatrix<R, K>& left, const FixedMatrix<K, C>& right) {
  FixedMatrix<R, C> product;
  for (int r = 1; r <= R; ++r) {
    for (int c = 1; c <= C; ++c) {
      Extended sum = 0;
      for (int k = 1; k <= K; ++k) sum = left.at(r, k) * right.at(k, c) + sum;
      product.at(r, c) = sum;
    }
  }
  return product;
}

/// L·v: element r is the sum over k = 1..K of L[r][k]·v[k].
template <int R, int K>
FixedVector<R> Multiply(const FixedMatrix<R, K>& left, const FixedVector<K>& vector) {
  FixedVector<R> product;
  for (int r = 1; r <= R; ++r) {
    Extended sum = 0;
    for (int k = 1; k <= K; ++k) sum = left.at(r, k) * vector.at(k) + sum;
    product.at(r) = sum;
  }
  return product;
}

/// Mᵀ.
template <int R, int C>
FixedMatrix<C, R> Transpose(const FixedMatrix<R, C>& m) {
  FixedMatrix<C, R> t;
  for (int r = 1; r <= R; ++r) {
    for (int c = 1; c <= C; ++c) t.at(c, r) = m.at(r, c);
  }
  return t;
}

}  // namespace ovalon
