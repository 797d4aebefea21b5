#pragma once
// Point sets for the tests and benchmarks: atoms spread over an ellipsoid (the window's 60 or
// any number), and uniform uncertainties.

#include <array>
#include <cmath>
#include <numbers>

#include "core/extended.h"

namespace ovalon::test {

/// `count` points spread over the axis-aligned ellipsoid with semi-axes (a, b, c) centred at
/// (cx, cy, cz) by the golden-angle spiral: point i has z = 1 − (2i − 1)/count on the unit
/// sphere and the angle (i − 1)·π(3 − √5) about the z axis.
template <int N>
BasicPointSet<N> SpiralPointsOf(int count, double a, double b, double c, double cx = 0,
                                double cy = 0, double cz = 0) {
  const double golden = std::numbers::pi * (3 - std::sqrt(5.0));
  BasicPointSet<N> p(count);
  for (int i = 1; i <= count; ++i) {
    const double z = 1 - (2.0 * i - 1) / count;
    const double r = std::sqrt(1 - z * z);
    const double phi = golden * (i - 1);
    p.X.at(i) = cx + a * r * std::cos(phi);
    p.Y.at(i) = cy + b * r * std::sin(phi);
    p.Z.at(i) = cz + c * z;
  }
  return p;
}

/// The window's 60 spiral points.
inline PointSet SpiralPoints(double a, double b, double c, double cx = 0, double cy = 0,
                             double cz = 0) {
  return SpiralPointsOf<AtomCount>(AtomCount, a, b, c, cx, cy, cz);
}

/// The same uncertainty for every coordinate.
inline PointSet UniformErrors(double d) {
  PointSet e;
  e.X.data.fill(d);
  e.Y.data.fill(d);
  e.Z.data.fill(d);
  return e;
}

/// A rotation by its rows.
using Rotation = std::array<std::array<double, 3>, 3>;

/// `count` spiral points of the ellipsoid with semi-axes (a, b, c) along x, y, z, turned by
/// `r` and shifted by `shift`.
template <int N>
BasicPointSet<N> EllipsoidPointsOf(int count, const std::array<double, 3>& semiAxes,
                                   const Rotation& r, const std::array<double, 3>& shift) {
  const BasicPointSet<N> unit = SpiralPointsOf<N>(count, 1, 1, 1);
  BasicPointSet<N> p(count);
  for (int i = 1; i <= count; ++i) {
    const std::array<double, 3> q = {semiAxes[0] * unit.X.at(i), semiAxes[1] * unit.Y.at(i),
                                     semiAxes[2] * unit.Z.at(i)};
    std::array<double, 3> out{};
    for (int k = 0; k < 3; ++k)
      out[k] = r[k][0] * q[0] + r[k][1] * q[1] + r[k][2] * q[2] + shift[k];
    p.X.at(i) = out[0];
    p.Y.at(i) = out[1];
    p.Z.at(i) = out[2];
  }
  return p;
}

/// The window's 60 points of that ellipsoid.
inline PointSet EllipsoidPoints(const std::array<double, 3>& semiAxes, const Rotation& r,
                                const std::array<double, 3>& shift) {
  return EllipsoidPointsOf<AtomCount>(AtomCount, semiAxes, r, shift);
}

}  // namespace ovalon::test
