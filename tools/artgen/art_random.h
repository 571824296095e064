#pragma once
// Reproducible randomness for the artwork: a seeded generator and smooth value noise, so every run of the
// generator paints the same pictures bit for bit.
#include <cstdint>

namespace art {

// splitmix64: small, fast and good enough for scattering stars and shaping ridges.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t next_u64();
  // Uniform in [0, 1).
  float next();
  // Uniform in [lo, hi).
  float range(float lo, float hi) { return lo + (hi - lo) * next(); }

 private:
  uint64_t state_;
};

// Smooth noise in about [-1, 1] on an integer lattice hashed with `seed`.
float value_noise_1d(float x, uint32_t seed);
float value_noise_2d(float x, float y, uint32_t seed);
// Sums of `octaves` noise layers, each twice the frequency and `gain` times the amplitude of the last,
// normalised back to about [-1, 1].
float fractal_noise_1d(float x, int octaves, float gain, uint32_t seed);
float fractal_noise_2d(float x, float y, int octaves, float gain, uint32_t seed);

}  // namespace art
