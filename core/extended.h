#pragma once
// Extended-precision real and the matrices, vectors and point sets of the analysis, whose sizes
// are fixed at compile time (the window's 60 atoms, 9 coefficients, 3 axes) or chosen at run
// time (a cage of any number of atoms).

#include <array>
#include <cassert>
#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>

namespace ovalon {

/// The 80-bit x87 double-extended real: every fit and ellipsoid computation uses it.
using Extended = long double;
static_assert(std::numeric_limits<Extended>::digits == 64,
              "Extended must be the x87 80-bit format with a 64-bit significand");
static_assert(std::numeric_limits<Extended>::max_exponent == 16384,
              "Extended must have the 15-bit exponent of the x87 format");

/// Number of atoms of the window's cage; every table of the window is indexed 1..AtomCount.
constexpr int AtomCount = 60;

/// The size of a dimension that is chosen at run time.
constexpr int Dynamic = -1;

namespace detail {

/// The extent of one dimension: nothing stored for a fixed size, the count for Dynamic.
/// `Tag` tells the rows from the columns, so that both take no room when they are fixed.
template <int N, int Tag>
struct Extent {
  constexpr explicit Extent([[maybe_unused]] int count = N) { assert(count == N); }
  static constexpr int Value() { return N; }
  friend constexpr bool operator==(Extent, Extent) { return true; }
};

template <int Tag>
struct Extent<Dynamic, Tag> {
  constexpr explicit Extent(int count = 0) : m_count(count) { assert(count >= 0); }
  constexpr int Value() const { return m_count; }
  friend constexpr bool operator==(Extent, Extent) = default;

 private:
  int m_count;
};

/// A fixed-size array, or a vector when the element count is chosen at run time.
template <typename T, int Count>
struct Storage {
  using Type = std::array<T, Count>;
};
template <typename T>
struct Storage<T, Dynamic> {
  using Type = std::vector<T>;
};

}  // namespace detail

/// R×C matrix stored row by row; at(r, c) is 1-based, so formulas transcribe literally.
/// R or C may be Dynamic; a fixed size holds its elements in place and allocates nothing.
template <int R, int C, typename T = Extended>
class Matrix {
 public:
  static constexpr bool Fixed = R != Dynamic && C != Dynamic;

  /// Zero elements; a dynamic dimension starts empty.
  Matrix() = default;
  /// Zero elements of the given size (a fixed dimension must be given its own size).
  Matrix(int rows, int cols) : m_rows(rows), m_cols(cols) {
    if constexpr (!Fixed) data.assign(static_cast<std::size_t>(rows) * cols, T{});
  }

  int Rows() const { return m_rows.Value(); }
  int Cols() const { return m_cols.Value(); }

  T& at(int r, int c) {
    assert(r >= 1 && r <= Rows() && c >= 1 && c <= Cols());
    return data[(r - 1) * Cols() + (c - 1)];
  }
  T at(int r, int c) const {
    assert(r >= 1 && r <= Rows() && c >= 1 && c <= Cols());
    return data[(r - 1) * Cols() + (c - 1)];
  }
  static Matrix Identity() {
    static_assert(Fixed && R == C, "only a fixed square matrix has an identity");
    Matrix m;
    for (int i = 1; i <= R; ++i) m.at(i, i) = 1;
    return m;
  }
  friend bool operator==(const Matrix&, const Matrix&) = default;

  typename detail::Storage<T, Fixed ? R * C : Dynamic>::Type data{};

 private:
  [[no_unique_address]] detail::Extent<R, 0> m_rows;
  [[no_unique_address]] detail::Extent<C, 1> m_cols;
};

/// N-vector with a 1-based at(i); N may be Dynamic.
template <int N, typename T = Extended>
class Vector {
 public:
  static constexpr bool Fixed = N != Dynamic;

  /// Zero elements; a dynamic vector starts empty.
  Vector() = default;
  /// `size` zero elements (a fixed vector must be given its own size).
  explicit Vector(int size) : m_size(size) {
    if constexpr (!Fixed) data.assign(static_cast<std::size_t>(size), T{});
  }
  /// A copy of a vector of the same length whose length is fixed otherwise (60 ↔ Dynamic).
  template <int M>
  explicit Vector(const Vector<M, T>& other) : Vector(other.Size()) {
    for (int i = 1; i <= Size(); ++i) at(i) = other.at(i);
  }

  int Size() const { return m_size.Value(); }

  T& at(int i) {
    assert(i >= 1 && i <= Size());
    return data[i - 1];
  }
  T at(int i) const {
    assert(i >= 1 && i <= Size());
    return data[i - 1];
  }
  friend bool operator==(const Vector&, const Vector&) = default;

  typename detail::Storage<T, N>::Type data{};

 private:
  [[no_unique_address]] detail::Extent<N, 0> m_size;
};

/// The fixed-size matrices and vectors, by the names the window's modules use.
template <int R, int C, typename T = Extended>
using FixedMatrix = Matrix<R, C, T>;
template <int N, typename T = Extended>
using FixedVector = Vector<N, T>;

using Matrix9 = Matrix<9, 9>;
using Matrix60x9 = Matrix<AtomCount, 9>;
using Matrix9x60 = Matrix<9, AtomCount>;
using Matrix3 = Matrix<3, 3>;
using Vector60 = Vector<AtomCount>;
using Vector3 = Vector<3>;

/// The matrices and vectors of a fit to a number of atoms chosen at run time.
using MatrixNx9 = Matrix<Dynamic, 9>;
using Matrix9xN = Matrix<9, Dynamic>;
using VectorN = Vector<Dynamic>;

/// A1..A9 of A1·X² + A2·Y² + A3·Z² + A4·XY + A5·YZ + A6·XZ + A7·X + A8·Y + A9·Z + 1 = 0;
/// also used for coefficient errors, steps and 9-element right-hand sides.
using QuadricParams = Vector<9>;

/// True when every element of a and b (fixed-size extended matrices or vectors of one shape)
/// has the same 80 bits, so that every value computed from one holds for the other.
template <typename Values>
bool SameBits(const Values& a, const Values& b) {
  for (std::size_t k = 0; k < a.data.size(); ++k) {
    if (std::memcmp(&a.data[k], &b.data[k], 10) != 0) return false;
  }
  return true;
}

/// a11, a22, a33, a12, a23, a13, b1, b2, b3, c (indices 1..10) of
/// a11·x² + a22·y² + a33·z² + 2a12·xy + 2a23·yz + 2a13·xz + 2b1·x + 2b2·y + 2b3·z + c = 0.
using QuadricForm = Vector<10>;

/// 60 64-bit reals, one per atom, indexed 1..60.
using AtomValues = Vector<AtomCount, double>;

/// X, Y, Z of N atoms as 64-bit reals (coordinates in ångström, or their uncertainties),
/// indexed 1..N; N is AtomCount for the window and Dynamic for a cage of any size.
template <int N>
struct BasicPointSet {
  Vector<N, double> X, Y, Z;

  /// Zero coordinates; a dynamic set starts empty.
  BasicPointSet() = default;
  /// `count` atoms at the origin (a fixed set must be given its own count).
  explicit BasicPointSet(int count) : X(count), Y(count), Z(count) {}
  /// A copy of the atoms of a set of the other kind.
  template <int M>
  explicit BasicPointSet(const BasicPointSet<M>& other) : X(other.X), Y(other.Y), Z(other.Z) {}

  /// The number of atoms.
  int Size() const { return X.Size(); }

  friend bool operator==(const BasicPointSet&, const BasicPointSet&) = default;
};

/// The window's 60 atoms.
using PointSet = BasicPointSet<AtomCount>;

/// The atoms of a cage of any size.
using AtomPoints = BasicPointSet<Dynamic>;

}  // namespace ovalon
