#include "platform/back_buffer_copy.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace qo {
namespace {

// A frame whose every word is distinct and carries some alpha below 0xFF.
std::vector<std::uint32_t> pattern(int width, int height) {
    std::vector<std::uint32_t> words(static_cast<std::size_t>(width * height));
    for (int i = 0; i < width * height; ++i) {
        const auto a = static_cast<std::uint32_t>(i % 200);
        words[static_cast<std::size_t>(i)] = (a << 24) | (static_cast<std::uint32_t>(i * 7919) & 0x00FFFFFFu);
    }
    return words;
}

struct CopyCase {
    const char* name;
    int frame_w, frame_h;
    int target_w, target_h, target_stride;
    std::vector<PixelRect> rects;
};

TEST(BackBufferCopy, CopiesExactlyTheClippedRectanglesWithAlphaForced) {
    const std::vector<CopyCase> cases = {
        {"one inner rectangle", 16, 10, 16, 10, 16, {{3, 2, 5, 4}}},
        {"several, overlapping", 16, 10, 16, 10, 16, {{0, 0, 4, 4}, {2, 2, 6, 3}, {15, 9, 1, 1}}},
        {"padded target rows", 16, 10, 16, 10, 20, {{1, 1, 14, 8}}},
        {"rectangles past every edge", 16, 10, 16, 10, 16, {{-5, -5, 8, 8}, {12, 7, 100, 100}}},
        {"target smaller than the frame", 16, 10, 9, 6, 9, {{0, 0, 16, 10}}},
        {"frame smaller than the target", 6, 4, 16, 10, 16, {{0, 0, 16, 10}}},
        {"empty and inverted rectangles", 16, 10, 16, 10, 16, {{4, 4, 0, 3}, {4, 4, 3, -2}, {20, 1, 3, 3}}},
    };
    for (const CopyCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint32_t> frame = pattern(c.frame_w, c.frame_h);
        std::vector<std::uint32_t> target(static_cast<std::size_t>(c.target_stride * c.target_h), 0x12345678u);
        copy_rects_opaque(PixelSource{frame.data(), c.frame_w, c.frame_h, c.frame_w},
                          PixelTarget{target.data(), c.target_w, c.target_h, c.target_stride}, c.rects);
        for (int y = 0; y < c.target_h; ++y) {
            for (int x = 0; x < c.target_stride; ++x) {
                bool inside = false;
                for (const PixelRect& r : c.rects) {
                    inside = inside || (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h &&
                                        x < c.frame_w && y < c.frame_h && x < c.target_w);
                }
                const std::uint32_t got = target[static_cast<std::size_t>(y * c.target_stride + x)];
                const std::uint32_t want =
                    inside ? frame[static_cast<std::size_t>(y * c.frame_w + x)] | 0xFF000000u : 0x12345678u;
                ASSERT_EQ(got, want) << "at " << x << "," << y;
            }
        }
    }
}

TEST(BackBufferCopy, ClipRect) {
    EXPECT_EQ(clip_rect({-2, -3, 10, 10}, 5, 5), (PixelRect{0, 0, 5, 5}));
    EXPECT_EQ(clip_rect({4, 4, 10, 10}, 5, 5), (PixelRect{4, 4, 1, 1}));
    EXPECT_EQ(clip_rect({5, 0, 1, 1}, 5, 5), PixelRect{});
    EXPECT_EQ(clip_rect({0x7FFFFFF0, 0, 0x7FFFFFF0, 1}, 5, 5), PixelRect{});  // no overflow
}

}  // namespace
}  // namespace qo
