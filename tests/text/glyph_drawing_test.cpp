#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "gfx/canvas.h"
#include "gfx/paint.h"
#include "text/glyph_drawing.h"
#include "text/shaping.h"
#include "text/text_fixtures.h"
#include "text/text_tuning.h"

namespace qo {
namespace {

struct PixelBox {
    int left = INT32_MAX;
    int top = INT32_MAX;
    int right = INT32_MIN;  // inclusive
    int bottom = INT32_MIN;
    bool empty() const { return left > right; }
};

PixelBox inked_pixels(const Pixmap& pixmap) {
    PixelBox box;
    for (std::uint32_t y = 0; y < pixmap.height(); ++y)
        for (std::uint32_t x = 0; x < pixmap.width(); ++x)
            if (pixel_alpha(pixmap.pixel(x, y)) != 0) {
                box.left = std::min<int>(box.left, x);
                box.right = std::max<int>(box.right, x);
                box.top = std::min<int>(box.top, y);
                box.bottom = std::max<int>(box.bottom, y);
            }
    return box;
}

// Where the run's outlines land in device pixels, from the outlines' own bounds.
RectF expected_ink(const Canvas& canvas, const Font& font, float x, float baseline, const GlyphRun& run) {
    const float k = run.size / font.units_per_em();
    float left = INFINITY, top = INFINITY, right = -INFINITY, bottom = -INFINITY;
    for (const PlacedGlyph& glyph : run.glyphs) {
        const auto& outline = font.glyph_outline(glyph.glyph_id);
        if (!outline) continue;
        RectF b = outline->bounds();
        left = std::min(left, x + glyph.x + k * b.x);
        right = std::max(right, x + glyph.x + k * (b.x + b.w));
        top = std::min(top, baseline + glyph.y - k * (b.y + b.h));
        bottom = std::max(bottom, baseline + glyph.y - k * b.y);
    }
    const float s = canvas.scale;
    return {(left - canvas.origin_x) * s, (top - canvas.origin_y) * s, (right - left) * s, (bottom - top) * s};
}

void expect_ink_matches(const PixelBox& ink, const RectF& expected) {
    ASSERT_FALSE(ink.empty());
    // Anti-aliasing may spill into the neighbouring pixel, no further.
    EXPECT_NEAR(ink.left, std::floor(expected.x), 1);
    EXPECT_NEAR(ink.top, std::floor(expected.y), 1);
    EXPECT_NEAR(ink.right + 1, std::ceil(expected.x + expected.w), 1);
    EXPECT_NEAR(ink.bottom + 1, std::ceil(expected.y + expected.h), 1);
}

std::uint64_t total_alpha(const Pixmap& pixmap) {
    std::uint64_t sum = 0;
    for (std::uint32_t p : pixmap.pixels()) sum += pixel_alpha(p);
    return sum;
}

TEST(GlyphDrawing, LineOfTextMarksPixelsUnderItsGlyphs) {
    const Font& font = test::manrope_regular();
    Canvas canvas = Canvas::make(240, 90, 0, 0, 1);
    GlyphRun run = shape_line(font, 60, 0, "HILT", false);
    draw_glyph_run(canvas, font, 12, 70, run, solid_paint(COLOR_BLACK));
    expect_ink_matches(inked_pixels(canvas.pixmap), expected_ink(canvas, font, 12, 70, run));

    // The middle of the I's stem is solid black; the gap between H and I is empty.
    const auto& i_outline = font.glyph_outline(run.glyphs[1].glyph_id);
    ASSERT_TRUE(i_outline);
    const RectF i_bounds = i_outline->bounds();
    const float k = 60.0f / font.units_per_em();
    const float stem_x = 12 + run.glyphs[1].x + k * (i_bounds.x + i_bounds.w / 2);
    const float stem_y = 70 - k * (i_bounds.y + i_bounds.h / 2);
    EXPECT_EQ(canvas.pixmap.pixel(static_cast<std::uint32_t>(stem_x), static_cast<std::uint32_t>(stem_y)),
              pack_argb(255, 0, 0, 0));
    const float gap_x = 12 + run.glyphs[1].x + k * i_bounds.x - 1.5f;
    EXPECT_EQ(pixel_alpha(canvas.pixmap.pixel(static_cast<std::uint32_t>(gap_x), static_cast<std::uint32_t>(stem_y))),
              0u);
}

TEST(GlyphDrawing, FollowsTheCanvasOriginAndScale) {
    const Font& font = test::manrope_regular();
    Canvas canvas = Canvas::make(400, 160, 100, 20, 2.0f);  // logical (100, 20) is device (0, 0)
    GlyphRun run = shape_line(font, 30, 0, "HILT", false);
    draw_glyph_run(canvas, font, 110, 70, run, solid_paint(COLOR_WHITE));
    const PixelBox ink = inked_pixels(canvas.pixmap);
    expect_ink_matches(ink, expected_ink(canvas, font, 110, 70, run));
    EXPECT_GE(ink.left, 20);  // the pen starts at device (110 - 100) * 2
    EXPECT_LT(ink.bottom, (70 - 20) * 2);  // nothing of "HILT" goes below the baseline
}

TEST(GlyphDrawing, CompositesOverWhatIsAlreadyThere) {
    const Font& font = test::manrope_regular();
    Canvas canvas = Canvas::make(120, 60, 0, 0, 1);
    canvas.pixmap.fill(Color{0, 0, 1, 1});
    GlyphRun run = shape_line(font, 40, 0, "I", false);
    draw_glyph_run(canvas, font, 20, 45, run, solid_paint(COLOR_WHITE));
    // Untouched background stays blue; ink is opaque and lighter.
    EXPECT_EQ(canvas.pixmap.pixel(2, 2), pack_argb(255, 0, 0, 255));
    bool found_white = false;
    for (std::uint32_t p : canvas.pixmap.pixels()) {
        EXPECT_EQ(pixel_alpha(p), 255u);
        found_white |= p == pack_argb(255, 255, 255, 255);
    }
    EXPECT_TRUE(found_white);
}

TEST(GlyphDrawing, CoverageCurveFollowsThePaint) {
    const Font& font = test::manrope_regular();
    GlyphRun run = shape_line(font, 15, 0, "Servidor online", false);
    auto draw = [&](const Paint& paint) {
        Canvas canvas = Canvas::make(140, 30, 0, 0, 1);
        draw_glyph_run(canvas, font, 4, 20, run, paint);
        return canvas;
    };
    Canvas black = draw(solid_paint(COLOR_BLACK));
    Canvas white = draw(solid_paint(COLOR_WHITE));
    Canvas half = draw(solid_paint(Color{1, 1, 1, 0.5f}));
    Canvas gradient = draw(shader_paint(
        LinearGradient{{0, 0}, {140, 0}, {{0, COLOR_BLACK}, {1, Color{0.2f, 0.2f, 0.2f, 1}}}, Transform{}}));

    // Light text is drawn bolder than dark text over the same shapes.
    EXPECT_GT(total_alpha(white.pixmap), total_alpha(black.pixmap));
    for (std::size_t i = 0; i < black.pixmap.pixel_count(); ++i) {
        const std::uint32_t a_black = pixel_alpha(black.pixmap.pixels()[i]);
        ASSERT_GE(pixel_alpha(white.pixmap.pixels()[i]), a_black);
        ASSERT_EQ(a_black == 0, pixel_alpha(white.pixmap.pixels()[i]) == 0);
        // A gradient, however dark, takes the light-text curve.
        ASSERT_EQ(pixel_alpha(gradient.pixmap.pixels()[i]), pixel_alpha(white.pixmap.pixels()[i]));
        // Half-transparent paint is capped at half coverage.
        ASSERT_LE(pixel_alpha(half.pixmap.pixels()[i]), 128u);
    }
    std::uint32_t half_max = 0;
    for (std::uint32_t p : half.pixmap.pixels()) half_max = std::max(half_max, pixel_alpha(p));
    EXPECT_EQ(half_max, 128u);
}

TEST(GlyphDrawing, GradientIsReadInLogicalCoordinates) {
    const Font& font = test::manrope_bold();
    Canvas canvas = Canvas::make(400, 100, 0, 0, 2.0f);
    GlyphRun run = shape_line(font, 40, 0, "IIIIIIII", false);
    const float left = 10;
    const float right = left + run.width;
    // Red at the run's start, blue at its end, in logical pixels of the canvas.
    Paint paint = shader_paint(LinearGradient{
        {left, 0}, {right, 0}, {{0, Color{1, 0, 0, 1}}, {1, Color{0, 0, 1, 1}}}, Transform{}});
    draw_glyph_run(canvas, font, left, 45, run, paint);

    auto strongest_at = [&](float logical_x) {  // the most opaque pixel of the column
        std::uint32_t best = 0;
        const auto column = static_cast<std::uint32_t>(logical_x * 2);
        for (std::uint32_t y = 0; y < canvas.pixmap.height(); ++y)
            if (pixel_alpha(canvas.pixmap.pixel(column, y)) > pixel_alpha(best)) best = canvas.pixmap.pixel(column, y);
        return best;
    };
    const float k = 40 / font.units_per_em();
    const RectF stem = font.glyph_outline(run.glyphs[0].glyph_id)->bounds();
    const float first = left + run.glyphs.front().x + k * (stem.x + stem.w / 2);
    const float last = left + run.glyphs.back().x + k * (stem.x + stem.w / 2);
    const std::uint32_t reddish = strongest_at(first);
    const std::uint32_t bluish = strongest_at(last);
    ASSERT_EQ(pixel_alpha(reddish), 255u);
    ASSERT_EQ(pixel_alpha(bluish), 255u);
    EXPECT_GT(pixel_red(reddish), 200u);
    EXPECT_LT(pixel_blue(reddish), 55u);
    EXPECT_GT(pixel_blue(bluish), 200u);
    EXPECT_LT(pixel_red(bluish), 55u);
}

TEST(GlyphDrawing, OutlinesAreBuiltOncePerGlyph) {
    Font font = test::load_embedded_font("Manrope-Regular.ttf");
    Canvas canvas = Canvas::make(200, 40, 0, 0, 1);
    EXPECT_EQ(font.outline_builds(), 0u);
    draw_glyph_run(canvas, font, 0, 30, shape_line(font, 20, 0, "AAA", false), solid_paint(COLOR_BLACK));
    EXPECT_EQ(font.outline_builds(), 1u);
    draw_glyph_run(canvas, font, 0, 30, shape_line(font, 20, 0, "A A", false), solid_paint(COLOR_BLACK));
    EXPECT_EQ(font.outline_builds(), 2u);  // the space is looked up once, as a glyph without outline
    draw_glyph_run(canvas, font, 0, 30, shape_line(font, 24, 0, "  AB", false), solid_paint(COLOR_WHITE));
    EXPECT_EQ(font.outline_builds(), 3u);

    const std::uint16_t space = shape_line(font, 20, 0, " ", false).glyphs.at(0).glyph_id;
    EXPECT_FALSE(font.glyph_outline(space));
    EXPECT_EQ(font.outline_builds(), 3u);
}

TEST(GlyphDrawing, RunsThatDrawNothing) {
    const Font& font = test::manrope_regular();
    Canvas canvas = Canvas::make(100, 40, 0, 0, 1);
    draw_glyph_run(canvas, font, 5, 30, shape_line(font, 20, 0, "", false), solid_paint(COLOR_BLACK));
    draw_glyph_run(canvas, font, 5, 30, shape_line(font, 20, 0, "   ", false), solid_paint(COLOR_BLACK));
    // A box too wide for any layer is skipped whole.
    GlyphRun huge = shape_line(font, 20, 0, "AB", false);
    huge.width = 1e12f;
    EXPECT_FALSE(glyph_layer_box(canvas, font, 5, 30, huge));
    draw_glyph_run(canvas, font, 5, 30, huge, solid_paint(COLOR_BLACK));
    // Positions that are not numbers draw nothing and do not crash.
    draw_glyph_run(canvas, font, NAN, 30, shape_line(font, 20, 0, "AB", false), solid_paint(COLOR_BLACK));
    EXPECT_TRUE(inked_pixels(canvas.pixmap).empty());
}

TEST(GlyphDrawing, LayerBoxCoversTheRunWithMargins) {
    const Font& font = test::manrope_regular();  // ascender 2132 of 2000
    Canvas canvas = Canvas::make(10, 10, 0, 0, 1);
    GlyphRun run = shape_line(font, 20, 0, "AB", false);
    auto box = glyph_layer_box(canvas, font, 10.5f, 40, run);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->left, 8);                                          // floor(10.5 - 2)
    EXPECT_EQ(box->top, 40 - 21 - 3);                                 // round(21.32) above the baseline, 3 more
    EXPECT_EQ(box->width, std::ceil(10.5f + run.width + 4) - 8);
    EXPECT_EQ(box->height, static_cast<std::uint32_t>(40 + 10 + 3 - 16));

    Canvas scaled = Canvas::make(10, 10, 5, 10, 1.5f);
    auto scaled_box = glyph_layer_box(scaled, font, 10.5f, 40, run);
    ASSERT_TRUE(scaled_box);
    EXPECT_EQ(scaled_box->left, static_cast<std::int32_t>(std::floor((8.5f - 5) * 1.5f)));
    EXPECT_EQ(scaled_box->top, static_cast<std::int32_t>(std::floor((16.0f - 10) * 1.5f)));
}

TEST(GlyphDrawingTuning, EnvironmentIsReadOnceAndMalformedValuesAreIgnored) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process, so the tuning is still unset
    EXPECT_EXIT(
        {
            setenv("KX_TG0", "bold", 1);
            setenv("KX_TGK", "2.5", 1);
            const TextTuning first = text_tuning();
            setenv("KX_TGK", "9", 1);
            init_text_tuning_from_env();
            const TextTuning later = text_tuning();
            std::exit(first.g0 == 1.0f && first.k == 2.5f && later.k == 2.5f ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace qo
