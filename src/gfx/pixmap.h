#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace qo {

struct Color;

// Largest width a pixmap may have; a byte count must also fit in 32 bits.
inline constexpr uint32_t PIXMAP_MAX_WIDTH = 0x1FFFFFFF;

// A raster of premultiplied ARGB32 words (alpha in the top byte, then red, green, blue; bytes B, G, R, A in
// memory), rows top to bottom, no padding between rows. Width and height are at least 1. It owns its pixels,
// except one made by `borrow`, which draws into memory owned elsewhere; a copy always owns its pixels.
class Pixmap {
 public:
  // A 1 x 1 transparent pixmap.
  Pixmap();
  Pixmap(const Pixmap& other);
  Pixmap(Pixmap&& other) noexcept;
  Pixmap& operator=(const Pixmap& other);
  Pixmap& operator=(Pixmap&& other) noexcept;
  ~Pixmap() = default;

  // A transparent pixmap; a width or height of 0 is raised to 1. Sizes whose byte count does not fit in 32 bits
  // end the process.
  static Pixmap make(uint32_t width, uint32_t height);
  // Same, but reports an oversized request (or an allocation failure) as no pixmap.
  static std::optional<Pixmap> try_make(uint32_t width, uint32_t height);
  // Like try_make, but the pixels are left unset: for a caller that writes every one of them before any is
  // read (a decoder, a resampler), so large images are not zero-filled first.
  static std::optional<Pixmap> try_make_for_overwrite(uint32_t width, uint32_t height);
  // Like make, but the pixels are left unset, as in try_make_for_overwrite.
  static Pixmap make_for_overwrite(uint32_t width, uint32_t height);
  // A pixmap over width x height words that someone else owns and keeps alive for as long as it is used (a
  // window's back buffer); its pixels are left as they are.
  static Pixmap borrow(uint32_t* words, uint32_t width, uint32_t height);
  bool borrowed() const { return owned_.empty(); }

  uint32_t width() const { return width_; }
  uint32_t height() const { return height_; }
  size_t pixel_count() const { return count_; }
  size_t byte_size() const { return count_ * 4; }
  size_t stride() const { return size_t{width_} * 4; }

  std::span<uint32_t> pixels() { return {words_, count_}; }
  std::span<const uint32_t> pixels() const { return {words_, count_}; }
  std::span<uint8_t> bytes() { return {reinterpret_cast<uint8_t*>(words_), byte_size()}; }
  std::span<const uint8_t> bytes() const { return {reinterpret_cast<const uint8_t*>(words_), byte_size()}; }
  uint32_t* row(uint32_t y) { return words_ + size_t{y} * width_; }
  const uint32_t* row(uint32_t y) const { return words_ + size_t{y} * width_; }

  uint32_t pixel(uint32_t x, uint32_t y) const { return words_[size_t{y} * width_ + x]; }
  void set_pixel(uint32_t x, uint32_t y, uint32_t word) { words_[size_t{y} * width_ + x] = word; }

  // Every pixel becomes `word` (premultiplied ARGB32).
  void fill_word(uint32_t word);
  // Every pixel becomes the premultiplied form of the straight colour.
  void fill(const Color& color);
  void clear() { fill_word(0); }

 private:
  // Builds elements without a value when none is given, so a sized vector may be left unset; an explicit
  // value (vector(n, 0)) still fills as usual.
  template <class T>
  struct DefaultInitAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
      using other = DefaultInitAllocator<U>;
    };
    using std::allocator<T>::allocator;
    template <class U>
    void construct(U* p) noexcept {
      ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
      ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
  };
  using Words = std::vector<uint32_t, DefaultInitAllocator<uint32_t>>;

  Pixmap(uint32_t width, uint32_t height, Words words);

  uint32_t width_;
  uint32_t height_;
  Words owned_;              // empty when the pixels are borrowed
  uint32_t* words_;          // owned_.data() or the borrowed memory
  size_t count_;
};

// Byte count of a width x height raster of 4-byte pixels, or none when it does not fit in 32 bits or the width
// exceeds PIXMAP_MAX_WIDTH.
std::optional<uint32_t> pixmap_byte_count(uint32_t width, uint32_t height);

// Packs channel values (0..255, already premultiplied) into one pixel word.
constexpr uint32_t pack_argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}
constexpr uint32_t pixel_alpha(uint32_t w) { return w >> 24; }
constexpr uint32_t pixel_red(uint32_t w) { return (w >> 16) & 0xFF; }
constexpr uint32_t pixel_green(uint32_t w) { return (w >> 8) & 0xFF; }
constexpr uint32_t pixel_blue(uint32_t w) { return w & 0xFF; }

// An 8-bit coverage raster (0 = fully masked out, 255 = fully let through), the same size as the pixmap it
// masks. Rows are padded to a multiple of 4 bytes so the rasteriser can draw into it directly.
class Mask {
 public:
  static Mask make(uint32_t width, uint32_t height);

  uint32_t width() const { return width_; }
  uint32_t height() const { return height_; }
  size_t stride() const { return stride_; }
  std::span<uint8_t> data() { return data_; }
  std::span<const uint8_t> data() const { return data_; }
  uint8_t value(uint32_t x, uint32_t y) const { return data_[size_t{y} * stride_ + x]; }
  void set_value(uint32_t x, uint32_t y, uint8_t v) { data_[size_t{y} * stride_ + x] = v; }

 private:
  Mask(uint32_t width, uint32_t height, size_t stride);

  uint32_t width_;
  uint32_t height_;
  size_t stride_;
  std::vector<uint8_t> data_;
};

}  // namespace qo
