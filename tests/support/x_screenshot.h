#pragma once
// X screenshots for window tests: xwd's file format read into pixels, and a window captured through xwd itself.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qo::test {

// A picture of a window: the 0xRRGGBB of each pixel, rows top-down.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb;

    std::uint32_t at(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};

// An xwd file of 32-bit words per pixel with 8-bit red, green and blue masks; nothing for any other form.
std::optional<Screenshot> read_xwd(const std::filesystem::path& file);

// The window's pixels as the X server holds them, through `xwd -id` on `display` (written to `scratch` first);
// nothing when xwd fails or its file cannot be read.
std::optional<Screenshot> capture_window(const std::string& display, std::uint64_t window,
                                         const std::filesystem::path& scratch);

}  // namespace qo::test
