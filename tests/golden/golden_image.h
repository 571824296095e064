#pragma once
// Comparing drawn scenes with reference pictures kept in tests/golden/data.
//
// A scene matches when every channel of every pixel lies within GOLDEN_TOLERANCE of the reference. When it does
// not, the drawn picture and a diff picture (differing pixels in red over a dimmed copy of the scene) are
// written to the output folder and their paths are part of the failure message. The output folder is
// $QO_GOLDEN_OUT, else "golden-out" under the working folder (the build folder under ctest).
//
// With QO_GOLDEN_UPDATE=1 the references are rewritten from the drawn scenes instead; look at them before
// committing.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "gfx/pixmap.h"

namespace qo::test {

inline constexpr int GOLDEN_TOLERANCE = 2;

struct PixelDiff {
  uint64_t differing_pixels = 0;
  int largest_channel_difference = 0;
  Pixmap diff_image;  // red where a pixel differs, the dimmed actual picture elsewhere
};

// Per-channel comparison of two pictures of the same size.
PixelDiff compare_pixels(const Pixmap& actual, const Pixmap& expected, int tolerance);

std::filesystem::path golden_reference_path(std::string_view name);
std::filesystem::path golden_output_dir();

// Checks `actual` against the reference "<name>.png" (or rewrites it in update mode).
::testing::AssertionResult matches_golden(std::string_view name, const Pixmap& actual);

}  // namespace qo::test
