#include "ui/layers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <future>
#include <utility>
#include <vector>

#include "platform/window.h"
#include "test_ui.h"
#include "gfx/glow.h"
#include "gfx/image_blit.h"
#include "ui/rune.h"

namespace qo {
namespace {

bool same_pixels(const Pixmap& a, const Pixmap& b) {
  return a.width() == b.width() && a.height() == b.height() && std::ranges::equal(a.pixels(), b.pixels());
}

TEST(ScaledLayers, CanvasSizePerScale) {
  const struct {
    float scale;
    uint32_t width, height;
  } cases[] = {{1.0f, 1100, 660}, {1.25f, 1375, 825}, {1.5f, 1650, 990}, {1.75f, 1925, 1155}};
  auto ui = test::make_test_ui();
  for (const auto& c : cases) {
    rebuild_scaled_layers(ui, c.scale);
    EXPECT_EQ(ui.scale, c.scale);
    EXPECT_EQ(ui.canvas_width, c.width) << c.scale;
    EXPECT_EQ(ui.canvas_height, c.height) << c.scale;
    EXPECT_EQ(ui.canvas.pixmap.width(), c.width);
    EXPECT_EQ(ui.canvas.pixmap.height(), c.height);
    EXPECT_EQ(ui.canvas.scale, c.scale);
    EXPECT_EQ(ui.layers.overlay->width(), c.width);
    EXPECT_EQ(ui.layers.overlay->height(), c.height);
  }
}

TEST(HeroCover, FitsTheWindowWithTheZoomReserve) {
  const struct {
    uint32_t w, h;
    float x, y, dw, dh;
  } cases[] = {
      {1100, 660, -44.0f, -15.84f, 1188.0f, 712.8f},
      {2200, 660, -638.0f, -15.84f, 2376.0f, 712.8f},  // wider than the window: fitted to the height
      {550, 660, -44.0f, -229.68f, 1188.0f, 1425.6f},  // taller: fitted to the width, 30 % of the overflow above
  };
  for (const auto& c : cases) {
    const RectF r = hero_cover_rect(c.w, c.h);
    EXPECT_NEAR(r.x, c.x, 1e-3f) << c.w << "x" << c.h;
    EXPECT_NEAR(r.y, c.y, 1e-3f);
    EXPECT_NEAR(r.w, c.dw, 1e-3f);
    EXPECT_NEAR(r.h, c.dh, 1e-3f);
  }
}

TEST(HeroCover, LayerIsResampledToTheDeviceSize) {
  auto ui = test::make_test_ui(1.5f);
  const Pixmap hero = decode_hero_picture(ui.images.hero_file);
  const RectF r = hero_cover_rect(hero.width(), hero.height());
  EXPECT_EQ(ui.layers.hero->width(), static_cast<uint32_t>(std::ceil(r.w * 1.5f)));
  EXPECT_EQ(ui.layers.hero->height(), static_cast<uint32_t>(std::ceil(r.h * 1.5f)));
  EXPECT_EQ(ui.layers.hero_x, r.x);
  EXPECT_EQ(ui.layers.hero_y, r.y);
}

TEST(ScaledLayers, TwoRebuildsAtOneScaleAreIdentical) {
  auto ui = test::make_test_ui(1.25f);
  const ScaledLayers first = ui.layers;
  rebuild_scaled_layers(ui, 1.25f);
  const ScaledLayers& second = ui.layers;
  EXPECT_TRUE(same_pixels(*first.hero, *second.hero));
  EXPECT_TRUE(same_pixels(*first.overlay, *second.overlay));
  EXPECT_TRUE(same_pixels(first.crest_glow, second.crest_glow));
  EXPECT_TRUE(same_pixels(first.glow_dot.pixmap, second.glow_dot.pixmap));
  EXPECT_TRUE(same_pixels(first.rune.padded(), second.rune.padded()));
  for (size_t k = 0; k < 4; ++k) {
    EXPECT_TRUE(same_pixels(first.logo_glow_copies[k].pixels.to_pixmap(), second.logo_glow_copies[k].pixels.to_pixmap()));
  }
}

// The pictures are decoded again from their kept files: a round trip through another scale gives the layers a
// fresh state at the first scale has.
TEST(ScaledLayers, ARescaleAndBackRebuildsThePicturesLayersAsTheyWere) {
  const auto fresh = test::make_test_ui(1.0f);
  auto ui = test::make_test_ui(1.0f);
  rebuild_scaled_layers(ui, 2.0f);
  EXPECT_EQ(ui.layers.crest_glow.width(), 2 * fresh.layers.crest_glow.width());
  rebuild_scaled_layers(ui, 1.0f);
  EXPECT_TRUE(same_pixels(*ui.layers.hero, *fresh.layers.hero));
  for (size_t k = 0; k < 4; ++k) {
    EXPECT_TRUE(same_pixels(ui.layers.logo_glow_copies[k].pixels.to_pixmap(),
                            fresh.layers.logo_glow_copies[k].pixels.to_pixmap()));
  }
  EXPECT_TRUE(same_pixels(ui.layers.crest_glow, fresh.layers.crest_glow));
}

// As the window starts: the state built on a worker while SDL's video starts on this thread, each build making its
// hero layer on a thread of its own; then a rescale on this thread. The hero layers match the ones made in line.
TEST(ScaledLayersConcurrent, StateBuiltOnAWorkerWhileVideoStartsHasTheHeroMadeInLine) {
  auto building = std::async(std::launch::async, [] { return test::make_test_ui(1.0f); });
  { const VideoStart video; }
  UiState ui = building.get();
  for (const float scale : {1.0f, 1.5f}) {
    if (scale != ui.scale) rebuild_scaled_layers(ui, scale);
    const HeroLayer in_line = build_hero_layer(ui.images.hero_file, scale);
    EXPECT_TRUE(same_pixels(*ui.layers.hero, *in_line.pixels)) << scale;
    EXPECT_EQ(ui.layers.hero_x, in_line.rect.x);
    EXPECT_EQ(ui.layers.hero_y, in_line.rect.y);
    EXPECT_EQ(ui.layers.hero_w, in_line.rect.w);
    EXPECT_EQ(ui.layers.hero_h, in_line.rect.h);
  }
}

TEST(ScaledLayers, GlowImagesAreSizedByScale) {
  auto ui = test::make_test_ui();
  for (float scale : {1.0f, 1.5f, 2.0f}) {
    rebuild_scaled_layers(ui, scale);
    const auto px = [&](float v) { return static_cast<uint32_t>(std::lround(v * scale)); };
    EXPECT_EQ(ui.layers.crest_glow_pad, px(15.0f));
    EXPECT_EQ(ui.layers.crest_glow.width(), px(34.0f) + 2 * px(15.0f));
    EXPECT_EQ(ui.layers.logo_glow_pad, px(60.0f));
    EXPECT_EQ(ui.layers.logo_glow_width, px(430.0f) + 2 * px(60.0f));
    // Each copy keeps only its visible part, inside the glow image one row taller: the logo and a part of its
    // glow, less than half of the whole, its rows trimmed to their pixels with alpha (a tenth less again).
    for (const VisiblePart& copy : ui.layers.logo_glow_copies) {
      EXPECT_GE(copy.x, 0);
      EXPECT_GE(copy.y, 0);
      EXPECT_LE(copy.x + copy.pixels.width(), ui.layers.logo_glow_width);
      EXPECT_LE(copy.y + copy.pixels.height(), ui.layers.logo_glow_height + 1);
      EXPECT_GE(copy.pixels.width(), px(430.0f));
      EXPECT_LT(copy.pixels.kept_pixels() * 2, size_t{ui.layers.logo_glow_width} * (ui.layers.logo_glow_height + 1));
      EXPECT_LT(copy.pixels.kept_pixels() * 10, size_t{copy.pixels.width()} * copy.pixels.height() * 9);
    }
    EXPECT_EQ(ui.layers.glow_dot.pixmap.width(), static_cast<uint32_t>(std::ceil(30.0f * scale)));
    EXPECT_EQ(ui.layers.glow_dot.origin_x, -12.0f);
    // The dot's core sits at logical (3, 3): pale gold, opaque.
    const auto core = static_cast<uint32_t>(15.0f * scale);
    EXPECT_EQ(pixel_alpha(ui.layers.glow_dot.pixmap.pixel(core, core)), 255u);
    EXPECT_EQ(ui.layers.rune.width(), static_cast<uint32_t>(std::ceil(270.0f * scale)));
  }
}

TEST(ScaledLayers, OverlayDarkensTowardsTheRightAndTheBottom) {
  auto ui = test::make_test_ui();
  const Pixmap& o = *ui.layers.overlay;
  EXPECT_LT(pixel_alpha(o.pixel(300, 250)), pixel_alpha(o.pixel(1090, 250)));
  EXPECT_LT(pixel_alpha(o.pixel(600, 250)), pixel_alpha(o.pixel(600, 655)));
  EXPECT_EQ(pixel_alpha(o.pixel(1099, 659)), 255u);
}

TEST(SubpixelCopies, EachIsOneRowTallerAndShiftedByAQuarter) {
  Pixmap image = Pixmap::make(560, 170);
  for (uint32_t y = 0; y < 170; ++y) {
    for (uint32_t x = 0; x < 560; ++x) image.set_pixel(x, y, pack_argb(255, (x * 7) & 0xFF, y, 40));
  }
  const auto copies = make_subpixel_copies(image);
  for (const Pixmap& copy : copies) {
    EXPECT_EQ(copy.width(), 560u);
    EXPECT_EQ(copy.height(), 171u);
  }
  for (uint32_t y = 0; y < 170; ++y) {
    for (uint32_t x = 0; x < 560; ++x) ASSERT_EQ(copies[0].pixel(x, y), image.pixel(x, y)) << x << "," << y;
  }
  for (uint32_t x = 0; x < 560; ++x) ASSERT_EQ(copies[0].pixel(x, 170), 0u);
  // Half a pixel down: row 1 lies between rows 0 and 1 of the image; the top row is half covered.
  const uint32_t mid = pixel_green(copies[2].pixel(10, 1));
  EXPECT_GE(mid, 0u);
  EXPECT_LE(mid, 1u);
  EXPECT_NEAR(static_cast<int>(pixel_alpha(copies[2].pixel(10, 0))), 128, 2);
  EXPECT_NEAR(static_cast<int>(pixel_alpha(copies[1].pixel(10, 170))), 64, 2);
  EXPECT_NEAR(static_cast<int>(pixel_alpha(copies[3].pixel(10, 170))), 191, 2);
}

// Kept as visible parts, the copies draw what the whole copies draw, wherever they go and at any opacity. The
// images: a glow like the logo's (a shape in two blurred halos), then hostile ones: nothing visible, one visible
// pixel in a corner, colour left in pixels without alpha (never premultiplied so; source-over ignores them), a
// visible frame around a transparent middle, one pixel.
TEST(VisibleParts, DrawWhatTheWholeImagesDraw) {
  const auto word_at = [](uint32_t x, uint32_t y) { return pack_argb(255, (x * 37 + y * 11) & 0xFF, x ^ y, 90); };
  Pixmap disc = Pixmap::make(90, 40);
  for (uint32_t y = 10; y < 30; ++y)
    for (uint32_t x = 20; x < 70; ++x) disc.set_pixel(x, y, word_at(x, y));
  const std::array<GlowLayer, 2> halos{GlowLayer{Color::from_rgba8(217, 168, 69, 89), 6.0f},
                                       GlowLayer{Color::from_rgba8(18, 184, 128, 77), 2.0f}};
  std::vector<Pixmap> images{make_glow_image(disc, halos, 24), Pixmap::make(30, 20)};
  for (const auto& [x, y] : {std::pair{0u, 0u}, std::pair{29u, 0u}, std::pair{0u, 19u}, std::pair{29u, 19u}}) {
    Pixmap corner = Pixmap::make(30, 20);
    corner.set_pixel(x, y, pack_argb(1, 1, 0, 0));
    images.push_back(std::move(corner));
  }
  Pixmap colour_without_alpha = Pixmap::make(30, 20);
  colour_without_alpha.fill_word(0x00FFFFFFu);
  colour_without_alpha.set_pixel(12, 7, pack_argb(200, 200, 100, 0));
  images.push_back(std::move(colour_without_alpha));
  Pixmap frame = Pixmap::make(30, 20);
  for (uint32_t y = 0; y < 20; ++y)
    for (uint32_t x = 0; x < 30; ++x)
      if (x == 0 || y == 0 || x == 29 || y == 19) frame.set_pixel(x, y, pack_argb(128, 100, 50, 0));
  images.push_back(std::move(frame));
  Pixmap one = Pixmap::make(1, 1);
  one.set_pixel(0, 0, pack_argb(255, 1, 2, 3));
  images.push_back(std::move(one));

  Pixmap ground = Pixmap::make(160, 90);
  for (uint32_t y = 0; y < 90; ++y)
    for (uint32_t x = 0; x < 160; ++x) ground.set_pixel(x, y, word_at(x, y) ^ 0x00FF00FFu);
  for (size_t i = 0; i < images.size(); ++i) {
    for (size_t k = 0; k < 4; ++k) {
      const Pixmap whole = make_subpixel_copies(images[i])[k];
      const VisiblePart part = visible_subpixel_copies(images[i])[k];
      EXPECT_TRUE(same_pixels(visible_part(whole).pixels.to_pixmap(), part.pixels.to_pixmap()));
      for (const float opacity : {1.0f, 0.43f}) {
        for (const auto& [x, y] : {std::pair{5, 7}, std::pair{-31, -13}, std::pair{120, 70}}) {
          const ClipRect clip{3, 4, 150, 83};
          Pixmap expected = ground;
          blend_pixmap_opacity(expected, whole, opacity, x, y, clip);
          Pixmap got = ground;
          blend_row_trimmed(got, part.pixels, opacity, x + part.x, y + part.y, clip);
          ASSERT_TRUE(same_pixels(got, expected)) << "image " << i << " copy " << k << " at " << x << "," << y;
        }
      }
    }
  }
  // Nothing visible leaves one transparent pixel; a pixel without alpha is cut away whatever its colour.
  const VisiblePart none = visible_part(images[1]);
  EXPECT_EQ(none.pixels.width(), 1u);
  EXPECT_EQ(none.pixels.to_pixmap().pixel(0, 0), 0u);
  EXPECT_EQ(none.pixels.kept_pixels(), 0u);
  const VisiblePart corner = visible_part(images[5]);
  EXPECT_EQ(corner.pixels.width(), 1u);
  EXPECT_EQ(corner.x, 29);
  EXPECT_EQ(corner.y, 19);
  const VisiblePart kept_colour = visible_part(images[6]);
  EXPECT_EQ(kept_colour.pixels.kept_pixels(), 1u);
  EXPECT_EQ(kept_colour.x, 12);
  EXPECT_EQ(visible_part(images[7]).pixels.width(), 30u);
  EXPECT_EQ(visible_part(images[7]).pixels.height(), 20u);
  EXPECT_EQ(visible_part(images[7]).pixels.kept_pixels(), size_t{2 * 30 + 18 * 30});  // inner rows: both ends kept
}

TEST(AlignedLayer, OriginsAndSizesFallOnDevicePixels) {
  const struct {
    float x, y, w, h, scale;
    uint32_t width, height;
    float origin_x, origin_y;
  } cases[] = {
      {0.0f, 0.0f, 1100.0f, 58.0f, 1.0f, 1100, 58, 0.0f, 0.0f},
      {678.0f, 70.0f, 404.0f, 222.625f, 1.25f, 506, 279, 847.0f / 1.25f, 87.0f / 1.25f},
      {18.0f, 540.0f, 1064.0f, 104.0f, 1.25f, 1331, 130, 22.0f / 1.25f, 675.0f / 1.25f},
      {678.0f, 70.0f, 404.0f, 222.625f, 1.75f, 708, 391, 1186.0f / 1.75f, 122.0f / 1.75f},
      {5.0f, 5.0f, 0.0f, 0.0f, 1.0f, 1, 1, 5.0f, 5.0f},
  };
  for (const auto& c : cases) {
    const Canvas layer = make_aligned_layer(c.x, c.y, c.w, c.h, c.scale);
    EXPECT_EQ(layer.pixmap.width(), c.width) << c.x << " at " << c.scale;
    EXPECT_EQ(layer.pixmap.height(), c.height) << c.y << " at " << c.scale;
    EXPECT_FLOAT_EQ(layer.origin_x, c.origin_x);
    EXPECT_FLOAT_EQ(layer.origin_y, c.origin_y);
    EXPECT_EQ(layer.scale, c.scale);
    // The layer's first pixel is a whole canvas pixel.
    EXPECT_FLOAT_EQ(layer.origin_x * c.scale, std::round(layer.origin_x * c.scale));
  }
}

TEST(PictureArea, ClipPerScale) {
  auto ui = test::make_test_ui(1.5f);
  const PictureArea& area = ui.layers.picture_area;
  EXPECT_EQ(area.clip.x0, 0);
  EXPECT_EQ(area.clip.y0, 87);
  EXPECT_EQ(area.clip.x1, 990);
  EXPECT_EQ(area.clip.y1, 804);
}

TEST(Rune, FiveOutlinesInThreeGroupsTurningAboutItsCentre) {
  const auto groups = build_rune_outlines();
  EXPECT_EQ(groups[0].size(), 1u);
  EXPECT_EQ(groups[1].size(), 1u);
  EXPECT_EQ(groups[2].size(), 3u);
  ASSERT_TRUE(groups[1][0].stroke.dash.has_value());
  EXPECT_EQ(groups[1][0].stroke.dash->intervals, (std::vector<float>{2.0f, 14.0f}));
  EXPECT_EQ(groups[2][0].stroke.dash->intervals, (std::vector<float>{24.0f, 12.0f, 4.0f, 12.0f}));
  EXPECT_FALSE(groups[2][1].stroke.dash.has_value());
  for (float degrees : {0.0f, 37.0f, 180.0f}) {
    const Transform t = rune_layer_transform(2.0f, degrees);
    const Point centre = t.map_point({270.0f, 270.0f});  // the layer's centre at scale 2
    EXPECT_NEAR(centre.x, 390.0f, 1e-3f);
    EXPECT_NEAR(centre.y, 660.0f, 1e-3f);
  }
  const Point turned = rune_layer_transform(1.0f, 90.0f).map_point({135.0f, 0.0f});  // top of the layer
  EXPECT_NEAR(turned.x, 195.0f + 135.0f, 1e-3f);  // a quarter turn clockwise brings it to the right
  EXPECT_NEAR(turned.y, 330.0f, 1e-3f);
}

// Remade over a layer of any size, a layer is what make_aligned_layer makes (size, origin, scale, every pixel
// transparent); over one of its size it keeps its pixel memory.
TEST(AlignedLayer, RemadeItIsWhatMakingItGivesInItsOwnPixelsWhenTheSizeHolds) {
  const struct {
    float x, y, w, h, scale;
  } rects[] = {{0.0f, 0.0f, 1100.0f, 58.0f, 1.0f},     {678.0f, 70.0f, 404.0f, 222.625f, 1.25f},
               {678.0f, 70.0f, 404.0f, 222.625f, 1.75f}, {18.0f, 540.0f, 1064.0f, 104.0f, 2.0f},
               {5.0f, 5.0f, 0.0f, 0.0f, 1.0f},           {5.0f, 5.0f, -3.0f, NAN, 1.5f}};
  for (const auto& from : rects) {
    for (const auto& to : rects) {
      Canvas layer = make_aligned_layer(from.x, from.y, from.w, from.h, from.scale);
      layer.pixmap.fill_word(0xFF204060u);
      const uint32_t* pixels_before = layer.pixmap.pixels().data();
      remake_aligned_layer(layer, to.x, to.y, to.w, to.h, to.scale);
      const Canvas made = make_aligned_layer(to.x, to.y, to.w, to.h, to.scale);
      ASSERT_TRUE(same_pixels(layer.pixmap, made.pixmap)) << from.w << " to " << to.w << " at " << to.scale;
      EXPECT_EQ(layer.origin_x, made.origin_x);
      EXPECT_EQ(layer.origin_y, made.origin_y);
      EXPECT_EQ(layer.scale, made.scale);
      const Canvas before = make_aligned_layer(from.x, from.y, from.w, from.h, from.scale);
      if (before.pixmap.width() == made.pixmap.width() && before.pixmap.height() == made.pixmap.height()) {
        EXPECT_EQ(layer.pixmap.pixels().data(), pixels_before);
      }
    }
  }
}

}  // namespace
}  // namespace qo
