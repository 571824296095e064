#include "support/x_screenshot.h"

#include <chrono>
#include <fstream>
#include <iterator>

#include "support/child_process.h"

namespace qo::test {

std::optional<Screenshot> read_xwd(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
    auto card32 = [&](std::size_t field) {  // header fields are big-endian
        const std::size_t at = field * 4;
        return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
               (std::uint32_t{bytes[at + 2]} << 8) | std::uint32_t{bytes[at + 3]};
    };
    if (bytes.size() < 100) return std::nullopt;
    const std::uint32_t header_size = card32(0), width = card32(4), height = card32(5), byte_order = card32(7),
                        bits_per_pixel = card32(11), bytes_per_line = card32(12), colours = card32(19);
    const bool rgb_masks = card32(14) == 0xFF0000 && card32(15) == 0xFF00 && card32(16) == 0xFF;
    // A picture xwd puts together from windows of several visuals (a box over the window) says 24 bits per
    // pixel but still holds one 32-bit word a pixel.
    const bool word_pixels = bits_per_pixel == 32 || (bits_per_pixel == 24 && bytes_per_line >= width * 4);
    if (!word_pixels || !rgb_masks) return std::nullopt;
    const std::size_t start = header_size + std::size_t{colours} * 12;
    if (bytes.size() < start + std::size_t{bytes_per_line} * height) return std::nullopt;
    Screenshot shot{static_cast<int>(width), static_cast<int>(height), {}};
    shot.rgb.reserve(std::size_t{width} * height);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const unsigned char* p = &bytes[start + std::size_t{y} * bytes_per_line + x * 4];
            const std::uint32_t word = byte_order == 0 ? (p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24)
                                                       : (std::uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3]);
            shot.rgb.push_back(word & 0xFFFFFF);
        }
    }
    return shot;
}

std::optional<Screenshot> capture_window(const std::string& display, std::uint64_t window,
                                         const std::filesystem::path& scratch) {
    const std::filesystem::path file = scratch / "window.xwd";
    ChildOptions options;
    options.arguments = {"-silent", "-id", std::to_string(window), "-out", file.string()};
    options.set_env = {{"DISPLAY", display}};
    ChildProcess xwd("/usr/bin/xwd", options);
    if (!xwd.started() || xwd.wait_for_exit(std::chrono::seconds(10)) != 0) return std::nullopt;
    return read_xwd(file);
}

}  // namespace qo::test
