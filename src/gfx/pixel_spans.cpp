#include "gfx/pixel_spans.h"

// Built for the baseline and for AVX2; the dynamic loader picks one per processor. Never -march=native: the
// executable must run on any x86-64. Sanitized builds keep the baseline only: the loader runs the choosing
// function before the sanitizer runtime is up, and an instrumented one can crash there. Those builds thus test the
// baseline loops, the plain build the AVX2 ones.
#if defined(__x86_64__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
#define QO_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define QO_VECTOR_CLONES
#endif

namespace qo {

namespace {

// Two channels of a pixel (blue and green, or red and alpha) as one 16-bit lane of its word. The products below
// are truncated to 16 bits on purpose: with weights summing to 256 no sum exceeds 255 * 256, so nothing is lost,
// and the compiler can use 16-bit lanes.
using Lane = uint16_t __attribute__((__may_alias__));

Lane* lanes(uint32_t* pixels) { return reinterpret_cast<Lane*>(pixels); }
const Lane* lanes(const uint32_t* pixels) { return reinterpret_cast<const Lane*>(pixels); }

// Both channels of a lane: the low one in bits 0-7 of the result, the high one in bits 8-15 of `high`.
struct LaneSums {
  uint16_t low;
  uint16_t high;
};

inline LaneSums lerp_sums(uint16_t a, uint16_t b, uint16_t wb) {
  const auto wa = static_cast<uint16_t>(256 - wb);
  return {static_cast<uint16_t>(static_cast<uint16_t>((a & 0xFF) * wa) + static_cast<uint16_t>((b & 0xFF) * wb)),
          static_cast<uint16_t>(static_cast<uint16_t>((a >> 8) * wa) + static_cast<uint16_t>((b >> 8) * wb))};
}

inline uint16_t lerp_lane(uint16_t a, uint16_t b, uint16_t wb) {
  const LaneSums sums = lerp_sums(a, b, wb);
  return static_cast<uint16_t>((sums.low >> 8) | (sums.high & 0xFF00));
}

inline uint16_t lerp_scale_lane(uint16_t a, uint16_t b, uint16_t wb, uint16_t n) {
  const LaneSums sums = lerp_sums(a, b, wb);
  const auto low = static_cast<uint16_t>(static_cast<uint16_t>((sums.low >> 8) * n) >> 8);
  const auto high = static_cast<uint16_t>(static_cast<uint16_t>((sums.high >> 8) * n) & 0xFF00);
  return static_cast<uint16_t>(low | high);
}

// Lanes per block: one 256-bit vector.
constexpr size_t BLOCK = 16;

inline void lerp_lane_block(Lane* out, const Lane* a, const Lane* b, const uint16_t* w) {
#pragma GCC ivdep
  for (size_t i = 0; i < BLOCK; ++i) out[i] = lerp_lane(a[i], b[i], w[i]);
}

// Whole blocks, then one last block that ends with the span and overlaps lanes already done (they come out the
// same, as no output is an input): short spans need no lane-by-lane tail.
inline void lerp_lane_span(Lane* out, const Lane* a, const Lane* b, const uint16_t* w, size_t count) {
  if (count < BLOCK) {
    for (size_t i = 0; i < count; ++i) out[i] = lerp_lane(a[i], b[i], w[i]);
    return;
  }
  size_t start = 0;
  for (; start + BLOCK <= count; start += BLOCK) lerp_lane_block(out + start, a + start, b + start, w + start);
  if (start < count) {
    start = count - BLOCK;
    lerp_lane_block(out + start, a + start, b + start, w + start);
  }
}

}  // namespace

QO_VECTOR_CLONES void fill_span(uint32_t* dst, uint32_t word, size_t count) {
  for (size_t i = 0; i < count; ++i) dst[i] = word;
}

QO_VECTOR_CLONES void blend_span_over(uint32_t* dst, const uint32_t* src, size_t count) {
  for (size_t i = 0; i < count; ++i) dst[i] = over_pixel(src[i], dst[i]);
}

QO_VECTOR_CLONES void blend_span_over_scaled(uint32_t* dst, const uint32_t* src, uint32_t weight, size_t count) {
  for (size_t i = 0; i < count; ++i) dst[i] = over_pixel(scale_pixel(src[i], weight), dst[i]);
}

QO_VECTOR_CLONES void gather_taps(uint32_t* a, uint32_t* b, const uint32_t* row, const uint32_t* tap0,
                                  const uint32_t* tap1, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    a[i] = row[tap0[i]];
    b[i] = row[tap1[i]];
  }
}

QO_VECTOR_CLONES void lerp_runs(uint32_t* out, const uint32_t* row, const TapRun* runs, size_t run_count,
                                const uint16_t* lane_weights) {
  for (size_t r = 0; r < run_count; ++r) {
    const TapRun& run = runs[r];
    lerp_lane_span(lanes(out + run.begin), lanes(row + run.first), lanes(row + run.first + 1),
                   lane_weights + size_t{run.begin} * 2, size_t{run.end - run.begin} * 2);
  }
}

QO_VECTOR_CLONES void lerp_pixels(uint32_t* out, const uint32_t* a, const uint32_t* b, const uint16_t* lane_weights,
                                  size_t count) {
  lerp_lane_span(lanes(out), lanes(a), lanes(b), lane_weights, count * 2);
}

QO_VECTOR_CLONES void sample_affine_span(uint32_t* dst, const uint32_t* image, uint32_t stride, uint32_t u, uint32_t v,
                                         uint32_t du, uint32_t dv, uint32_t weight, size_t count) {
  // Every pixel is computed, transparent taps included: they leave the destination as it is (a transparent
  // sample composites to the destination), so there is no branch to stop the vectoriser.
  const auto n = static_cast<uint32_t>(count);
#pragma GCC ivdep
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t pu = u + i * du;
    const uint32_t pv = v + i * dv;
    const uint32_t at = (pv >> 16) * stride + (pu >> 16);
    dst[i] = bilinear_over(image, stride, at, (pu >> 8) & 0xFF, (pv >> 8) & 0xFF, weight, dst[i]);
  }
}

QO_VECTOR_CLONES void affine_bit_span(uint8_t* flags, const uint32_t* bits, uint32_t words, uint32_t u, uint32_t v,
                                      uint32_t du, uint32_t dv, size_t count) {
  const auto n = static_cast<uint32_t>(count);
#pragma GCC ivdep
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t x = (u + i * du) >> 16;
    const uint32_t y = (v + i * dv) >> 16;
    flags[i] = static_cast<uint8_t>((bits[y * words + x / 32] >> (x % 32)) & 1u);
  }
}

QO_VECTOR_CLONES void lerp_scale_pixels(uint32_t* out, const uint32_t* a, const uint32_t* b, uint32_t w, uint32_t n,
                                        size_t count) {
  Lane* o = lanes(out);
  const Lane* upper = lanes(a);
  const Lane* lower = lanes(b);
  const auto wb = static_cast<uint16_t>(w);
  const auto weight = static_cast<uint16_t>(n);
#pragma GCC ivdep
  for (size_t i = 0; i < count * 2; ++i) o[i] = lerp_scale_lane(upper[i], lower[i], wb, weight);
}

}  // namespace qo
