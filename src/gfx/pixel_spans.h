#pragma once

// The inner loops of the integer blits: straight-line code over one span of a row, written so the compiler
// vectorises it. Each function is built twice (baseline x86-64 and AVX2) and the wider one is chosen at load time
// where the processor has it. Channels are premultiplied 8-bit values; every loop gives exactly the result of the
// packed two-channel arithmetic (0x00FF00FF pairs) it replaces, bit for bit.
#include <cstddef>
#include <cstdint>

namespace qo {

inline constexpr uint32_t PAIR_MASK = 0x00FF00FFu;

// Source-over of one premultiplied pixel onto another in fixed point, without branches: a transparent source
// leaves the destination, an opaque one replaces it (its weight k is 0), anything else keeps k/256 of the
// destination.
constexpr uint32_t over_pixel(uint32_t s, uint32_t d) {
  const uint32_t alpha = s >> 24;
  const uint32_t inv = 255 - alpha;
  const uint32_t k = inv + (inv >> 7);
  const uint32_t kept = ((((d >> 8) & PAIR_MASK) * k) & 0xFF00FF00u) + ((((d & PAIR_MASK) * k) >> 8) & PAIR_MASK);
  return alpha == 0 ? d : s + kept;
}

// Every channel of a pixel times weight/256, truncated (weight 0..256).
constexpr uint32_t scale_pixel(uint32_t pixel, uint32_t weight) {
  const uint32_t low = (((pixel & PAIR_MASK) * weight) >> 8) & PAIR_MASK;
  const uint32_t high = ((pixel >> 8) & PAIR_MASK) * weight;
  return low | (high & 0xFF00FF00u);
}

// Per channel (a * (256 - w) + b * w) >> 8 on both channel pairs, w 0..256.
constexpr uint32_t lerp_pixel(uint32_t a, uint32_t b, uint32_t w) {
  const uint32_t v = 256 - w;
  const uint32_t low = (((a & PAIR_MASK) * v + (b & PAIR_MASK) * w) >> 8) & PAIR_MASK;
  const uint32_t high = (((a >> 8) & PAIR_MASK) * v + ((b >> 8) & PAIR_MASK) * w) & ~PAIR_MASK;
  return low | high;
}

// One bilinear sample of an image whose rows are `stride` words apart: the taps at `at`, the next word, and the
// same two a row below, weighted by fu (across) and fv (down), both 0..255; then scaled by weight/256 and
// composited source-over onto d.
constexpr uint32_t bilinear_over(const uint32_t* image, size_t stride, size_t at, uint32_t fu, uint32_t fv,
                                 uint32_t weight, uint32_t d) {
  const uint32_t top = lerp_pixel(image[at], image[at + 1], fu);
  const uint32_t bottom = lerp_pixel(image[at + stride], image[at + stride + 1], fu);
  return over_pixel(scale_pixel(lerp_pixel(top, bottom, fv), weight), d);
}

// Asks for the cache lines of `count` words from `words` on, ahead of their use: for a stream read a row at a time
// among others, which the hardware's own prefetch does not keep far enough ahead.
inline void prefetch_words(const uint32_t* words, size_t count) {
  constexpr size_t WORDS_PER_LINE = 16;
  for (size_t i = 0; i < count; i += WORDS_PER_LINE) __builtin_prefetch(words + i);
}

// dst[i] = word.
void fill_span(uint32_t* dst, uint32_t word, size_t count);

// dst[i] = source-over of src[i] onto dst[i].
void blend_span_over(uint32_t* dst, const uint32_t* src, size_t count);

// dst[i] = source-over of src[i] scaled by weight/256 (weight 0..256) onto dst[i].
void blend_span_over_scaled(uint32_t* dst, const uint32_t* src, uint32_t weight, size_t count);

// a[i] = row[tap0[i]], b[i] = row[tap1[i]]: the two neighbours each destination column interpolates between.
void gather_taps(uint32_t* a, uint32_t* b, const uint32_t* row, const uint32_t* tap0, const uint32_t* tap1,
                 size_t count);

// A run of destination pixels [begin, end) whose left neighbours are the consecutive image pixels first,
// first + 1, ... and whose right neighbours are the pixels after them: two overlapping slices of an image row.
struct TapRun {
  uint32_t begin;
  uint32_t end;
  uint32_t first;
};

// The interpolations below work per channel, with weights 0..256 and truncation:
//   lerp(a, b, w) = (a * (256 - w) + b * w) >> 8.
// Their output must not overlap their inputs.

// Along the runs of one image row: out[i] = lerp(left, right, w), two weights a pixel in `lane_weights` (one per
// pair of channels, both the same).
void lerp_runs(uint32_t* out, const uint32_t* row, const TapRun* runs, size_t run_count,
               const uint16_t* lane_weights);

// The same between two rows of gathered neighbours: out[i] = lerp(a[i], b[i], w).
void lerp_pixels(uint32_t* out, const uint32_t* a, const uint32_t* b, const uint16_t* lane_weights, size_t count);

// A row of an affine draw: pixel i samples the image (rows `stride` words apart) at the 16.16 fixed-point point
// (u + i * du, v + i * dv), computed modulo 2^32, with bilinear_over. Every point's taps must lie in the image.
void sample_affine_span(uint32_t* dst, const uint32_t* image, uint32_t stride, uint32_t u, uint32_t v, uint32_t du,
                        uint32_t dv, uint32_t weight, size_t count);

// The bits an affine draw's samples land on: flags[i] = 1 when bit x of row y of `bits` is set, else 0, where
// (x, y) is the whole part of the 16.16 point (u + i * du, v + i * dv), computed modulo 2^32; rows are `words`
// 32-bit words apart, bit x in word x / 32 at x % 32. Every point must lie in the bits.
void affine_bit_span(uint8_t* flags, const uint32_t* bits, uint32_t words, uint32_t u, uint32_t v, uint32_t du,
                     uint32_t dv, size_t count);

// Between two rows with one weight, then scaled: out[i] = (lerp(a[i], b[i], w) * n) >> 8; n 0..256.
void lerp_scale_pixels(uint32_t* out, const uint32_t* a, const uint32_t* b, uint32_t w, uint32_t n, size_t count);

}  // namespace qo
