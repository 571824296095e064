#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "gfx/pixmap.h"

namespace qo {

// A pixmap from straight RGBA bytes (R, G, B, A in memory, rows top to bottom, no padding): every colour
// channel becomes (c * a + 127) / 255. None for a zero size, a byte count beyond 32 bits, or fewer than
// width * height * 4 bytes.
std::optional<Pixmap> premultiply_rgba(std::span<const uint8_t> rgba, uint32_t width, uint32_t height);

// Straight RGBA bytes of a pixmap (the inverse of premultiply_rgba, rounded to nearest).
std::vector<uint8_t> unpremultiply_to_rgba(const Pixmap& pixmap);

// No bound on a decoded image's pixel count beyond what a pixmap can hold.
inline constexpr uint64_t ANY_PIXEL_COUNT = UINT64_MAX;

// A WebP image (lossy or lossless, with or without alpha; opaque without alpha); none when it does not decode
// or its header declares more than `max_pixels` pixels (checked before any pixel memory is taken).
std::optional<Pixmap> decode_webp_to_pixmap(std::span<const uint8_t> bytes, uint64_t max_pixels = ANY_PIXEL_COUNT);

// A PNG image of any colour type and bit depth (16-bit channels keep their high byte, no gamma correction);
// none when it does not decode or its header declares more than `max_pixels` pixels.
std::optional<Pixmap> decode_png(std::span<const uint8_t> bytes, uint64_t max_pixels = ANY_PIXEL_COUNT);

// An 8-bit RGBA PNG of the pixmap; none when encoding fails.
std::optional<std::vector<uint8_t>> encode_png(const Pixmap& pixmap);

}  // namespace qo
