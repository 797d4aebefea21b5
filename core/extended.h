#pragma once
// Extended-precision real and the fixed-size matrices and vectors of the analysis.

#include <array>
#include <cassert>
#include <limits>

namespace ovalon {

/// The 80-bit x87 double-extended real: every fit and ellipsoid computation uses it.
using Extended = long double;
static_assert(std::numeric_limits<Extended>::digits == 64,
              "Extended must be the x87 80-bit format with a 64-bit significand");
static_assert(std::numeric_limits<Extended>::max_exponent == 16384,
              "Extended must have the 15-bit exponent of the x87 format");

/// Number of atoms of the cage; every table is indexed 1..AtomCount.
constexpr int AtomCount = 60;

/// R×C matrix stored row by row; at(r, c) is 1-based, so formulas transcribe literally.
template <int R, int C, typename T = Extended>
struct FixedMatrix {
  std::array<T, R * C> data{};

  T& at(int r, int c) {
    assert(r >= 1 && r <= R && c >= 1 && c <= C);
    return data[(r - 1) * C + (c - 1)];
  }
  T at(int r, int c) const {
    assert(r >= 1 && r <= R && c >= 1 && c <= C);
    return data[(r - 1) * C + (c - 1)];
  }
  static FixedMatrix Identity() {
    static_assert(R == C, "only a square matrix has an identity");
    FixedMatrix m;
    for (int i = 1; i <= R; ++i) m.at(i, i) = 1;
    return m;
  }
  friend bool operator==(const FixedMatrix&, const FixedMatrix&) = default;
};

/// N-vector with a 1-based at(i).
template <int N, typename T = Extended>
struct FixedVector {
  std::array<T, N> data{};

  T& at(int i) {
    assert(i >= 1 && i <= N);
    return data[i - 1];
  }
  T at(int i) const {
    assert(i >= 1 && i <= N);
    return data[i - 1];
  }
  friend bool operator==(const FixedVector&, const FixedVector&) = default;
};

using Matrix9 = FixedMatrix<9, 9>;
using Matrix60x9 = FixedMatrix<AtomCount, 9>;
using Matrix9x60 = FixedMatrix<9, AtomCount>;
using Matrix3 = FixedMatrix<3, 3>;
using Vector60 = FixedVector<AtomCount>;
using Vector3 = FixedVector<3>;

/// A1..A9 of A1·X² + A2·Y² + A3·Z² + A4·XY + A5·YZ + A6·XZ + A7·X + A8·Y + A9·Z + 1 = 0;
/// also used for coefficient errors, steps and 9-element right-hand sides.
using QuadricParams = FixedVector<9>;

/// a11, a22, a33, a12, a23, a13, b1, b2, b3, c (indices 1..10) of
/// a11·x² + a22·y² + a33·z² + 2a12·xy + 2a23·yz + 2a13·xz + 2b1·x + 2b2·y + 2b3·z + c = 0.
using QuadricForm = FixedVector<10>;

/// 60 64-bit reals, one per atom, indexed 1..60.
using AtomValues = FixedVector<AtomCount, double>;

/// X, Y, Z of the 60 atoms as 64-bit reals (coordinates in ångström, or their uncertainties).
struct PointSet {
  AtomValues X, Y, Z;
  friend bool operator==(const PointSet&, const PointSet&) = default;
};

}  // namespace ovalon
