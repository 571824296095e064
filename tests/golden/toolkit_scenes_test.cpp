// Scenes drawn with the whole toolkit, compared with reference pictures.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>

#include "gfx/blur.h"
#include "gfx/canvas.h"
#include "gfx/glow.h"
#include "gfx/gradient.h"
#include "gfx/icon.h"
#include "gfx/image_blit.h"
#include "gfx/rasterizer.h"
#include "gfx/shapes.h"
#include "golden_image.h"
#include "icons/builtin_icons.h"
#include "support/scoped_env.h"
#include "text/font.h"
#include "text/glyph_drawing.h"
#include "text/shaping.h"
#include "util/embedded_assets.h"

namespace qo {
namespace {

using test::matches_golden;

Color rgb(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) { return Color::from_rgba8(r, g, b, a); }

void fill_background(Canvas& canvas, float w, float h) {
  const std::array<ColorStop, 2> stops{{{0.0f, rgb(0x14, 0x18, 0x2e)}, {1.0f, rgb(0x2a, 0x12, 0x3a)}}};
  fill_round_rect(canvas, shader_paint(build_linear_gradient(stops, 0, 0, w, h, 160)), 0, 0, w, h, 0);
}

// A panel with its shadow, a gradient card, a pill, a radial disc, a sharp box and the smallest border.
void draw_shapes_scene(Canvas& canvas) {
  fill_background(canvas, 240, 150);

  draw_soft_shadow(canvas, rgb(0, 0, 0, 170), 18, 22, 124, 80, 14, 8);
  const std::array<ColorStop, 3> card{
      {{0.0f, rgb(0x3b, 0x82, 0xf6)}, {0.5f, rgb(0x8b, 0x5c, 0xf6)}, {1.0f, rgb(0xec, 0x48, 0x99)}}};
  fill_round_rect(canvas, shader_paint(build_linear_gradient(card, 14, 16, 124, 80, 135)), 14, 16, 124, 80, 14);
  stroke_round_rect(canvas, rgb(255, 255, 255, 110), 14, 16, 124, 80, 14);
  stroke_round_rect(canvas, rgb(255, 255, 255, 200), 24, 60, 60, 24, 5.5f);

  fill_round_rect(canvas, solid_paint(rgb(0xf5, 0xb7, 0x2e)), 152, 18, 74, 26, 100);  // pill
  const std::array<ColorStop, 2> disc{{{0.0f, rgb(255, 255, 255)}, {1.0f, rgb(0x22, 0xc5, 0x5e, 60)}}};
  if (const auto shader = make_radial_gradient({182, 92}, 26, disc); shader && circle_path(182, 92, 26)) {
    fill_path(canvas.pixmap, *circle_path(182, 92, 26), shader_paint(*shader), FillRule::Winding,
              canvas.transform());
  }
  fill_round_rect(canvas, solid_paint(rgb(0xef, 0x44, 0x44, 200)), 20, 112, 40, 24, 0);  // sharp corners
  stroke_round_rect(canvas, rgb(255, 255, 255), 70, 120, 2, 2, 1);                       // fully filled
  fill_round_rect(canvas, solid_paint(rgb(255, 255, 255)), 90, 112, 0, 24, 4);            // nothing
}

TEST(GoldenScenes, Shapes) {
  Canvas canvas = Canvas::make(240, 150, 0, 0, 1);
  draw_shapes_scene(canvas);
  EXPECT_TRUE(matches_golden("shapes", canvas.pixmap));
}

TEST(GoldenScenes, ShapesAtOneAndAHalfScaleOnAnOffsetLayer) {
  // A layer covering the logical area from (10, 10): the scene shifts up-left and grows by half.
  Canvas canvas = Canvas::make_logical(10, 10, 200, 120, 1.5f);
  draw_shapes_scene(canvas);
  EXPECT_TRUE(matches_golden("shapes_scaled", canvas.pixmap));
}

// A gem drawn into its own image, haloed twice, then placed with each of the blits.
TEST(GoldenScenes, GlowsBlursAndBlits) {
  Canvas emblem = Canvas::make(48, 48, 0, 0, 1);
  const BuiltinIcons icons = build_builtin_icons();
  draw_icon(emblem, icons.icon_gem, 4, 4, 40, ICON_VIEW_SIZE, rgb(0xff, 0xe0, 0x8a), 3.0f);
  const std::array<GlowLayer, 2> layers{{{rgb(0xff, 0xb0, 0x20, 230), 2.5f}, {rgb(0xff, 0x40, 0x80, 220), 6}}};
  const Pixmap glow = make_glow_image(emblem.pixmap, layers, 16);

  Canvas canvas = Canvas::make(260, 120, 0, 0, 1);
  fill_background(canvas, 260, 120);
  draw_pixmap(canvas.pixmap, 2, 20, glow, PixmapPaint{}, Transform::identity());
  blend_pixmap_opacity(canvas.pixmap, glow, 0.45f, 82, 20);
  draw_image_scaled(emblem.pixmap, canvas.pixmap, 160.5f, 10.25f, 1.75f, 1.75f, 1.0f, true, full_clip(canvas.pixmap));

  Pixmap blurred = emblem.pixmap;
  gaussian_blur(blurred, 3);
  blend_pixmap_opacity(canvas.pixmap, blurred, 1.0f, 120, 4);
  EXPECT_TRUE(matches_golden("glows", canvas.pixmap));
}

// Every built-in icon at twice its view size on a 1.5x canvas, the close cross in its own box.
TEST(GoldenScenes, BuiltinIcons) {
  const BuiltinIcons icons = build_builtin_icons();
  const std::array<const Icon*, 11> all{&icons.icon_globe, &icons.icon_chat,      &icons.icon_trophy,
                                        &icons.icon_gem,   &icons.icon_sun_large, &icons.icon_sun_small,
                                        &icons.icon_arrow, &icons.icon_clock,     &icons.icon_play,
                                        &icons.icon_close, &icons.icon_chevron};
  Canvas canvas = Canvas::make_logical(0, 0, 6 * 44, 2 * 44, 1.5f);
  fill_background(canvas, 6 * 44, 2 * 44);
  for (size_t i = 0; i < all.size(); ++i) {
    const float x = 6.0f + static_cast<float>(i % 6) * 44.0f;
    const float y = 6.0f + static_cast<float>(i / 6) * 44.0f;
    const bool close = all[i] == &icons.icon_close;
    // The close cross is drawn smaller, as a window button would.
    const float size = close ? 16.0f : 32.0f;
    const float inset = (32.0f - size) / 2.0f;
    draw_icon(canvas, *all[i], x + inset, y + inset, size, close ? CLOSE_ICON_VIEW_SIZE : ICON_VIEW_SIZE,
              rgb(0xf1, 0xf5, 0xf9), close ? 1.4f : 1.8f);
  }
  EXPECT_TRUE(matches_golden("icons", canvas.pixmap));
}

struct Face {
  std::string_view file;
  float size;
};

// One line in each embedded face, light on dark, then dark on light and a gradient line (the coverage curve
// follows the text colour).
TEST(GoldenScenes, TextInEveryEmbeddedFace) {
  // The coverage curve can be retuned from the environment; the references use the defaults.
  const test::ScopedEnv g0("KX_TG0", "");
  const test::ScopedEnv k("KX_TGK", "");

  const std::array<Face, 6> faces{{{"Manrope-Regular.ttf", 15},
                                   {"Manrope-Medium.ttf", 15},
                                   {"Manrope-SemiBold.ttf", 15},
                                   {"Manrope-Bold.ttf", 15},
                                   {"Urbanist-Bold.ttf", 18},
                                   {"Urbanist-ExtraBold.ttf", 18}}};
  const float line = 26;
  const float height = line * 6 + 80;
  Canvas canvas = Canvas::make(360, static_cast<uint32_t>(height), 0, 0, 1);
  fill_background(canvas, 360, height);
  fill_round_rect(canvas, solid_paint(rgb(0xf8, 0xfa, 0xfc)), 0, line * 6, 360, 80, 0);

  for (size_t i = 0; i < faces.size(); ++i) {
    SCOPED_TRACE(std::string(faces[i].file));
    const auto font = load_font(embedded_asset("fonts/" + std::string(faces[i].file)));
    ASSERT_TRUE(font);
    const GlyphRun run = shape_line(*font, faces[i].size, 0, "Jogar agora — Atualização 1.2.3 (100%)", false);
    const float top = 4 + line * static_cast<float>(i);
    draw_glyph_run(canvas, *font, 10, top + baseline_offset(*font, faces[i].size), run,
                   solid_paint(rgb(0xf1, 0xf5, 0xf9)));
  }

  const auto body = load_font(embedded_asset("fonts/Manrope-SemiBold.ttf"));
  const auto title = load_font(embedded_asset("fonts/Urbanist-ExtraBold.ttf"));
  ASSERT_TRUE(body && title);
  const GlyphRun dark = shape_line(*body, 14, 0.5f, "Configurações do jogo: resolução 1920×1080", true);
  draw_glyph_run(canvas, *body, 10, 4 + line * 6 + baseline_offset(*body, 14), dark,
                 solid_paint(rgb(0x1e, 0x29, 0x3b)));
  const std::array<ColorStop, 2> stops{{{0.0f, rgb(0x7c, 0x3a, 0xed)}, {1.0f, rgb(0xdb, 0x27, 0x77)}}};
  const GlyphRun gradient = shape_line(*title, 30, 1, "Iniciar jogo", false);
  const float y = 4 + line * 7;
  draw_glyph_run(canvas, *title, 10, y + baseline_offset(*title, 30), gradient,
                 shader_paint(build_linear_gradient(stops, 10, y, gradient.width, 36, 90)));
  EXPECT_TRUE(matches_golden("text", canvas.pixmap));
}

}  // namespace
}  // namespace qo
