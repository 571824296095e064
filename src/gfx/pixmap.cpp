#include "gfx/pixmap.h"

#include <algorithm>
#include <new>
#include <utility>

#include "gfx/color.h"
#include "gfx/fatal.h"
#include "gfx/pixel_spans.h"

namespace qo {

std::optional<uint32_t> pixmap_byte_count(uint32_t width, uint32_t height) {
  if (width > PIXMAP_MAX_WIDTH) return std::nullopt;
  const uint64_t bytes = uint64_t{width} * height * 4;
  if (bytes > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(bytes);
}

Pixmap::Pixmap() : Pixmap(1, 1, Words(1, 0u)) {}

Pixmap::Pixmap(uint32_t width, uint32_t height, Words words)
    : width_(width), height_(height), owned_(std::move(words)), words_(owned_.data()), count_(owned_.size()) {}

Pixmap::Pixmap(const Pixmap& other)
    : Pixmap(other.width_, other.height_, Words(other.words_, other.words_ + other.count_)) {}

Pixmap::Pixmap(Pixmap&& other) noexcept
    : width_(other.width_),
      height_(other.height_),
      owned_(std::move(other.owned_)),
      words_(std::exchange(other.words_, nullptr)),
      count_(std::exchange(other.count_, 0)) {}

Pixmap& Pixmap::operator=(const Pixmap& other) {
  if (this != &other) *this = Pixmap(other);
  return *this;
}

Pixmap& Pixmap::operator=(Pixmap&& other) noexcept {
  if (this == &other) return *this;
  width_ = other.width_;
  height_ = other.height_;
  owned_ = std::move(other.owned_);
  words_ = std::exchange(other.words_, nullptr);
  count_ = std::exchange(other.count_, 0);
  return *this;
}

Pixmap Pixmap::borrow(uint32_t* words, uint32_t width, uint32_t height) {
  Pixmap pixmap(std::max(width, 1u), std::max(height, 1u), Words());
  pixmap.words_ = words;
  pixmap.count_ = size_t{pixmap.width_} * pixmap.height_;
  return pixmap;
}

std::optional<Pixmap> Pixmap::try_make(uint32_t width, uint32_t height) {
  width = std::max(width, 1u);
  height = std::max(height, 1u);
  if (!pixmap_byte_count(width, height)) return std::nullopt;
  try {
    return Pixmap(width, height, Words(size_t{width} * height, 0u));
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

std::optional<Pixmap> Pixmap::try_make_for_overwrite(uint32_t width, uint32_t height) {
  width = std::max(width, 1u);
  height = std::max(height, 1u);
  if (!pixmap_byte_count(width, height)) return std::nullopt;
  try {
    return Pixmap(width, height, Words(size_t{width} * height));
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

Pixmap Pixmap::make(uint32_t width, uint32_t height) {
  Pixmap pixmap = make_for_overwrite(width, height);
  pixmap.clear();
  return pixmap;
}

Pixmap Pixmap::make_for_overwrite(uint32_t width, uint32_t height) {
  width = std::max(width, 1u);
  height = std::max(height, 1u);
  if (!pixmap_byte_count(width, height)) gfx_fatal("pixmap size does not fit in 32-bit byte counts");
  return Pixmap(width, height, Words(size_t{width} * height));
}

void Pixmap::fill_word(uint32_t word) { fill_span(words_, word, count_); }

void Pixmap::fill(const Color& color) { fill_word(color.premultiplied_word()); }

Mask::Mask(uint32_t width, uint32_t height, size_t stride)
    : width_(width), height_(height), stride_(stride), data_(stride * height, uint8_t{0}) {}

Mask Mask::make(uint32_t width, uint32_t height) {
  width = std::max(width, 1u);
  height = std::max(height, 1u);
  if (!pixmap_byte_count(width, height)) gfx_fatal("mask size does not fit in 32-bit byte counts");
  // Rows padded to 4 bytes, as the rasteriser expects for 8-bit surfaces.
  const size_t stride = (size_t{width} + 3) & ~size_t{3};
  return Mask(width, height, stride);
}

}  // namespace qo
