#include "view3d/scene/glvector.h"

#include <cmath>

namespace ovalon {

float Dot(SceneVector a, SceneVector b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

SceneVector Cross(SceneVector a, SceneVector b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Length(SceneVector a) { return std::sqrt(Dot(a, a)); }

SceneVector Normalized(SceneVector a) {
  const float length = Length(a);
  return {a.x / length, a.y / length, a.z / length};
}

bool IsFinite(SceneVector a) {
  return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z);
}

SceneVector Rotated(SceneVector v, SceneVector axis, float angle) {
  // Rodrigues: v cos θ + (k × v) sin θ + k (k · v)(1 − cos θ).
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  return v * c + Cross(axis, v) * s + axis * (Dot(axis, v) * (1 - c));
}

SceneColor ColorFromRGB(int r, int g, int b) {
  return {static_cast<float>(r) / 255.0f, static_cast<float>(g) / 255.0f,
          static_cast<float>(b) / 255.0f, 1.0f};
}

Matrix4f Matrix4f::Identity() {
  Matrix4f result;
  for (int i = 0; i < 4; ++i) result(i, i) = 1;
  return result;
}

Matrix4f operator*(const Matrix4f& a, const Matrix4f& b) {
  Matrix4f result;
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      float sum = 0;
      for (int k = 0; k < 4; ++k) sum += a(row, k) * b(k, col);
      result(row, col) = sum;
    }
  }
  return result;
}

SceneVector TransformPoint(const Matrix4f& m, SceneVector p) {
  return {m(0, 0) * p.x + m(0, 1) * p.y + m(0, 2) * p.z + m(0, 3),
          m(1, 0) * p.x + m(1, 1) * p.y + m(1, 2) * p.z + m(1, 3),
          m(2, 0) * p.x + m(2, 1) * p.y + m(2, 2) * p.z + m(2, 3)};
}

SceneVector TransformVector(const Matrix4f& m, SceneVector v) {
  return {m(0, 0) * v.x + m(0, 1) * v.y + m(0, 2) * v.z,
          m(1, 0) * v.x + m(1, 1) * v.y + m(1, 2) * v.z,
          m(2, 0) * v.x + m(2, 1) * v.y + m(2, 2) * v.z};
}

Matrix4f InverseRigid(const Matrix4f& m) {
  Matrix4f result = Matrix4f::Identity();
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) result(row, col) = m(col, row);
  }
  const SceneVector t = TransformVector(result, {m(0, 3), m(1, 3), m(2, 3)});
  result(0, 3) = -t.x;
  result(1, 3) = -t.y;
  result(2, 3) = -t.z;
  return result;
}

}  // namespace ovalon
