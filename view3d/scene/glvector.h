#pragma once
// 32-bit vectors, colours and 4×4 matrices of the scene layer.

#include <array>
#include <cstdint>
#include <initializer_list>

namespace ovalon {

/// A position or direction (x, y, z) in 32-bit reals.
struct SceneVector {
  float x = 0;
  float y = 0;
  float z = 0;
  friend bool operator==(const SceneVector&, const SceneVector&) = default;
};

inline SceneVector operator+(SceneVector a, SceneVector b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline SceneVector operator-(SceneVector a, SceneVector b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline SceneVector operator*(SceneVector a, float f) { return {a.x * f, a.y * f, a.z * f}; }

/// a · b, each product rounded to 32 bits.
float Dot(SceneVector a, SceneVector b);

/// a × b (right-handed).
SceneVector Cross(SceneVector a, SceneVector b);

/// Euclidean length |a|.
float Length(SceneVector a);

/// a / |a|; a zero vector gives not-a-number components.
SceneVector Normalized(SceneVector a);

/// True when all three components are finite.
bool IsFinite(SceneVector a);

/// v turned by `angle` radians about the unit vector `axis` (right-hand rule).
SceneVector Rotated(SceneVector v, SceneVector axis, float angle);

/// RGBA colour, four 32-bit reals in 0..1.
struct SceneColor {
  float r = 0;
  float g = 0;
  float b = 0;
  float a = 1;
  friend bool operator==(const SceneColor&, const SceneColor&) = default;
};

/// A window-system colour of bytes R, G, B as the opaque (R/255, G/255, B/255, 1).
SceneColor ColorFromRGB(int r, int g, int b);

/// 4×4 matrix of 32-bit reals stored column by column (the order glMultMatrixf reads).
struct Matrix4f {
  std::array<float, 16> m{};

  /// Element at 0-based row and column.
  float& operator()(int row, int col) { return m[col * 4 + row]; }
  float operator()(int row, int col) const { return m[col * 4 + row]; }
  static Matrix4f Identity();
};

/// a · b: applies b first, then a.
Matrix4f operator*(const Matrix4f& a, const Matrix4f& b);

/// The point p moved by the affine matrix m (translation included).
SceneVector TransformPoint(const Matrix4f& m, SceneVector p);

/// The direction v turned by the rotation part of m (translation ignored).
SceneVector TransformVector(const Matrix4f& m, SceneVector v);

/// The inverse of a rotation-plus-translation matrix (transposed rotation).
Matrix4f InverseRigid(const Matrix4f& m);

/// A set of enumerators of a small enum, like a Pascal-style set of flags.
template <typename E>
class EnumSet {
 public:
  EnumSet() = default;
  EnumSet(std::initializer_list<E> items) {
    for (E item : items) m_bits |= Bit(item);
  }
  bool Contains(E item) const { return (m_bits & Bit(item)) != 0; }
  friend bool operator==(const EnumSet&, const EnumSet&) = default;

 private:
  static std::uint32_t Bit(E item) { return std::uint32_t{1} << static_cast<int>(item); }
  std::uint32_t m_bits = 0;
};

}  // namespace ovalon
