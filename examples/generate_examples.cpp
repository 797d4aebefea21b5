// Writes the sample coordinate files of the examples folder: an ideal C60 cage and a distorted
// one in the window's layout, and other cages, adducts and a frame of several molecules in
// the XYZ layout. Usage: ovalon-generate-examples OUTPUT_DIR
//
// The ideal cage is the truncated icosahedron: every atom lies on an edge of an icosahedron
// with edge E, at the fraction t from one end. The five atoms around an icosahedron vertex
// form a pentagon with sides t·E (the bonds shared by a pentagon and a hexagon), and the two
// atoms on one edge are (1 − 2t)·E apart (the bonds shared by two hexagons). With
// t·E = 1.455 Å and (1 − 2t)·E = 1.391 Å: E = 1.455 + 2·1.455 + 1.391 − 1.455 = 4.301 Å and
// t = 1.455 / 4.301.

#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "examples/molecules.h"

namespace {

using ovalon::examples::IdealC60;
using ovalon::examples::Vec;

// Stretch along x, y, z, rotate (z, then y, then x) and translate; then add a small
// deterministic disorder from a fixed linear congruential sequence, as in a measured structure.
std::vector<Vec> DistortedC60() {
  const Vec stretch = {1.12, 1.0, 0.91};
  const Vec angle = {0.35, -0.6, 1.1};
  const Vec shift = {1.5, -2.25, 0.75};
  unsigned state = 20261209u;
  auto disorder = [&state] {
    state = state * 1664525u + 1013904223u;
    return (static_cast<double>(state >> 8) / 16777216.0 - 0.5) * 0.006;  // ±0.003 Å
  };
  std::vector<Vec> atoms = IdealC60();
  for (Vec& p : atoms) {
    Vec q = {p[0] * stretch[0], p[1] * stretch[1], p[2] * stretch[2]};
    const double cz = std::cos(angle[2]), sz = std::sin(angle[2]);
    q = {cz * q[0] - sz * q[1], sz * q[0] + cz * q[1], q[2]};
    const double cy = std::cos(angle[1]), sy = std::sin(angle[1]);
    q = {cy * q[0] + sy * q[2], q[1], -sy * q[0] + cy * q[2]};
    const double cx = std::cos(angle[0]), sx = std::sin(angle[0]);
    q = {q[0], cx * q[1] - sx * q[2], sx * q[1] + cx * q[2]};
    for (int k = 0; k < 3; ++k) p[k] = q[k] + shift[k] + disorder();
  }
  return atoms;
}

std::string AtomLine(const Vec& p) {
  char line[128];
  std::snprintf(line, sizeof line, "C  %.6f  %.6f  %.6f", p[0], p[1], p[2]);
  return line;
}

std::string UncertaintyLine(const Vec& d) {
  char line[128];
  std::snprintf(line, sizeof line, ">  %.4f  %.4f  %.4f", d[0], d[1], d[2]);
  return line;
}

bool WriteLines(const std::string& path, const std::vector<std::string>& lines,
                const char* lineBreak = "\r\n") {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    std::perror(path.c_str());
    return false;
  }
  for (const std::string& line : lines) std::fprintf(file, "%s%s", line.c_str(), lineBreak);
  return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];

  // A comment line must not start with "C": the reader takes every such line for an atom.
  std::vector<std::string> ideal = {
      "60", "Fullerene C60, ideal truncated icosahedron (bonds 1.391 and 1.455 A)"};
  for (const Vec& p : IdealC60()) {
    ideal.push_back(AtomLine(p));
    ideal.push_back(UncertaintyLine({0.002, 0.002, 0.002}));
  }

  std::vector<std::string> distorted = {
      "60",
      "Fullerene C60, stretched 1.12 x 1.00 x 0.91, rotated and shifted, with small disorder"};
  const std::vector<Vec> atoms = DistortedC60();
  for (const Vec& p : atoms) distorted.push_back(AtomLine(p));
  for (size_t i = 0; i < atoms.size(); ++i) {
    const double base = 0.001 * static_cast<double>(1 + i % 4);
    distorted.push_back(UncertaintyLine({base, base + 0.0005, base + 0.001}));
  }

  namespace ex = ovalon::examples;
  const auto writeXyz = [&dir](const char* name, const ex::Molecule& molecule,
                               const std::string& comment) {
    return WriteLines(dir + "/" + name, ex::XyzLines(molecule, comment), "\n");
  };
  const bool ok =
      WriteLines(dir + "/c60_ideal.xyz", ideal) &&
      WriteLines(dir + "/c60_distorted.xyz", distorted) &&
      writeXyz("c70.xyz", ex::C70(),
               "Fullerene C70 (D5h), five-fold axis along z; built from its face spiral and "
               "relaxed with bond and angle springs") &&
      writeXyz(
          "c84.xyz", ex::C84(),
          "Fullerene C84 (D2d, isomer 23 of the isolated-pentagon isomers), S4 axis along z") &&
      writeXyz("sc3n_c80.xyz", ex::Sc3NC80(),
               "Endohedral Sc3N@C80 (Ih cage), the Sc3N guest at the centre") &&
      writeXyz("c60_toluene_pcbm.xyz", ex::C60TolueneAdductFrame(),
               "Several molecules: toluene, C60, toluene and a PCBM-like methanofullerene");
  return ok ? 0 : 1;
}
