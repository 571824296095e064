#include "golden_image.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <string>
#include <system_error>

#include "gfx/image_codec.h"
#include "support/temp_dir.h"

namespace qo::test {
namespace {

bool update_mode() {
  const char* v = std::getenv("QO_GOLDEN_UPDATE");
  return v != nullptr && std::string_view(v) == "1";
}

int channel_difference(uint32_t a, uint32_t b) {
  int largest = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int ca = static_cast<int>((a >> shift) & 0xFF);
    const int cb = static_cast<int>((b >> shift) & 0xFF);
    largest = std::max(largest, std::abs(ca - cb));
  }
  return largest;
}

// A quarter-strength grey copy of the pixel, so the red marks stand out while the scene stays recognisable.
uint32_t dimmed(uint32_t word) {
  const uint32_t grey = (pixel_red(word) + pixel_green(word) + pixel_blue(word)) / 12;
  return pack_argb(255, grey, grey, grey);
}

bool write_png(const std::filesystem::path& file, const Pixmap& pixmap) {
  const auto png = encode_png(pixmap);
  if (!png) return false;
  write_file(file, std::string_view(reinterpret_cast<const char*>(png->data()), png->size()));
  return std::filesystem::exists(file);
}

// The picture as it comes back from a PNG file, so that the comparison does not see the rounding of
// straight-alpha storage.
std::optional<Pixmap> png_round_trip(const Pixmap& pixmap) {
  const auto png = encode_png(pixmap);
  if (!png) return std::nullopt;
  return decode_png(*png);
}

}  // namespace

PixelDiff compare_pixels(const Pixmap& actual, const Pixmap& expected, int tolerance) {
  PixelDiff diff;
  diff.diff_image = Pixmap::make(actual.width(), actual.height());
  const auto a = actual.pixels();
  const auto e = expected.pixels();
  const auto out = diff.diff_image.pixels();
  for (size_t i = 0; i < a.size(); ++i) {
    const int d = channel_difference(a[i], e[i]);
    diff.largest_channel_difference = std::max(diff.largest_channel_difference, d);
    if (d > tolerance) {
      ++diff.differing_pixels;
      out[i] = pack_argb(255, 255, 0, 0);
    } else {
      out[i] = dimmed(a[i]);
    }
  }
  return diff;
}

std::filesystem::path golden_reference_path(std::string_view name) {
  return std::filesystem::path(QO_SOURCE_DIR) / "tests" / "golden" / "data" / (std::string(name) + ".png");
}

std::filesystem::path golden_output_dir() {
  if (const char* dir = std::getenv("QO_GOLDEN_OUT"); dir != nullptr && *dir != '\0') return dir;
  std::error_code ec;
  return std::filesystem::current_path(ec) / "golden-out";
}

::testing::AssertionResult matches_golden(std::string_view name, const Pixmap& actual) {
  const auto reference_file = golden_reference_path(name);
  if (update_mode()) {
    if (!write_png(reference_file, actual)) {
      return ::testing::AssertionFailure() << "cannot write the reference " << reference_file;
    }
    std::cout << "rewrote " << reference_file.string() << "\n";
    return ::testing::AssertionSuccess();
  }

  const auto out_dir = golden_output_dir();
  const auto actual_file = out_dir / (std::string(name) + "-actual.png");
  const std::string bytes = read_file(reference_file);
  const auto expected =
      decode_png(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  if (!expected) {
    write_png(actual_file, actual);
    return ::testing::AssertionFailure() << "no readable reference " << reference_file
                                         << " (run with QO_GOLDEN_UPDATE=1 to create it); the drawn scene is "
                                         << actual_file;
  }
  const auto stored = png_round_trip(actual);
  if (!stored) return ::testing::AssertionFailure() << "cannot encode the drawn scene " << name;
  if (stored->width() != expected->width() || stored->height() != expected->height()) {
    write_png(actual_file, actual);
    return ::testing::AssertionFailure() << name << ": drawn " << stored->width() << "x" << stored->height()
                                         << ", reference " << expected->width() << "x" << expected->height()
                                         << "; the drawn scene is " << actual_file;
  }
  const PixelDiff diff = compare_pixels(*stored, *expected, GOLDEN_TOLERANCE);
  if (diff.differing_pixels == 0) return ::testing::AssertionSuccess();

  const auto diff_file = out_dir / (std::string(name) + "-diff.png");
  write_png(actual_file, actual);
  write_png(diff_file, diff.diff_image);
  return ::testing::AssertionFailure() << name << ": " << diff.differing_pixels << " pixels differ from "
                                       << reference_file << " by more than " << GOLDEN_TOLERANCE
                                       << " (largest " << diff.largest_channel_difference << "); diff "
                                       << diff_file << ", drawn scene " << actual_file;
}

}  // namespace qo::test
