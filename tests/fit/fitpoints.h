#pragma once
// Point sets and golden files shared by the fit tests.

#include <cmath>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "core/extended.h"

namespace ovalon::testing {

/// 60 points spread over the axis-aligned ellipsoid with semi-axes (a, b, c) centred at
/// (cx, cy, cz) by the golden-angle spiral: z = 1 − (2i − 1)/60, angle (i − 1)·π(3 − √5).
inline PointSet SpiralPoints(double a, double b, double c, double cx = 0, double cy = 0,
                             double cz = 0) {
  const double golden = std::numbers::pi * (3 - std::sqrt(5.0));
  PointSet p;
  for (int i = 1; i <= AtomCount; ++i) {
    const double z = 1 - (2.0 * i - 1) / AtomCount;
    const double r = std::sqrt(1 - z * z);
    const double phi = golden * (i - 1);
    p.X.at(i) = cx + a * r * std::cos(phi);
    p.Y.at(i) = cy + b * r * std::sin(phi);
    p.Z.at(i) = cz + c * z;
  }
  return p;
}

/// The same uncertainty for every coordinate.
inline PointSet UniformErrors(double d) {
  PointSet e;
  e.X.data.fill(d);
  e.Y.data.fill(d);
  e.Z.data.fill(d);
  return e;
}

inline std::string GoldenPath(const std::string& name) {
  return std::string(OVALON_SOURCE_DIR) + "/tests/report/golden/" + name;
}

/// The lines of a text file, without their line breaks.
inline std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

/// fixture.txt: 60 lines "x y z dx dy dz" of exact decimals.
inline bool ReadGoldenFixture(PointSet& coords, PointSet& errors) {
  std::ifstream in(GoldenPath("fixture.txt"));
  for (int i = 1; i <= AtomCount; ++i) {
    if (!(in >> coords.X.at(i) >> coords.Y.at(i) >> coords.Z.at(i) >> errors.X.at(i) >>
          errors.Y.at(i) >> errors.Z.at(i)))
      return false;
  }
  return true;
}

}  // namespace ovalon::testing
