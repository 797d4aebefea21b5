// Writes a trajectory of a vibrating C60 in the XYZ layout, for trying ovalon-report --summary.
//
// Usage: ovalon-generate-trajectory [--frames N] [--seed S] [--sigma S] [--drop-atom FRAME]...
//                                   [OUTPUT]
//
// Frame f is the cage at t = f fs: the ideal cage of the sample files (bonds 1.455 and
// 1.391 Å) breathing (the radial mode near 496 cm⁻¹, period 67 fs, ±0.6 %), squashed by two
// quadrupolar modes (near 273 and 437 cm⁻¹: periods 122 and 76 fs, ±3 % and ±1.5 %), turning
// slowly about (1, 1, 1) and drifting, with a thermal displacement of 0.005 Å per coordinate
// drawn afresh every frame. Atom lines are "C x y z σx σy σz" with σ = --sigma (default
// 0.005 Å), or "C x y z" with --sigma 0. --drop-atom FRAME leaves the last atom out of that
// frame (its count line says 59), as a bad frame among good ones. Without OUTPUT the text
// goes to standard output; 10,000 frames take about 40 MB.

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <set>
#include <string>
#include <vector>

#include "examples/molecules.h"

namespace {

using ovalon::examples::IdealC60;
using ovalon::examples::Vec;

/// splitmix64 and the Box–Muller transform: a small, portable normal generator.
class Normal {
 public:
  explicit Normal(std::uint64_t seed) : m_state(seed) {}
  double Next() {
    const double u1 = (static_cast<double>(Bits() >> 11) + 1) / 9007199254740992.0;
    const double u2 = static_cast<double>(Bits() >> 11) / 9007199254740992.0;
    return std::sqrt(-2 * std::log(u1)) * std::cos(2 * std::numbers::pi * u2);
  }

 private:
  std::uint64_t Bits() {
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::uint64_t m_state;
};

/// Rotation by `angle` about the unit axis (1, 1, 1)/√3 (Rodrigues' formula).
Vec Turn(const Vec& p, double angle) {
  const double k = 1 / std::sqrt(3.0);
  const double c = std::cos(angle), s = std::sin(angle);
  const double dot = k * (p[0] + p[1] + p[2]);
  const Vec cross = {k * (p[2] - p[1]), k * (p[0] - p[2]), k * (p[1] - p[0])};
  Vec out;
  for (int i = 0; i < 3; ++i) out[i] = p[i] * c + cross[i] * s + k * dot * (1 - c);
  return out;
}

std::vector<Vec> Frame(const std::vector<Vec>& ideal, long long f, Normal& thermal) {
  const double t = static_cast<double>(f);  // fs
  const double breathing = 1 + 0.006 * std::sin(2 * std::numbers::pi * t / 67.2);
  const double squash1 = 0.03 * std::sin(2 * std::numbers::pi * t / 122.0);
  const double squash2 = 0.015 * std::sin(2 * std::numbers::pi * t / 76.3 + 1.0);
  const Vec scale = {breathing * (1 + squash1 - squash2 / 2),
                     breathing * (1 - squash1 / 2 - squash2 / 2),
                     breathing * (1 - squash1 / 2 + squash2)};
  const double angle = 0.0035 * t;  // about 0.2° per fs
  const Vec drift = {0.5 + 0.0004 * t, -1.0 + 0.0002 * t, 0.25 - 0.0001 * t};
  std::vector<Vec> atoms;
  for (const Vec& p : ideal) {
    const Vec q = Turn({p[0] * scale[0], p[1] * scale[1], p[2] * scale[2]}, angle);
    atoms.push_back({q[0] + drift[0] + 0.005 * thermal.Next(),
                     q[1] + drift[1] + 0.005 * thermal.Next(),
                     q[2] + drift[2] + 0.005 * thermal.Next()});
  }
  return atoms;
}

int Usage() {
  std::fputs(
      "usage: ovalon-generate-trajectory [--frames N] [--seed S] [--sigma S] "
      "[--drop-atom FRAME]... [OUTPUT]\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  long long frames = 10000;
  std::uint64_t seed = 1;
  double sigma = 0.005;
  std::set<long long> dropped;
  const char* output = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--frames" && hasValue) {
      frames = std::atoll(argv[++i]);
    } else if (arg == "--seed" && hasValue) {
      seed = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--sigma" && hasValue) {
      sigma = std::atof(argv[++i]);
    } else if (arg == "--drop-atom" && hasValue) {
      dropped.insert(std::atoll(argv[++i]));
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Usage();
    } else if (!output) {
      output = argv[i];
    } else {
      return Usage();
    }
  }
  std::FILE* out = output ? std::fopen(output, "wb") : stdout;
  if (!out) {
    std::perror(output);
    return 1;
  }
  const std::vector<Vec> ideal = IdealC60();
  Normal thermal(seed);
  for (long long f = 1; f <= frames; ++f) {
    std::vector<Vec> atoms = Frame(ideal, f, thermal);
    if (dropped.count(f)) atoms.pop_back();
    std::fprintf(out, "%zu\nC60 vibration; frame %lld; t = %lld fs\n", atoms.size(), f, f);
    for (const Vec& p : atoms) {
      if (sigma > 0)
        std::fprintf(out, "C %11.6f %11.6f %11.6f %.4f %.4f %.4f\n", p[0], p[1], p[2], sigma, sigma,
                     sigma);
      else
        std::fprintf(out, "C %11.6f %11.6f %11.6f\n", p[0], p[1], p[2]);
    }
  }
  if (out != stdout ? std::fclose(out) != 0 : std::fflush(out) != 0) {
    std::perror(output ? output : "standard output");
    return 1;
  }
  return 0;
}
