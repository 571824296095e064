#pragma once
// Copying changed rectangles of a frame into the window's back buffer.
//
// Frames are premultiplied ARGB32 words (alpha in the top byte); the back buffer is XRGB8888 with the same word
// layout, so a copy keeps every colour channel where it is and only sets the unused top byte to 0xFF.
#include <cstdint>
#include <span>

namespace qo {

// A rectangle of pixels: left, top, width, height.
struct PixelRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Pixels read from: `stride` words from one row to the next.
struct PixelSource {
    const std::uint32_t* words = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

// Pixels written to.
struct PixelTarget {
    std::uint32_t* words = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

// The part of `rect` inside a width x height area (empty when nothing is).
PixelRect clip_rect(PixelRect rect, int width, int height);

// Copies each rectangle from `from` to the same place in `to`, alpha forced to 0xFF, clipped to the smaller of
// the two widths and of the two heights.
void copy_rects_opaque(PixelSource from, PixelTarget to, std::span<const PixelRect> rects);

}  // namespace qo
