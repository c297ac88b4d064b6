// A small seeded generator, so that a seed gives the same run on every standard library
// (the distributions of <random> are not specified bit for bit).
#pragma once

#include <cstdint>

namespace pulse::vsensor {

class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}

  // splitmix64: fast, and good enough for waveforms and fault dice.
  [[nodiscard]] std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  [[nodiscard]] double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  // Uniform in [lo, hi).
  [[nodiscard]] double Uniform(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
  // Uniform integer in [lo, hi].
  [[nodiscard]] int Between(int lo, int hi) {
    return lo + static_cast<int>(Next() % static_cast<std::uint64_t>(hi - lo + 1));
  }
  [[nodiscard]] bool Chance(double p) { return p > 0 && Uniform() < p; }

 private:
  std::uint64_t state_;
};

}  // namespace pulse::vsensor
