// Text and shadows placed from the cache look as drawn directly, and the cache stays bounded.
#include "ui/sprite_cache.h"

#include <gtest/gtest.h>

#include "gfx/shapes.h"
#include "golden/golden_image.h"
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
  EXPECT_EQ(cache.shadows.size(), 1u);  // full at the limit: emptied before the next entry
}

}  // namespace
}  // namespace qo
