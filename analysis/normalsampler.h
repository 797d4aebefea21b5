#pragma once
// The standard normal draws of the Monte Carlo re-fits.

#include <cstdint>

namespace ovalon {

/// A standard normal generator: xoshiro256** seeded by splitmix64 from (seed, key), and the
/// Box–Muller transform; the same sequence on every machine with an IEEE 754 libm of the same
/// results.
class NormalSampler {
 public:
  NormalSampler(std::uint64_t seed, std::uint64_t key);
  double Next();

 private:
  std::uint64_t NextBits();
  std::uint64_t m_state[4];
  double m_spare = 0;
  bool m_hasSpare = false;
};

}  // namespace ovalon
