#include "analysis/normalsampler.h"

#include <cmath>
#include <numbers>

namespace ovalon {

namespace {

constexpr std::uint64_t Rotate(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

std::uint64_t SplitMix64(std::uint64_t& state) {
  state += 0x9E3779B97F4A7C15ull;
  std::uint64_t z = state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

NormalSampler::NormalSampler(std::uint64_t seed, std::uint64_t key) {
  std::uint64_t state = seed;
  state = SplitMix64(state) ^ key;
  for (std::uint64_t& word : m_state) word = SplitMix64(state);
}

std::uint64_t NormalSampler::NextBits() {
  const std::uint64_t result = Rotate(m_state[1] * 5, 7) * 9;
  const std::uint64_t t = m_state[1] << 17;
  m_state[2] ^= m_state[0];
  m_state[3] ^= m_state[1];
  m_state[1] ^= m_state[2];
  m_state[0] ^= m_state[3];
  m_state[2] ^= t;
  m_state[3] = Rotate(m_state[3], 45);
  return result;
}

double NormalSampler::Next() {
  if (m_hasSpare) {
    m_hasSpare = false;
    return m_spare;
  }
  constexpr double Unit = 1.0 / 9007199254740992.0;                      // 2^−53
  const double u1 = static_cast<double>((NextBits() >> 11) + 1) * Unit;  // (0, 1]: log is finite
  const double u2 = static_cast<double>(NextBits() >> 11) * Unit;        // [0, 1)
  const double radius = std::sqrt(-2 * std::log(u1));
  const double angle = 2 * std::numbers::pi * u2;
  m_spare = radius * std::sin(angle);
  m_hasSpare = true;
  return radius * std::cos(angle);
}

}  // namespace ovalon
