#pragma once
// Products of the design matrix D and its uncertainty ΔD that form the elements of D and ΔD
// where they are used instead of reading them from memory.
//
// Reading an 80-bit number costs several times more than widening a 64-bit coordinate and
// multiplying it by another, and each element of D is exactly such a product (x·y) or a
// widened coordinate; so is each element of ΔD but the three in quadrature, which are read.
// Every element comes out with the bits BuildDesignMatrix and BuildDesignUncertainty give it,
// and every sum keeps its own order: it starts at zero and takes its terms in ascending
// index order, sum := product + sum. Three neighbouring sums run side by side to keep the
// adder busy while each waits for its previous term.

#include <cmath>
#include <utility>
#include <vector>

#include "core/extended.h"

namespace ovalon::design {

/// The atoms' coordinates, 0-based.
struct Coordinates {
  const double* x;
  const double* y;
  const double* z;
  int count;

  template <int N>
  explicit Coordinates(const BasicPointSet<N>& p)
      : x(p.X.data.data()), y(p.Y.data.data()), z(p.Z.data.data()), count(p.Size()) {}
};

/// Column K (0-based) of D at atom i: x², y², z², x·y, y·z, x·z, x, y, z.
struct Design {
  Coordinates p;

  template <int K>
  Extended At(int i) const {
    const Extended x = p.x[i], y = p.y[i], z = p.z[i];
    if constexpr (K == 0) return x * x;
    if constexpr (K == 1) return y * y;
    if constexpr (K == 2) return z * z;
    if constexpr (K == 3) return x * y;
    if constexpr (K == 4) return y * z;
    if constexpr (K == 5) return x * z;
    if constexpr (K == 6) return x;
    if constexpr (K == 7) return y;
    if constexpr (K == 8) return z;
  }
};

/// Column K (0-based) of ΔD at atom i: |(2x)·dx|, |(2y)·dy|, |(2z)·dz|, the three
/// uncertainties in quadrature (read from `quadrature`, three to an atom), dx, dy, dz.
struct Uncertainty {
  Coordinates p;
  Coordinates e;
  const Extended* quadrature;

  template <int K>
  Extended At(int i) const {
    if constexpr (K == 0) return std::fabs((2 * static_cast<Extended>(p.x[i])) * e.x[i]);
    if constexpr (K == 1) return std::fabs((2 * static_cast<Extended>(p.y[i])) * e.y[i]);
    if constexpr (K == 2) return std::fabs((2 * static_cast<Extended>(p.z[i])) * e.z[i]);
    if constexpr (K >= 3 && K < 6) return quadrature[3 * i + (K - 3)];
    if constexpr (K == 6) return e.x[i];
    if constexpr (K == 7) return e.y[i];
    if constexpr (K == 8) return e.z[i];
  }
};

/// √((dx·y)² + (x·dy)²), √((dy·z)² + (y·dz)²), √((dx·z)² + (x·dz)²) of every atom, three to an
/// atom: columns 4 to 6 of ΔD.
inline std::vector<Extended> QuadratureTerms(const Coordinates& p, const Coordinates& e) {
  const auto quadrature = [](Extended u, Extended v) { return std::sqrt(u * u + v * v); };
  std::vector<Extended> terms(3 * static_cast<std::size_t>(p.count));
  for (int i = 0; i < p.count; ++i) {
    const Extended x = p.x[i], y = p.y[i], z = p.z[i];
    const Extended dx = e.x[i], dy = e.y[i], dz = e.z[i];
    terms[3 * i] = quadrature(dx * y, x * dy);
    terms[3 * i + 1] = quadrature(dy * z, y * dz);
    terms[3 * i + 2] = quadrature(dx * z, x * dz);
  }
  return terms;
}

/// Elements (R, C0 .. C0 + W − 1) of Lᵀ·Rt, each the sum over the atoms of L[i][R]·Rt[i][c].
template <int R, int C0, int W, typename Left, typename Right>
void CrossStrip(const Left& left, const Right& right, int count, Matrix9& out) {
  Extended s0 = 0, s1 = 0, s2 = 0;
  for (int i = 0; i < count; ++i) {
    const Extended a = left.template At<R>(i);
    s0 = a * right.template At<C0>(i) + s0;
    if constexpr (W > 1) s1 = a * right.template At<C0 + 1>(i) + s1;
    if constexpr (W > 2) s2 = a * right.template At<C0 + 2>(i) + s2;
  }
  out.data[R * 9 + C0] = s0;
  if constexpr (W > 1) out.data[R * 9 + C0 + 1] = s1;
  if constexpr (W > 2) out.data[R * 9 + C0 + 2] = s2;
}

/// Row R of Lᵀ·Rt from column `First` on, in strips of three.
template <int R, int First, typename Left, typename Right>
void CrossRow(const Left& left, const Right& right, int count, Matrix9& out) {
  if constexpr (First < 9) {
    constexpr int Width = 9 - First < 3 ? 9 - First : 3;
    CrossStrip<R, First, Width>(left, right, count, out);
    CrossRow<R, First + Width>(left, right, count, out);
  }
}

/// Lᵀ·Rt (9×9) for two column sources over `count` atoms; with `Symmetric` (Lᵀ·L) only the
/// triangle above the diagonal is summed and mirrored below it, since x·y and y·x round alike.
template <bool Symmetric, typename Left, typename Right>
Matrix9 CrossProduct(const Left& left, const Right& right, int count) {
  Matrix9 out;
  [&]<int... R>(std::integer_sequence<int, R...>) {
    (CrossRow<R, Symmetric ? R : 0>(left, right, count, out), ...);
  }(std::make_integer_sequence<int, 9>());
  if constexpr (Symmetric) {
    for (int r = 0; r < 9; ++r)
      for (int c = 0; c < r; ++c) out.data[r * 9 + c] = out.data[c * 9 + r];
  }
  return out;
}

/// Calls visit(i, value) for the atoms i = 1..count in ascending order, where value is element
/// (r, i) of L·Dtᵀ for a 9×9 L: the sum over k = 1..9 of L[r][k]·Dt[i][k]. The sums of
/// neighbouring atoms are independent, so the processor overlaps them on its own.
template <typename Columns, typename Visit>
void VisitRowTimesTransposed(const Matrix9& left, const Columns& columns, int count, int r,
                             Visit visit) {
  const Extended* l = left.data.data() + (r - 1) * 9;
  for (int i = 0; i < count; ++i) {
    Extended sum = 0;
    [&]<int... K>(std::integer_sequence<int, K...>) {
      ((sum = l[K] * columns.template At<K>(i) + sum), ...);
    }(std::make_integer_sequence<int, 9>());
    visit(i + 1, sum);
  }
}

}  // namespace ovalon::design
