#include "ui/backdrop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <thread>
#include <vector>

#include "gfx/canvas.h"
#include "gfx/image_blit.h"
#include "test_ui.h"
#include "ui/layers.h"

namespace qo {
namespace {

using namespace std::chrono_literals;

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr PanelBackdrop HEADER{0.0f, 0.0f, 1100.0f, 58.0f, 0.0f, 20.0f};
constexpr PanelBackdrop FOOTER{18.0f, 540.0f, 1064.0f, 104.0f, 16.0f, 12.0f};

bool same_pixels(const Pixmap& a, const Pixmap& b) {
  return a.width() == b.width() && a.height() == b.height() && std::ranges::equal(a.pixels(), b.pixels());
}

Pixmap filled(uint32_t width, uint32_t height, uint32_t word) {
  Pixmap pixmap = Pixmap::make(width, height);
  pixmap.fill_word(word);
  return pixmap;
}

// A hero layer as the scaled-layer rebuild makes it, for a picture of w x h: steep vertical ramps, so every zoom
// gives other pixels.
BackdropScene ramp_scene(float scale, uint32_t w = 1100, uint32_t h = 660) {
  const RectF rect = hero_cover_rect(w, h);
  BackdropScene scene;
  Pixmap hero = Pixmap::make(device_size(rect.w, scale), device_size(rect.h, scale));
  for (uint32_t y = 0; y < hero.height(); ++y) {
    const uint32_t v = (y * 7) & 0xFF;
    std::fill_n(hero.row(y), hero.width(), pack_argb(255, v, 255 - v, v / 2));
  }
  scene.hero = std::make_shared<const Pixmap>(std::move(hero));
  scene.hero_x = rect.x;
  scene.hero_y = rect.y;
  scene.scale = scale;
  scene.width = device_size(WINDOW_WIDTH, scale);
  scene.height = device_size(WINDOW_HEIGHT, scale);
  scene.overlay = std::make_shared<const Pixmap>(Pixmap::make(scene.width, scene.height));
  return scene;
}

Pixmap background_of(const BackdropScene& scene, double t) {
  Pixmap frame = Pixmap::make(scene.width, scene.height);
  draw_animated_background(frame, *scene.hero, scene.scale, scene.hero_x, scene.hero_y, *scene.overlay, t);
  return frame;
}

TEST(BackdropBackground, ZoomPingPongsBetween102And108Every18Seconds) {
  const struct {
    double t;
    float zoom;
  } cases[] = {{0.0, 1.02f}, {9.0, 1.05f}, {18.0, 1.08f}, {27.0, 1.05f}, {36.0, 1.02f}};
  for (const auto& c : cases) EXPECT_NEAR(background_zoom(c.t), c.zoom, 1e-5f) << c.t;
  // Ease-in-out: a quarter of the way in time is well under a quarter of the way in zoom.
  EXPECT_LT(background_zoom(4.5), 1.02f + 0.06f * 0.2f);
  EXPECT_NEAR(background_zoom(9.0 + 36.0 * 1000.0), 1.05f, 1e-5f);  // after ten hours the cycle is unchanged
}

TEST(BackdropBackground, HeroIsScaledAboutThePointItsOverflowSplitKeeps) {
  const struct {
    float hero_x, hero_y, scale, zoom;
    HeroPlacement expected;
  } cases[] = {
      {-44.0f, -15.84f, 1.0f, 1.08f, {-44.0f, -15.84f, 1.0f}},
      {-44.0f, -15.84f, 2.0f, 1.08f, {-88.0f, -31.68f, 1.0f}},
      // Zoom 1.02 about (550, 198): the picture of the window's shape still reaches past the top edge.
      {-44.0f,
       -15.84f,
       1.0f,
       1.02f,
       {-594.0f * 1.02f / 1.08f + 550.0f, -213.84f * 1.02f / 1.08f + 198.0f, 1.02f / 1.08f}},
  };
  for (const auto& c : cases) {
    const HeroPlacement at = hero_placement(c.hero_x, c.hero_y, c.scale, c.zoom);
    EXPECT_NEAR(at.x, c.expected.x, 1e-3f);
    EXPECT_NEAR(at.y, c.expected.y, 1e-3f);
    EXPECT_NEAR(at.factor, c.expected.factor, 1e-6f);
  }
  EXPECT_LT(hero_placement(-44.0f, -15.84f, 1.0f, 1.02f).y, -3.9f);
}

// Frames at 60 Hz over a whole zoom cycle and its turns, asking for a backdrop only when one is due: at every
// frame, each canvas corner and the centre show the picture less than a quarter device px from where the picture
// at the frame's own time shows it (measured through the hero's placement, not the rule's formula), the glass is
// never a second and a frame old, and far fewer backdrops than frames are drawn.
TEST(BackdropRequests, PictureStaysWithinAQuarterDevicePixelOfTheExactOne) {
  const std::vector<PanelBackdrop> panels{HEADER, FOOTER};
  constexpr double FRAME = 1.0 / 60.0;
  constexpr int FRAMES = 38 * 60;
  for (const float scale : {1.0f, 1.5f, 2.0f}) {
    const float w = std::ceil(WINDOW_WIDTH * scale), h = std::ceil(WINDOW_HEIGHT * scale);
    const float points[][2] = {{0.0f, 0.0f}, {w, 0.0f}, {0.0f, h}, {w, h}, {w / 2, h / 2}};
    std::optional<BackdropAsked> last;
    int requests = 0;
    double worst = 0.0, longest_gap = 0.0;
    for (int i = 0; i < FRAMES; ++i) {
      const double t = 0.3 + i * FRAME + (i % 7 == 3 ? 0.004 : 0.0);  // some frames late
      if (backdrop_request_due(last, t, panels, scale)) {
        if (last) longest_gap = std::max(longest_gap, t - last->t);
        last = BackdropAsked{t, panels};
        ++requests;
      }
      const HeroPlacement exact = hero_placement(-44.0f, -15.84f, scale, background_zoom(t));
      const HeroPlacement shown = hero_placement(-44.0f, -15.84f, scale, background_zoom(last->t));
      for (const auto& p : points) {
        const double ux = (p[0] - exact.x) / exact.factor, uy = (p[1] - exact.y) / exact.factor;
        worst = std::max(worst, std::hypot(shown.x + ux * shown.factor - p[0], shown.y + uy * shown.factor - p[1]));
      }
    }
    EXPECT_LT(worst, 0.25 + 1e-3) << "scale " << scale;  // the placements are floats: ~1e-4 px of rounding
    EXPECT_GT(worst, 0.2) << "scale " << scale;  // the allowance is used, not wasted on needless requests
    EXPECT_LT(longest_gap, BACKDROP_REFRESH_SECS + FRAME) << "scale " << scale;
    EXPECT_LT(requests, FRAMES / (scale < 1.5f ? 4 : 2)) << "scale " << scale;
  }
}

TEST(BackdropRequests, ChangedPanelsOrAFirstRequestAreDueAtOnce) {
  const std::vector<PanelBackdrop> panels{HEADER, FOOTER};
  EXPECT_TRUE(backdrop_request_due(std::nullopt, 18.0, panels, 1.0f));
  const BackdropAsked last{18.0, panels};
  EXPECT_FALSE(backdrop_request_due(last, 18.01, panels, 1.0f));  // the zoom turns here: nothing moves
  PanelBackdrop taller = FOOTER;
  taller.h += 0.5f;
  EXPECT_TRUE(backdrop_request_due(last, 18.01, std::vector<PanelBackdrop>{HEADER, taller}, 1.0f));
  EXPECT_TRUE(backdrop_request_due(last, 18.01, std::vector<PanelBackdrop>{HEADER}, 1.0f));
  EXPECT_TRUE(backdrop_request_due(BackdropAsked{NaN, panels}, 18.01, panels, 1.0f));
}

// An opaque white hero: wherever it covers a pixel wholly, the pixel is the same mix of white and the ground; an
// uncovered or partly covered pixel differs.
TEST(BackdropBackground, HeroCoversEveryPixelOfTheWindowAtEveryZoom) {
  const struct {
    uint32_t w, h;  // the picture's size
  } pictures[] = {{1100, 660}, {1920, 1080}, {800, 900}};
  for (const float scale : {1.0f, 1.25f, 2.0f}) {
    for (const auto& picture : pictures) {
      BackdropScene scene = ramp_scene(scale, picture.w, picture.h);
      scene.hero = std::make_shared<const Pixmap>(filled(scene.hero->width(), scene.hero->height(), 0xFFFFFFFFu));
      for (const double t : {0.0, 9.0, 18.0}) {
        const Pixmap frame = background_of(scene, t);
        const uint32_t expected = frame.pixel(frame.width() / 2, frame.height() / 2);
        const auto odd = std::ranges::find_if(frame.pixels(), [&](uint32_t p) { return p != expected; });
        EXPECT_TRUE(odd == frame.pixels().end())
            << "scale " << scale << ", picture " << picture.w << "x" << picture.h << ", t " << t << ": pixel "
            << (odd - frame.pixels().begin()) % frame.width() << "," << (odd - frame.pixels().begin()) / frame.width()
            << " is " << std::hex << *odd << " not " << expected;
      }
    }
  }
}

TEST(BackdropBackground, GroundShowsThroughTheHeroAndTheOverlayLiesOnTop) {
  BackdropScene scene = ramp_scene(1.0f);
  scene.hero = std::make_shared<const Pixmap>(filled(scene.hero->width(), scene.hero->height(), 0));  // a
  // transparent picture leaves the ground
  Pixmap overlay = Pixmap::make(scene.width, scene.height);
  overlay.set_pixel(5, 5, pack_argb(255, 1, 2, 3));
  scene.overlay = std::make_shared<const Pixmap>(std::move(overlay));
  const Pixmap frame = background_of(scene, 3.0);
  EXPECT_EQ(frame.pixel(0, 0), pack_argb(255, 6, 10, 9));
  EXPECT_EQ(frame.pixel(5, 5), pack_argb(255, 1, 2, 3));
}

// Premultiplied pixels of every alpha, varying along both axes; `seed` shifts the pattern.
Pixmap translucent_pattern(uint32_t width, uint32_t height, uint32_t seed) {
  Pixmap pattern = Pixmap::make(width, height);
  for (uint32_t y = 0; y < height; ++y) {
    uint32_t* row = pattern.row(y);
    for (uint32_t x = 0; x < width; ++x) {
      const uint32_t a = (x * 7 + y * 13 + seed) & 0xFF;
      row[x] = pack_argb(a, (((x + y) & 0xFF) * a) >> 8, (((x ^ y) & 0xFF) * a) >> 8, ((y & 0xFF) * a) >> 8);
    }
  }
  return pattern;
}

// The background as three whole-frame passes: the ground, the hero layer at 55 % at its placement, the overlay.
void draw_background_in_three_passes(Pixmap& frame, const BackdropScene& scene, double t) {
  frame.fill_word(pack_argb(255, 6, 10, 9));
  const HeroPlacement at = hero_placement(scene.hero_x, scene.hero_y, scene.scale, background_zoom(t));
  draw_image_scaled(*scene.hero, frame, at.x, at.y, at.factor, at.factor, 0.55f, true, full_clip(frame));
  blend_pixmap_opacity(frame, *scene.overlay, 1.0f, 0, 0);
}

// The index of the first pixel in which two pixmaps of one size differ, or none.
std::optional<size_t> first_difference(const Pixmap& a, const Pixmap& b) {
  if (std::memcmp(a.pixels().data(), b.pixels().data(), a.byte_size()) == 0) return std::nullopt;
  size_t i = 0;
  while (a.pixels()[i] == b.pixels()[i]) ++i;
  return i;
}

// The background is laid a row at a time; it must be the passes it replaces, bit for bit: heroes that cover the
// frame, lie inside it or cross its edges, each at several zooms, with overlays narrower or wider than the frame
// and odd frame sizes.
TEST(BackdropBackground, RowByRowBackgroundIsTheThreeWholeFramePasses) {
  for (const float scale : {1.0f, 1.25f, 1.5f, 2.0f}) {
    const BackdropScene covering = ramp_scene(scale);
    const struct {
      float x, y;  // logical top-left corner
      uint32_t width, height;
    } placements[] = {
        {covering.hero_x, covering.hero_y, covering.hero->width(), covering.hero->height()},
        {300.0f, 150.0f, covering.width / 3 + 1, covering.height / 2 + 1},
        {-30.0f, 400.0f, covering.width / 2, covering.height / 2},
    };
    std::vector<BackdropScene> scenes;
    for (const auto& hero : placements) {
      BackdropScene& scene = scenes.emplace_back(covering);
      scene.hero = std::make_shared<const Pixmap>(translucent_pattern(hero.width, hero.height, 1));
      scene.hero_x = hero.x;
      scene.hero_y = hero.y;
    }
    const struct {
      double t;
      uint32_t frame_width, frame_height, overlay_width, overlay_height;
    } instants[] = {
        {0.0, covering.width, covering.height, covering.width, covering.height},
        {7.3, covering.width + 3, covering.height + 1, covering.width, covering.height - 7},
        {18.0, covering.width + 1, covering.height + 2, covering.width + 6, covering.height + 5},
    };
    for (const auto& at : instants) {
      const auto overlay = std::make_shared<const Pixmap>(translucent_pattern(at.overlay_width, at.overlay_height, 2));
      Pixmap fused = Pixmap::make(at.frame_width, at.frame_height);
      Pixmap passes = Pixmap::make(at.frame_width, at.frame_height);
      for (BackdropScene& scene : scenes) {
        scene.overlay = overlay;
        draw_animated_background(fused, *scene.hero, scene.scale, scene.hero_x, scene.hero_y, *scene.overlay, at.t);
        draw_background_in_three_passes(passes, scene, at.t);
        const std::optional<size_t> odd = first_difference(fused, passes);
        EXPECT_FALSE(odd) << "scale " << scale << ", hero at " << scene.hero_x << "," << scene.hero_y << ", frame "
                          << fused.width() << "x" << fused.height() << ", t " << at.t << ": pixel "
                          << *odd % fused.width() << "," << *odd / fused.width() << " is " << std::hex
                          << fused.pixels()[*odd] << " not " << passes.pixels()[*odd];
      }
    }
  }
}

TEST(GlassPanel, CutSizeAndBlurPerScale) {
  const struct {
    const char* name;
    PanelBackdrop panel;
    float scale;
    PanelCut cut;
  } cases[] = {
      {"header at 1", HEADER, 1.0f, {0, 0, 1100, 58, 275, 15, 5.0f}},
      {"header at 1.5", HEADER, 1.5f, {0, 0, 1650, 87, 413, 22, 7.5f}},
      {"footer at 1.25", FOOTER, 1.25f, {22, 675, 1353, 805, 333, 33, 3.75f}},
      {"partly left of the window", {-50.0f, 10.0f, 100.0f, 20.0f, 4.0f, 8.0f}, 1.0f, {0, 10, 50, 30, 13, 5, 2.0f}},
      {"past the bottom", {10.0f, 650.0f, 100.0f, 40.0f, 4.0f, 8.0f}, 1.0f, {10, 650, 110, 660, 25, 3, 2.0f}},
  };
  for (const auto& c : cases) {
    const auto cut = panel_cut(device_size(1100.0f, c.scale), device_size(660.0f, c.scale), c.scale, c.panel);
    ASSERT_TRUE(cut.has_value()) << c.name;
    EXPECT_EQ(cut->left, c.cut.left) << c.name;
    EXPECT_EQ(cut->top, c.cut.top) << c.name;
    EXPECT_EQ(cut->right, c.cut.right) << c.name;
    EXPECT_EQ(cut->bottom, c.cut.bottom) << c.name;
    EXPECT_EQ(cut->small_width, c.cut.small_width) << c.name;
    EXPECT_EQ(cut->small_height, c.cut.small_height) << c.name;
    EXPECT_FLOAT_EQ(cut->sigma, c.cut.sigma) << c.name;
  }
}

TEST(GlassPanel, PanelOutsideTheFrameOrNotFiniteGivesNoImage) {
  const PanelBackdrop cases[] = {
      {1200.0f, 10.0f, 100.0f, 20.0f, 4.0f, 8.0f},  // right of the window
      {10.0f, -80.0f, 100.0f, 20.0f, 4.0f, 8.0f},   // above it
      {10.0f, 10.0f, 0.0f, 20.0f, 4.0f, 8.0f},      // no width
      {NaN, 10.0f, 100.0f, 20.0f, 4.0f, 8.0f},      // no position
      {10.0f, 10.0f, 100.0f, NaN, 4.0f, 8.0f},      // no height
  };
  const Pixmap frame = Pixmap::make(1100, 660);
  for (const auto& panel : cases) {
    EXPECT_FALSE(draw_panel(frame, 1.0f, panel).has_value()) << panel.x << "," << panel.y;
  }
  EXPECT_TRUE(draw_panels(frame, 1.0f, cases).empty());
}

// Column x and row y of a 5 x 6 frame: red 10 y, green 10 x. The small image's last row and column average the
// two rows and the one column left over.
TEST(GlassPanel, QuarterReductionAveragesFourByFourBlocksAndShorterEdgeBlocks) {
  Pixmap frame = Pixmap::make(5, 6);
  for (uint32_t y = 0; y < 6; ++y) {
    for (uint32_t x = 0; x < 5; ++x) frame.set_pixel(x, y, pack_argb(255, 10 * y, 10 * x, 1));
  }
  const Pixmap small = reduce_quarter(frame, 0, 0, 5, 6);
  ASSERT_EQ(small.width(), 2u);
  ASSERT_EQ(small.height(), 2u);
  EXPECT_EQ(small.pixel(0, 0), pack_argb(255, 15, 15, 1));
  EXPECT_EQ(small.pixel(1, 0), pack_argb(255, 15, 40, 1));
  EXPECT_EQ(small.pixel(0, 1), pack_argb(255, 45, 15, 1));
  EXPECT_EQ(small.pixel(1, 1), pack_argb(255, 45, 40, 1));
  // Rounded, not truncated: 0, 0, 0, 1 averages to 0.25 -> 0; 0, 1, 1, 1 to 0.75 -> 1.
  Pixmap bits = Pixmap::make(4, 1);
  bits.set_pixel(1, 0, pack_argb(1, 1, 1, 1));
  bits.set_pixel(2, 0, pack_argb(1, 1, 1, 1));
  bits.set_pixel(3, 0, pack_argb(1, 1, 1, 1));
  EXPECT_EQ(reduce_quarter(bits, 0, 0, 4, 1).pixel(0, 0), pack_argb(1, 1, 1, 1));
  EXPECT_EQ(reduce_quarter(bits, 0, 0, 2, 1).pixel(0, 0), pack_argb(1, 1, 1, 1));  // 0.5 rounds up
}

TEST(GlassPanel, GlassOfAPlainFrameIsThatColourInsideAndClearOutsideTheCorners) {
  Pixmap frame = Pixmap::make(1100, 660);
  const uint32_t colour = pack_argb(255, 40, 80, 120);
  frame.fill_word(colour);
  const auto footer = draw_panel(frame, 1.0f, FOOTER);
  ASSERT_TRUE(footer.has_value());
  EXPECT_EQ(footer->x, 18);
  EXPECT_EQ(footer->y, 540);
  EXPECT_EQ(footer->image.width(), 1064u);
  EXPECT_EQ(footer->image.height(), 104u);
  EXPECT_EQ(footer->image.pixel(532, 52), colour);
  EXPECT_EQ(footer->image.pixel(0, 0), 0u);  // outside the rounded corner
  EXPECT_EQ(footer->image.pixel(1063, 103), 0u);
  EXPECT_EQ(footer->image.pixel(532, 0), colour);  // the straight edge keeps its pixels
  const auto header = draw_panel(frame, 1.0f, HEADER);
  ASSERT_TRUE(header.has_value());
  EXPECT_EQ(header->image.pixel(0, 0), colour);  // no radius: square corners
}

TEST(GlassPanel, CompositionIsSourceOverClippedToTheFrame) {
  const struct {
    const char* name;
    uint32_t source;
    uint32_t expected;
  } cases[] = {
      {"transparent", 0u, pack_argb(255, 200, 100, 50)},
      {"alpha 0 with colour", pack_argb(0, 9, 9, 9), pack_argb(255, 200, 100, 50)},
      {"opaque", pack_argb(255, 1, 2, 3), pack_argb(255, 1, 2, 3)},
      // k = 127: each channel of d times 127 / 256, truncated, plus s.
      {"half", pack_argb(128, 64, 32, 16), pack_argb(128 + 126, 64 + 99, 32 + 49, 16 + 24)},
  };
  for (const auto& c : cases) {
    Pixmap frame = Pixmap::make(4, 3);
    frame.fill_word(pack_argb(255, 200, 100, 50));
    Pixmap image = Pixmap::make(3, 2);
    image.fill_word(c.source);
    const std::vector<PanelImage> images{PanelImage{-1, 2, image}};
    composite_panels(frame, images);
    EXPECT_EQ(frame.pixel(0, 2), c.expected) << c.name;
    EXPECT_EQ(frame.pixel(1, 2), c.expected) << c.name;
    EXPECT_EQ(frame.pixel(2, 2), pack_argb(255, 200, 100, 50)) << c.name;  // right of the image
    EXPECT_EQ(frame.pixel(0, 1), pack_argb(255, 200, 100, 50)) << c.name;  // above it
  }
}

// A frame of noisy pixels, each with an alpha from `alphas` (premultiplied: no channel above it).
Pixmap noisy_frame(uint32_t width, uint32_t height, const std::vector<uint32_t>& alpha, uint32_t seed) {
  Pixmap frame = Pixmap::make(width, height);
  uint32_t state = seed * 2654435761u + 1;
  for (uint32_t& p : frame.pixels()) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    const uint32_t a = alpha[state % alpha.size()];
    p = pack_argb(a, (state >> 8) % (a + 1), (state >> 16) % (a + 1), (state >> 24) % (a + 1));
  }
  return frame;
}

// The glass kept small composites, over the frame it was drawn from and over another one, exactly what the whole
// images give: the built-in panels and hostile ones at scales 1 to 2, over opaque backgrounds and nearly opaque
// ones as the window's (the samples are written), over one a little less so and translucent ones (they are
// blended).
TEST(GlassPanel, KeptPanelsCompositeWhatTheWholeImagesComposite) {
  const std::vector<PanelBackdrop> panels{
      HEADER,
      FOOTER,
      {678.0f, 70.0f, 404.0f, 222.625f, 16.0f, 12.0f},    // a news panel of fractional height
      {678.0f, 304.625f, 404.0f, 175.5f, 16.0f, 12.0f},   // below it, fractional top
      {-50.3f, 10.7f, 100.0f, 20.0f, 4.0f, 8.0f},          // partly left of the window
      {10.0f, 645.25f, 100.0f, 40.0f, 30.0f, 8.0f},        // past the bottom, radius over half its height
      {500.5f, 300.5f, 0.75f, 0.75f, 0.0f, 1.0f},          // under one pixel
      {200.0f, 100.0f, 300.0f, 130.0f, 16.0f, 0.0f},      // no blur
      {200.0f, 100.0f, 300.0f, 130.0f, NaN, 12.0f},       // corners not finite: no glass
      {1200.0f, 10.0f, 100.0f, 20.0f, 4.0f, 8.0f},        // right of the window: no glass
  };
  for (const float scale : {1.0f, 1.25f, 1.5f, 1.75f, 2.0f}) {
    const uint32_t width = device_size(WINDOW_WIDTH, scale);
    const uint32_t height = device_size(WINDOW_HEIGHT, scale);
    const std::vector<std::vector<uint32_t>> alpha_sets{{255}, {255, 254}, {254, 253}, {255, 200, 17, 0}};
    for (const std::vector<uint32_t>& alphas : alpha_sets) {
      SCOPED_TRACE(testing::Message() << "scale " << scale << ", alphas from " << alphas.back());
      const Pixmap drawn_from = noisy_frame(width, height, alphas, 1);
      const Pixmap other = noisy_frame(width, height, alphas, 2);
      const std::vector<PanelImage> images = draw_panels(drawn_from, scale, panels);
      const std::vector<KeptPanel> kept = keep_panels(drawn_from, scale, panels);
      ASSERT_EQ(kept.size(), images.size());
      for (const Pixmap* under : {&drawn_from, &other}) {
        Pixmap expected = *under;
        composite_panels(expected, images);
        Pixmap got = *under;
        composite_kept_panels(got, kept);
        ASSERT_TRUE(same_pixels(got, expected));
      }
      for (size_t i = 0; i < kept.size(); ++i) {
        EXPECT_EQ(kept[i].x, images[i].x);
        EXPECT_EQ(kept[i].y, images[i].y);
        if (alphas.back() == 255) {
          EXPECT_TRUE(kept[i].opaque_enough) << i;
        }
        if (alphas.back() == 0) {
          EXPECT_FALSE(kept[i].opaque_enough) << i;
        }
      }
    }
  }
  // What is kept of the footer at scale 2: the small image and its corners, a tenth of the whole image.
  const Pixmap frame = noisy_frame(2200, 1320, {255}, 3);
  const auto footer = keep_panel(frame, 2.0f, FOOTER);
  ASSERT_TRUE(footer.has_value());
  const size_t kept_words = footer->small.pixel_count() + footer->edge_pixels.size();
  EXPECT_LT(kept_words * 10, size_t{footer->width} * footer->height);
}

TEST(GlassPanel, MainPanelsFollowTheLayout) {
  MainLayout layout;
  layout.news_panel_height = 220.0f;
  layout.server_panel_y = 302.0f;
  layout.server_panel_height = 180.0f;
  const auto panels = main_panel_backdrops(layout);
  const std::vector<PanelBackdrop> expected{
      HEADER, {678.0f, 70.0f, 404.0f, 220.0f, 16.0f, 12.0f}, {678.0f, 302.0f, 404.0f, 180.0f, 16.0f, 12.0f}, FOOTER};
  EXPECT_FALSE(panel_lists_differ(panels, expected));
}

TEST(BackdropRenderer, PanelsAreDrawnAgainAfterASecondOrWhenTheListChanges) {
  const std::vector<PanelBackdrop> list{HEADER, FOOTER};
  const std::vector<PanelBackdrop> moved{HEADER, {18.0f, 541.0f, 1064.0f, 104.0f, 16.0f, 12.0f}};
  const std::vector<PanelBackdrop> shorter{HEADER};
  const std::vector<PanelBackdrop> not_a_number{HEADER, {18.0f, 540.0f, 1064.0f, 104.0f, 16.0f, NaN}};
  const struct {
    double t;
    const std::vector<PanelBackdrop>* panels;
    uint64_t renders;  // after the request
  } steps[] = {
      {10.0, &list, 1},                               // the first request always draws them
      {10.5, &list, 1},                               // half a second later: kept
      {10.999, &list, 1},       {11.0, &list, 2},     // a second after the last drawing
      {11.1, &moved, 3},                              // one field changed
      {11.2, &moved, 3},        {11.3, &shorter, 4},  // another length
      {11.4, &not_a_number, 5},                       // NaN never equals itself
      {11.5, &not_a_number, 6},
  };
  BackdropRenderer renderer(ramp_scene(1.0f));
  for (const auto& step : steps) {
    renderer.render(BackdropRequest{step.t, *step.panels});
    EXPECT_EQ(renderer.panel_renders(), step.renders) << step.t;
  }
}

TEST(BackdropRenderer, KeptPanelsShowTheOlderBlurOverTheNewBackground) {
  const BackdropScene scene = ramp_scene(1.0f);
  BackdropRenderer renderer(scene);
  const std::vector<PanelBackdrop> panels{HEADER};
  const Pixmap first = renderer.render(BackdropRequest{9.0, panels});
  const Pixmap kept = renderer.render(BackdropRequest{9.5, panels});
  const Pixmap fresh = renderer.render(BackdropRequest{10.0, panels});
  // Inside the header the glass of t = 9 is still shown at 9.5; below it the background has moved on.
  EXPECT_EQ(kept.pixel(550, 30), first.pixel(550, 30));
  EXPECT_NE(kept.pixel(550, 400), first.pixel(550, 400));
  EXPECT_EQ(kept.pixel(550, 400), background_of(scene, 9.5).pixel(550, 400));
  EXPECT_NE(fresh.pixel(550, 30), first.pixel(550, 30));
}

TEST(BackdropRenderer, FirstReplyIsTheSynchronousBackdropAndPanelsOutsideLeaveThePlainBackground) {
  const UiState ui = test::make_test_ui(1.25f);
  const BackdropRequest request{2.5, main_panel_backdrops(ui.layout)};
  BackdropRenderer renderer(copy_backdrop_scene(ui));
  Pixmap now = Pixmap::make(ui.canvas.pixmap.width(), ui.canvas.pixmap.height());
  render_backdrop_now(now, ui.layers, ui.scale, request);
  EXPECT_TRUE(same_pixels(renderer.render(request), now));

  const BackdropRequest outside{2.5,
                                {{1200.0f, 0.0f, 50.0f, 50.0f, 0.0f, 10.0f}, {0.0f, 700.0f, 50.0f, 5.0f, 0.0f, 1.0f}}};
  Pixmap plain = Pixmap::make(ui.canvas.pixmap.width(), ui.canvas.pixmap.height());
  draw_animated_background(plain, *ui.layers.hero, ui.scale, ui.layers.hero_x, ui.layers.hero_y,
                           *ui.layers.overlay, 2.5);
  EXPECT_TRUE(same_pixels(renderer.render(outside), plain));
}

TEST(BackdropRenderer, PaintsIntoASpareFrameOfTheCanvasSizeAndIgnoresOneOfAnotherSize) {
  const UiState ui = test::make_test_ui(1.0f);
  const BackdropRequest request{3.0, main_panel_backdrops(ui.layout)};
  const Pixmap fresh = BackdropRenderer(copy_backdrop_scene(ui)).render(request);
  for (const uint32_t width : {ui.canvas.pixmap.width(), ui.canvas.pixmap.width() - 1}) {
    Pixmap spare = Pixmap::make(width, ui.canvas.pixmap.height());
    spare.fill_word(0x80FF00FFu);  // an old frame's pixels: none may show through
    const uint32_t* spare_pixels = spare.pixels().data();
    BackdropRequest with_spare = request;
    with_spare.spare = std::move(spare);
    const Pixmap reply = BackdropRenderer(copy_backdrop_scene(ui)).render(std::move(with_spare));
    EXPECT_TRUE(same_pixels(reply, fresh)) << width;
    EXPECT_EQ(reply.pixels().data() == spare_pixels, width == ui.canvas.pixmap.width()) << width;
  }
}

// Where the kept glass is opaque the worker leaves a spare frame's pixels for the glass to replace instead of
// drawing the background under it; each reply must still be the whole background with that glass, bit for bit
// (the same renderer given no spare draws everything): the window's panels at four scales, and odd panels.
TEST(BackdropRenderer, KeptGlassOverASpareFrameGivesWhatTheWholeBackgroundGives) {
  struct Case {
    float scale;
    std::vector<PanelBackdrop> panels;  // empty: the window's own
  };
  const std::vector<Case> cases{
      {1.0f, {}},
      {1.25f, {}},
      {1.75f, {}},
      {2.0f, {}},
      {1.5f,
       {{-40.0f, 600.0f, 300.0f, 100.0f, 8.0f, 6.0f},   // past the frame's left and bottom edges
        {300.0f, 100.0f, 7.0f, 300.0f, 30.0f, 4.0f},    // a radius larger than the panel
        {310.0f, 150.0f, 200.0f, 80.0f, 12.0f, 2.0f}}},  // across the one before
  };
  for (const Case& c : cases) {
    const UiState ui = test::make_test_ui(c.scale);
    const std::vector<PanelBackdrop> panels = c.panels.empty() ? main_panel_backdrops(ui.layout) : c.panels;
    BackdropRenderer with_spares(copy_backdrop_scene(ui));
    BackdropRenderer without(copy_backdrop_scene(ui));
    for (const double t : {3.0, 3.25, 3.5, 3.9, 4.0, 4.5}) {
      Pixmap spare = Pixmap::make(ui.canvas.pixmap.width(), ui.canvas.pixmap.height());
      spare.fill_word(0x80FF00FFu);  // an old frame's pixels: none may show through
      const Pixmap expected = without.render(BackdropRequest{t, panels});
      const Pixmap reply = with_spares.render(BackdropRequest{t, panels, std::move(spare)});
      const auto differs = first_difference(reply, expected);
      EXPECT_FALSE(differs) << "scale " << c.scale << ", t " << t << ", pixel " << differs.value_or(0);
    }
    // The glass does leave the background undrawn somewhere (else nothing above was tried).
    EXPECT_FALSE(opaque_interiors(keep_panels(without.render(BackdropRequest{5.0, panels}), c.scale, panels)).empty())
        << c.scale;
  }
}

TEST(BackdropLink, ReplyOfAnotherSizeIsDiscarded) {
  auto [request_sender, request_receiver] = make_bounded_channel<BackdropRequest>(1);
  auto [reply_sender, reply_receiver] = make_bounded_channel<BackdropReply>(1);
  BackdropWorkerLink link;
  link.requests = std::move(request_sender);
  link.replies = std::move(reply_receiver);

  ASSERT_EQ(reply_sender.try_send(BackdropReply{Pixmap::make(1100, 660)}), TrySendOutcome::sent);
  EXPECT_FALSE(take_backdrop_reply(link, 1650, 990).has_value());  // drawn before a scale change
  ASSERT_EQ(reply_sender.try_send(BackdropReply{Pixmap::make(1650, 990)}), TrySendOutcome::sent);  // taken: room
  const auto taken = take_backdrop_reply(link, 1650, 990);
  ASSERT_TRUE(taken.has_value());
  EXPECT_EQ(taken->frame.width(), 1650u);
  EXPECT_FALSE(take_backdrop_reply(link, 1650, 990).has_value());  // nothing waiting

  EXPECT_TRUE(offer_backdrop_request(link, BackdropRequest{1.0, {}}));
  EXPECT_FALSE(offer_backdrop_request(link, BackdropRequest{1.1, {}}));  // the earlier one is still unserved
  EXPECT_EQ(request_receiver.try_receive()->t, 1.0);
}

// The worker's thread against the window's side of its two channels.

std::optional<Pixmap> wait_for_reply(BackdropWorkerLink& link, uint32_t width, uint32_t height) {
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (std::chrono::steady_clock::now() < deadline) {
    if (auto reply = take_backdrop_reply(link, width, height)) return std::move(reply->frame);
    std::this_thread::sleep_for(1ms);
  }
  return std::nullopt;
}

TEST(BackdropWorkerConcurrent, RepliesWithTheBackdropOfTheRequest) {
  UiState ui = test::make_test_ui();
  const BackdropRequest request{3.25, main_panel_backdrops(ui.layout)};
  ui.backdrop = start_backdrop_worker(ui);
  ASSERT_TRUE(offer_backdrop_request(*ui.backdrop, BackdropRequest(request)));
  const auto reply = wait_for_reply(*ui.backdrop, ui.canvas.pixmap.width(), ui.canvas.pixmap.height());
  ASSERT_TRUE(reply.has_value());
  Pixmap now = Pixmap::make(ui.canvas.pixmap.width(), ui.canvas.pixmap.height());
  render_backdrop_now(now, ui.layers, ui.scale, request);
  EXPECT_TRUE(same_pixels(*reply, now));
  // A link started over the running one (a scale change) stops the old worker first and serves on.
  ui.backdrop = start_backdrop_worker(ui);
  ASSERT_TRUE(offer_backdrop_request(*ui.backdrop, BackdropRequest(request)));
  EXPECT_TRUE(wait_for_reply(*ui.backdrop, ui.canvas.pixmap.width(), ui.canvas.pixmap.height()).has_value());
}

TEST(BackdropWorkerConcurrent, ClosingEitherChannelOfTheWindowEndsTheWorker) {
  for (const bool close_requests : {true, false}) {
    auto [request_sender, request_receiver] = make_bounded_channel<BackdropRequest>(1);
    auto [reply_sender, reply_receiver] = make_bounded_channel<BackdropReply>(1);
    std::atomic<bool> ended = false;
    std::thread worker([&, requests = std::move(request_receiver), replies = std::move(reply_sender)]() mutable {
      backdrop_render_worker(ramp_scene(0.5f), std::move(requests), std::move(replies));
      ended = true;
    });
    ASSERT_EQ(request_sender.try_send(BackdropRequest{1.0, {HEADER}}), TrySendOutcome::sent);
    if (close_requests) {
      request_sender.close();  // the request already sent is still served; its reply stays unread
    } else {
      reply_receiver.close();  // the worker ends when its reply finds nobody
    }
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!ended && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(ended) << (close_requests ? "requests closed" : "replies closed");
    worker.join();
    if (close_requests) {
      EXPECT_TRUE(reply_receiver.try_receive().has_value());
    }
  }
}

// The window offers a request every few hundred microseconds, far faster than the worker draws a 2x frame:
// requests the worker cannot take yet are skipped, never queued, so the work in flight stays bounded.
TEST(BackdropWorkerConcurrent, SlowerWorkerNeverGrowsAQueue) {
  auto [request_sender, request_receiver] = make_bounded_channel<BackdropRequest>(1);
  auto [reply_sender, reply_receiver] = make_bounded_channel<BackdropReply>(1);
  BackdropWorkerLink link;
  link.requests = std::move(request_sender);
  link.replies = std::move(reply_receiver);
  link.thread =
      std::jthread(backdrop_render_worker, ramp_scene(2.0f), std::move(request_receiver), std::move(reply_sender));
  const uint32_t width = device_size(WINDOW_WIDTH, 2.0f);
  const uint32_t height = device_size(WINDOW_HEIGHT, 2.0f);
  int offered = 0;
  int accepted = 0;
  int served = 0;
  int most_in_flight = 0;
  double t = 0.0;
  while (served < 5) {
    t += 1.0 / 60.0;
    ++offered;
    if (offer_backdrop_request(link, BackdropRequest{t, {HEADER, FOOTER}})) ++accepted;
    if (take_backdrop_reply(link, width, height)) ++served;
    // One waiting request, one being drawn, one reply waiting: nothing more can be outstanding.
    most_in_flight = std::max(most_in_flight, accepted - served);
    ASSERT_LE(accepted - served, 3) << "after " << offered << " offers";
    ASSERT_LT(offered, 2'000'000);
    std::this_thread::sleep_for(200us);
  }
  EXPECT_GT(offered, accepted);  // the worker was slower: frames' requests were skipped
  EXPECT_GE(most_in_flight, 1);
}

}  // namespace
}  // namespace qo
