// The bootstrap's random draws, the same on every platform for a seed: one
// splitmix64 stream per resample, seeded from the run's seed and the resample's
// number, and an unbiased draw below n from its outputs. Header-only, so that the
// benchmarks draw exactly as tlvstats does.
//
// mix64(z): z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9; z = (z ^ (z >> 27)) *
// 0x94D049BB133111EB; z ^ (z >> 31), all mod 2^64. Stream r starts at state
// s = mix64(seed + (r + 1) * 0x9E3779B97F4A7C15) and its output j (0-based) is
// mix64(s + (j + 1) * 0x9E3779B97F4A7C15). A draw below n takes the high 32 bits x
// of one output and returns floor(x n / 2^32), drawing again while the low 32 bits
// of x n are below 2^32 mod n.
#pragma once

#include <cstdint>

namespace evaluate {

inline constexpr std::uint64_t kGoldenGamma = 0x9E3779B97F4A7C15ull;

// splitmix64's output function.
constexpr std::uint64_t mix64(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// A splitmix64 generator: each output advances the state by the golden gamma.
class Splitmix64 {
 public:
  explicit constexpr Splitmix64(std::uint64_t state) : state_(state) {}
  constexpr std::uint64_t operator()() { return mix64(state_ += kGoldenGamma); }
  // The state: the next output is mix64(state() + the golden gamma).
  constexpr std::uint64_t state() const { return state_; }

 private:
  std::uint64_t state_;
};

// The stream of resample r (0-based over the study: r = block * resamples + b).
constexpr Splitmix64 resample_stream(std::uint64_t seed, std::uint64_t r) {
  return Splitmix64(mix64(seed + (r + 1) * kGoldenGamma));
}

// A uniform integer in [0, bound), bound at least 1: multiply-shift of the high 32
// bits of one output, with rejection of the few that would bias it.
template <class Generator>
std::uint32_t bounded_draw(Generator& rng, std::uint32_t bound) {
  std::uint64_t product = (rng() >> 32) * bound;
  auto low = static_cast<std::uint32_t>(product);
  if (low < bound) {
    const std::uint32_t threshold = static_cast<std::uint32_t>(0u - bound) % bound;
    while (low < threshold) {
      product = (rng() >> 32) * bound;
      low = static_cast<std::uint32_t>(product);
    }
  }
  return static_cast<std::uint32_t>(product >> 32);
}

}  // namespace evaluate
