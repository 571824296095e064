// Text and shadows placed from the cache look as drawn directly, and the cache stays bounded.
#include "ui/sprite_cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/shapes.h"
#include "golden/golden_image.h"
#include "ui/test_ui.h"
#include "text/glyph_drawing.h"
#include "text/shaping.h"
#include "ui/assets.h"
#include "ui/paint_style.h"

namespace qo {
namespace {

TEST(SpriteCache, TextMatchesDirectDrawingAtEveryScaleAndSubPixelPosition) {
  const FontSet fonts = load_font_set(std::nullopt);
  const struct {
    float scale, x, baseline;
  } rows[] = {
      {1.0f, 10.0f, 30.0f}, {1.0f, 10.3f, 30.7f}, {1.25f, 11.1f, 29.45f}, {1.5f, 9.75f, 31.2f}, {2.0f, 10.5f, 30.25f}};
  for (const auto& row : rows) {
    for (const Color& color : {COLOR_BRIGHT, with_alpha(COLOR_DIM, 0.85f), COLOR_GOLD}) {
      Canvas direct = Canvas::make_logical(0.0f, 0.0f, 260.0f, 50.0f, row.scale);
      Canvas cached = direct;
      const GlyphRun run = shape_line(fonts.manrope_semibold, 13.0f, 0.3f, "Cliente pronto, ação!", false);
      draw_glyph_run(direct, fonts.manrope_semibold, row.x, row.baseline, run, solid_paint(color));
      SpriteCache cache;
      for (int pass = 0; pass < 2; ++pass) {  // drawn, then placed again from the cache
        Canvas target = cached;
        const float width = draw_cached_text(cache, target, fonts.manrope_semibold, 13.0f, 0.3f, row.x, row.baseline,
                                             "Cliente pronto, ação!", color);
        EXPECT_FLOAT_EQ(width, run.width);
        const test::PixelDiff diff = test::compare_pixels(target.pixmap, direct.pixmap, 1);
        EXPECT_EQ(diff.differing_pixels, 0u) << row.scale << " " << row.x << " pass " << pass;
      }
      EXPECT_EQ(cache.texts.size(), 1u);
    }
  }
}

TEST(SpriteCache, ShadowMatchesDirectDrawingAndStaysBounded) {
  for (float scale : {1.0f, 1.5f}) {
    Canvas direct = Canvas::make_logical(18.0f, 540.0f, 300.0f, 104.0f, scale);
    Canvas cached = direct;
    draw_soft_shadow(direct, with_alpha(COLOR_GOLD, 0.5f), 60.5f, 570.25f, 120.0f, 40.0f, 14.0f, 9.0f);
    SpriteCache cache;
    draw_cached_soft_shadow(cache, cached, with_alpha(COLOR_GOLD, 0.5f), 60.5f, 570.25f, 120.0f, 40.0f, 14.0f, 9.0f);
    EXPECT_EQ(test::compare_pixels(cached.pixmap, direct.pixmap, 1).differing_pixels, 0u) << scale;
  }
  SpriteCache cache;
  Canvas canvas = Canvas::make(64, 64, 0, 0, 1);
  for (size_t i = 0; i <= SPRITE_CACHE_LIMIT; ++i)
    draw_cached_soft_shadow(cache, canvas, COLOR_GOLD, 8.0f, 8.0f, 4.0f + static_cast<float>(i) / 64.0f, 4.0f, 1.0f,
                            1.0f);
  EXPECT_EQ(cache.shadows.size(), SPRITE_CACHE_LIMIT);  // full at the limit: the oldest made room for the newest
  EXPECT_LE(cache.shadow_bytes, sprite_cache_shadow_bound(1.0f));
  for (const float side : {3.0e9f, 1.0e6f}) {  // layers past the pixmap limits are left out, not fatal
    SpriteCache alone;
    draw_cached_soft_shadow(alone, canvas, COLOR_GOLD, 0.0f, 0.0f, side, side, 4.0f, 4.0f);
    EXPECT_TRUE(alone.shadows.empty()) << side;
  }
}

bool same_pixels(const Pixmap& a, const Pixmap& b) {
  return a.width() == b.width() && a.height() == b.height() && std::ranges::equal(a.pixels(), b.pixels());
}

// Packing leaves out only rows and columns equal to the one before: unpacked, every picture is itself again. Soft
// shadows of the sizes the window draws, then hostile pictures: one pixel, one colour, noise (nothing repeats),
// repeats only at the start or the end, rows that alternate (equal, but never to the one before), one row, one
// column.
TEST(SpriteCache, PackedPicturesUnpackToThemselves) {
  std::vector<Pixmap> pictures;
  for (const float scale : {1.0f, 1.5f, 2.0f}) {
    for (const auto& [w, h, radius, blur] : {std::array{480.0f, 524.0f, 16.0f, 25.0f},
                                             std::array{240.0f, 56.0f, 14.0f, 10.0f},
                                             std::array{15.0f, 15.0f, 7.5f, 4.0f}}) {
      const float margin = soft_shadow_margin(blur);
      Canvas layer = Canvas::make(device_size(w + 2.0f * margin, scale), device_size(h + 2.0f * margin, scale),
                                  -margin, -margin, scale);
      draw_soft_shadow(layer, with_alpha(COLOR_GOLD, 0.25f), 0.0f, 0.0f, w, h, radius, blur);
      pictures.push_back(std::move(layer.pixmap));
    }
  }
  const auto picture = [](uint32_t width, uint32_t height, auto word_at) {
    Pixmap p = Pixmap::make(width, height);
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t x = 0; x < width; ++x) p.set_pixel(x, y, word_at(x, y));
    return p;
  };
  pictures.push_back(Pixmap::make(1, 1));
  pictures.push_back(picture(7, 5, [](uint32_t, uint32_t) { return 0x80402010u; }));
  pictures.push_back(picture(9, 4, [](uint32_t x, uint32_t y) { return (x * 2654435761u) ^ (y * 40503u); }));
  pictures.push_back(picture(6, 8, [](uint32_t x, uint32_t y) { return y < 5 ? x : x * 16 + y; }));
  pictures.push_back(picture(8, 6, [](uint32_t x, uint32_t y) { return x > 2 ? y : x * 16 + y; }));
  pictures.push_back(picture(5, 9, [](uint32_t x, uint32_t y) { return (y % 2) * 100 + x; }));
  pictures.push_back(picture(11, 1, [](uint32_t x, uint32_t) { return x / 3; }));
  pictures.push_back(picture(1, 11, [](uint32_t, uint32_t y) { return y / 4; }));
  for (size_t i = 0; i < pictures.size(); ++i) {
    const PackedPixmap packed = pack_repeats(pictures[i]);
    EXPECT_TRUE(same_pixels(unpack_repeats(packed), pictures[i])) << i;
    EXPECT_EQ(packed.kept.height(), packed.row_runs.size()) << i;
    EXPECT_EQ(packed.kept.width(), packed.column_runs.size()) << i;
    EXPECT_LE(packed.kept.pixel_count(), pictures[i].pixel_count()) << i;
  }
  EXPECT_EQ(pack_repeats(pictures[10]).kept.pixel_count(), 1u);                // one colour
  EXPECT_EQ(pack_repeats(pictures[11]).kept.pixel_count(), 36u);               // noise
  EXPECT_EQ(pack_repeats(pictures[14]).kept.pixel_count(), 45u);               // alternating rows
  // The dialog panel's shadow at scale 2 keeps less than a fifth of its pixels.
  EXPECT_LT(pack_repeats(pictures[6]).kept.pixel_count() * 5, pictures[6].pixel_count());
}

// Packed, the shadows are counted at their packed size; drawn again, each is unpacked and drawn as before.
TEST(SpriteCache, PackedShadowsDrawAsBeforeAndAreCountedAsKept) {
  const float scale = 2.0f;
  Canvas direct = Canvas::make_logical(300.0f, 40.0f, 560.0f, 620.0f, scale);
  draw_soft_shadow(direct, with_alpha(COLOR_BLACK, 0.6f), 310.0f, 70.0f, 480.0f, 524.0f, 16.0f, 25.0f);
  draw_soft_shadow(direct, with_alpha(COLOR_GOLD, 0.25f), 310.0f, 46.0f, 480.0f, 524.0f, 16.0f, 30.0f);
  SpriteCache cache;
  const auto draw_both = [&](Canvas canvas) {
    draw_cached_soft_shadow(cache, canvas, with_alpha(COLOR_BLACK, 0.6f), 310.0f, 70.0f, 480.0f, 524.0f, 16.0f, 25.0f);
    draw_cached_soft_shadow(cache, canvas, with_alpha(COLOR_GOLD, 0.25f), 310.0f, 46.0f, 480.0f, 524.0f, 16.0f,
                            30.0f);
    return canvas;
  };
  const Canvas blank = Canvas::make_logical(300.0f, 40.0f, 560.0f, 620.0f, scale);
  EXPECT_TRUE(same_pixels(draw_both(blank).pixmap, direct.pixmap));
  const size_t unpacked_bytes = cache.shadow_bytes;
  pack_sprite_shadows(cache);
  pack_sprite_shadows(cache);  // packing twice changes nothing
  EXPECT_LT(cache.shadow_bytes * 4, unpacked_bytes);
  for (const auto& [key, entry] : cache.shadows) EXPECT_TRUE(entry.packed.has_value());
  EXPECT_TRUE(same_pixels(draw_both(blank).pixmap, direct.pixmap));
  EXPECT_EQ(cache.shadow_bytes, unpacked_bytes);
  EXPECT_EQ(cache.shadows.size(), 2u);
  for (const auto& [key, entry] : cache.shadows) EXPECT_FALSE(entry.packed.has_value());
}

std::string repeated(std::string_view piece, size_t bytes) {
  std::string text;
  text.reserve(bytes + piece.size());
  while (text.size() < bytes) text.append(piece);
  return text;
}

Pixmap columns_of(const Pixmap& from, uint32_t left, uint32_t width) {
  Pixmap part = Pixmap::make(width, from.height());
  for (uint32_t y = 0; y < from.height(); ++y) std::copy_n(from.row(y) + left, width, part.row(y));
  return part;
}

// A text of megabytes costs a picture no wider than the canvas it goes onto, and what can be seen of it is what
// drawing a shorter text that covers the canvas the same way (the line's start, or for a right-to-left line its
// end) whole, on a canvas wide enough to hold all of it, shows there.
TEST(SpriteCache, HugeTextsAreDrawnOnlyAsFarAsTheCanvasShows) {
  const FontSet fonts = load_font_set(std::nullopt);
  const Font& font = fonts.manrope_semibold;
  const std::string x_line(2'000'000, 'x');
  const std::string y_line(500'000, 'y');
  const std::string mixed = repeated("Ofício final — ação fi AV To ", 3'000'000);
  const std::string hebrew = repeated("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D ", 40'000);  // right to left: shaped whole
  const std::string wide(400, 'W');
  const float wide_width = text_width(font, 13.0f, 0.3f, wide);
  const struct {
    float scale;
    std::string_view text;
    std::string_view reference;
    float x;
  } rows[] = {
      {1.0f, x_line, std::string_view(x_line).substr(0, 600), 40.3f},
      {2.0f, y_line, std::string_view(y_line).substr(0, 300), 500.0f},
      {1.0f, mixed, std::string_view(mixed).substr(0, 1'000), 10.0f},
      {1.25f, hebrew, std::string_view(hebrew).substr(hebrew.size() - 1'800), 12.0f},
      {1.5f, wide, wide, 600.0f - wide_width},  // pen far left of the canvas: only the end is seen
      {2.0f, wide, wide, 1099.0f},              // pen at the canvas's right edge
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.scale << " " << row.text.size() << " bytes at " << row.x);
    const Canvas blank = Canvas::make_logical(0.0f, 0.0f, 1100.0f, 40.0f, row.scale);
    const auto expected_at = [&](float x) {
      const float whole_left = std::min(std::floor((x - 10.0f) * row.scale), 0.0f);
      const float origin = whole_left / row.scale;
      Canvas wide_canvas = Canvas::make_logical(
          origin, 0.0f, 1150.0f - origin + text_width(font, 13.0f, 0.3f, row.reference), 40.0f, row.scale);
      SpriteCache whole_cache;
      draw_cached_text(whole_cache, wide_canvas, font, 13.0f, 0.3f, x, 30.0f, row.reference, COLOR_GOLD);
      return columns_of(wide_canvas.pixmap, static_cast<uint32_t>(-whole_left), blank.pixmap.width());
    };
    SpriteCache cache;
    // Drawn, placed again from the cache, then 100 px to the right (whole device pixels at these scales), where
    // a picture cut for the first place does not hold what is seen.
    for (const float x : {row.x, row.x, row.x + 100.0f}) {
      Canvas target = blank;
      draw_cached_text(cache, target, font, 13.0f, 0.3f, x, 30.0f, row.text, COLOR_GOLD);
      EXPECT_EQ(test::compare_pixels(target.pixmap, expected_at(x), 0).differing_pixels, 0u) << "at " << x;
    }
    for (const auto& [key, entry] : cache.texts)
      for (size_t i = 0; i < entry.count; ++i)
        EXPECT_LE(entry.pictures[i].sprite.pixels.width(), blank.pixmap.width() + 2 * 30 * row.scale + 16);
    EXPECT_LE(cache.text_bytes, sprite_cache_text_bound(row.scale));
  }
}

// Many long lines, or one line in the many colours of a fade: the texts never hold more bytes than their bound
// (counted from what they hold), the newest picture stays, and one text keeps at most two colours.
// A text's picture is cut to its ink: its outer rows and columns each hold a pixel with alpha, and white space
// keeps no pixels. Placed, it draws what the line drawn directly draws.
TEST(SpriteCache, TextPicturesHoldOnlyTheirInk) {
  const FontSet fonts = load_font_set(std::nullopt);
  const auto has_ink = [](const Pixmap& p, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1) {
    for (uint32_t y = y0; y < y1; ++y)
      for (uint32_t x = x0; x < x1; ++x)
        if (pixel_alpha(p.pixel(x, y)) > 0) return true;
    return false;
  };
  for (const float scale : {1.0f, 1.5f, 2.0f}) {
    for (const std::string_view text : {"Ação ÇÉ", "gjpqy", "   ", "|", ".", "ÁÍ _"}) {
      SCOPED_TRACE(testing::Message() << scale << " \"" << text << "\"");
      Canvas direct = Canvas::make_logical(0.0f, 0.0f, 120.0f, 40.0f, scale);
      for (uint32_t& word : direct.pixmap.pixels()) word = 0xFF203040u;
      Canvas cached = direct;
      const GlyphRun run = shape_line(fonts.urbanist_bold, 15.0f, 0.2f, text, false);
      draw_glyph_run(direct, fonts.urbanist_bold, 7.3f, 27.6f, run, solid_paint(COLOR_PALE_GOLD));
      SpriteCache cache;
      draw_cached_text(cache, cached, fonts.urbanist_bold, 15.0f, 0.2f, 7.3f, 27.6f, text, COLOR_PALE_GOLD);
      EXPECT_EQ(test::compare_pixels(cached.pixmap, direct.pixmap, 1).differing_pixels, 0u);
      ASSERT_EQ(cache.texts.size(), 1u);
      const TextSprite& sprite = cache.texts.begin()->second.pictures[0].sprite;
      if (text == "   ") {
        EXPECT_FALSE(sprite.has_pixels);
        continue;
      }
      ASSERT_TRUE(sprite.has_pixels);
      const Pixmap& p = sprite.pixels;
      EXPECT_TRUE(has_ink(p, 0, 0, p.width(), 1));
      EXPECT_TRUE(has_ink(p, 0, p.height() - 1, p.width(), p.height()));
      EXPECT_TRUE(has_ink(p, 0, 0, 1, p.height()));
      EXPECT_TRUE(has_ink(p, p.width() - 1, 0, p.width(), p.height()));
    }
  }
}

// Inside a PassingTexts scope a text is drawn as a miss draws it and nothing is kept; a text kept before is placed
// from the cache. Two ways of drawing the same rising, fading line must give the same pixels.
TEST(SpriteCache, PassingTextsDrawAsKeptOnesAndKeepNothingNew) {
  const FontSet fonts = load_font_set(std::nullopt);
  for (const float scale : {1.0f, 1.25f, 2.0f}) {
    Canvas kept_canvas = Canvas::make_logical(0.0f, 0.0f, 300.0f, 60.0f, scale);
    Canvas passing_canvas = kept_canvas;
    SpriteCache kept;
    SpriteCache passing;
    for (int step = 0; step < 12; ++step) {  // each step another place and colour, as the rising pill
      const float y = 30.0f + static_cast<float>(12 - step) * 0.37f;
      const Color color = with_alpha(COLOR_CREAM, static_cast<float>(step + 1) / 12.0f);
      const float kept_width =
          draw_cached_text(kept, kept_canvas, fonts.manrope_semibold, 11.5f, 0.0f, 28.3f, y, "servidor · ação", color);
      const PassingTexts scope(passing);
      const float passing_width = draw_cached_text(passing, passing_canvas, fonts.manrope_semibold, 11.5f, 0.0f,
                                                   28.3f, y, "servidor · ação", color);
      EXPECT_FLOAT_EQ(passing_width, kept_width);
    }
    EXPECT_TRUE(same_pixels(passing_canvas.pixmap, kept_canvas.pixmap)) << scale;
    EXPECT_TRUE(passing.texts.empty());
    EXPECT_EQ(passing.text_bytes, 0u);
    EXPECT_EQ(passing.passing, 0u);  // every scope closed
    EXPECT_EQ(kept.texts.size(), 12u);

    // Kept before the scope (the last step's place and colour): placed from the cache inside it, nothing added.
    const float last_y = 30.0f + 0.37f;
    const size_t held = kept.text_bytes;
    Canvas again = Canvas::make_logical(0.0f, 0.0f, 300.0f, 60.0f, scale);
    Canvas fresh = again;
    {
      const PassingTexts scope(kept);
      draw_cached_text(kept, again, fonts.manrope_semibold, 11.5f, 0.0f, 28.3f, last_y, "servidor · ação", COLOR_CREAM);
    }
    SpriteCache none;
    draw_cached_text(none, fresh, fonts.manrope_semibold, 11.5f, 0.0f, 28.3f, last_y, "servidor · ação", COLOR_CREAM);
    EXPECT_TRUE(same_pixels(again.pixmap, fresh.pixmap)) << scale;
    EXPECT_EQ(kept.text_bytes, held);
    EXPECT_EQ(kept.texts.size(), 12u);
  }
}

TEST(SpriteCache, LongLinesAndFadesStayWithinTheByteBound) {
  const FontSet fonts = load_font_set(std::nullopt);
  const std::string tail(5'000, 'x');
  const struct {
    bool distinct_texts;
    bool distinct_colors;
  } rows[] = {{true, false}, {false, true}, {true, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "texts " << row.distinct_texts << " colours " << row.distinct_colors);
    SpriteCache cache;
    Canvas canvas = Canvas::make_logical(0.0f, 0.0f, 1100.0f, 40.0f, 2.0f);
    for (int i = 0; i < 40; ++i) {
      const std::string text = (row.distinct_texts ? std::to_string(i) : std::string()) + tail;
      const Color color = mix(COLOR_DIM, COLOR_GOLD, row.distinct_colors ? static_cast<float>(i) / 40.0f : 0.0f);
      draw_cached_text(cache, canvas, fonts.manrope_semibold, 13.0f, 0.3f, 40.0f, 30.0f, text, color);
      ASSERT_EQ(cache.text_bytes, test::text_bytes_held(cache)) << i;
      ASSERT_LE(cache.text_bytes, sprite_cache_text_bound(2.0f)) << i;
      const size_t held = cache.text_bytes;
      draw_cached_text(cache, canvas, fonts.manrope_semibold, 13.0f, 0.3f, 40.0f, 30.0f, text, color);
      ASSERT_EQ(cache.text_bytes, held) << i;  // placed again from the cache
    }
    size_t pictures = 0;
    for (const auto& [key, entry] : cache.texts) pictures += entry.count;
    if (row.distinct_texts)
      EXPECT_GT(cache.text_bytes, sprite_cache_text_bound(2.0f) / 2);  // it does keep what fits
    else
      EXPECT_EQ(pictures, 2u);  // the fade's last two steps
  }
}

}  // namespace
}  // namespace qo
