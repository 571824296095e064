#include "art_random.h"

#include <cmath>

namespace art {

uint64_t Rng::next_u64() {
  state_ += 0x9E3779B97F4A7C15ULL;
  uint64_t z = state_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

float Rng::next() { return static_cast<float>(next_u64() >> 40) / 16777216.0f; }

namespace {

uint32_t hash_lattice(int32_t x, int32_t y, uint32_t seed) {
  uint32_t h = seed * 0x27D4EB2Du ^ static_cast<uint32_t>(x) * 0x85EBCA6Bu ^ static_cast<uint32_t>(y) * 0xC2B2AE35u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}

// A lattice value in [-1, 1].
float lattice(int32_t x, int32_t y, uint32_t seed) {
  return static_cast<float>(hash_lattice(x, y, seed) >> 8) / 8388607.5f - 1.0f;
}

float smooth(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

float lerp(float a, float b, float t) { return a + (b - a) * t; }

}  // namespace

float value_noise_1d(float x, uint32_t seed) {
  const float fx = std::floor(x);
  const auto ix = static_cast<int32_t>(fx);
  return lerp(lattice(ix, 0, seed), lattice(ix + 1, 0, seed), smooth(x - fx));
}

float value_noise_2d(float x, float y, uint32_t seed) {
  const float fx = std::floor(x);
  const float fy = std::floor(y);
  const auto ix = static_cast<int32_t>(fx);
  const auto iy = static_cast<int32_t>(fy);
  const float tx = smooth(x - fx);
  const float ty = smooth(y - fy);
  const float top = lerp(lattice(ix, iy, seed), lattice(ix + 1, iy, seed), tx);
  const float bottom = lerp(lattice(ix, iy + 1, seed), lattice(ix + 1, iy + 1, seed), tx);
  return lerp(top, bottom, ty);
}

float fractal_noise_1d(float x, int octaves, float gain, uint32_t seed) {
  float sum = 0.0f, amplitude = 1.0f, norm = 0.0f;
  for (int i = 0; i < octaves; ++i) {
    sum += amplitude * value_noise_1d(x, seed + static_cast<uint32_t>(i) * 101u);
    norm += amplitude;
    amplitude *= gain;
    x *= 2.0f;
  }
  return sum / norm;
}

float fractal_noise_2d(float x, float y, int octaves, float gain, uint32_t seed) {
  float sum = 0.0f, amplitude = 1.0f, norm = 0.0f;
  for (int i = 0; i < octaves; ++i) {
    sum += amplitude * value_noise_2d(x, y, seed + static_cast<uint32_t>(i) * 101u);
    norm += amplitude;
    amplitude *= gain;
    x *= 2.0f;
    y *= 2.0f;
  }
  return sum / norm;
}

}  // namespace art
