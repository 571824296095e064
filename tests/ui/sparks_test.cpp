#include "ui/sparks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "test_ui.h"
#include "ui/fast_forward.h"

namespace qo {
namespace {

SparkParticle particle(float age, float life) {
  SparkParticle s;
  s.anchor_x = 300.0f;
  s.y = 400.0f;
  s.rise = 20.0f;
  s.sway = 10.0f;
  s.phase = 0.0f;
  s.age = age;
  s.life = life;
  s.size = 2.0f;
  return s;
}

void build_spark_sprites_at(UiState& ui, float scale) {
  ui.scale = scale;
  build_spark_sprites(ui);
}

bool same_motion(const SparkParticle& a, const SparkParticle& b) {
  return a.anchor_x == b.anchor_x && a.y == b.y && a.rise == b.rise && a.sway == b.sway && a.phase == b.phase &&
         a.age == b.age && a.life == b.life && a.alpha == b.alpha && a.draw_x == b.draw_x && a.draw_y == b.draw_y;
}

TEST(SparkRandom, SeedFromTheWallClock) {
  EXPECT_EQ(spark_seed_from_wall_clock(-1), 7u);
  EXPECT_EQ(spark_seed_from_wall_clock(-5'000'000'000), 7u);
  EXPECT_EQ(spark_seed_from_wall_clock(0), 1u);  // never 0: xorshift would stay at 0 for ever
  EXPECT_EQ(spark_seed_from_wall_clock(41), 42u);
}

TEST(SparkRandom, DrawsLieInTheUnitIntervalAndStateIsTwoWords) {
  SparkRng rng = spark_rng_from_seed(0x0123456789ABCDEFull);
  EXPECT_EQ(rng.lo, 0x89ABCDEFu);
  EXPECT_EQ(rng.hi, 0x01234567u);
  // First draw from seed 1: x = 1 ^ 1 << 13 = 0x2001; ^ x >> 7 = 0x2041; ^ x << 17 = 0x40822041; top 24 bits 0.
  SparkRng one = spark_rng_from_seed(1);
  EXPECT_EQ(next_spark_random(one), 0.0f);
  EXPECT_EQ(one.lo, 0x40822041u);
  EXPECT_EQ(one.hi, 0u);
  for (int i = 0; i < 1000; ++i) {
    const float r = next_spark_random(rng);
    ASSERT_GE(r, 0.0f);
    ASSERT_LT(r, 1.0f);
  }
}

TEST(SparkPhysics, AlphaEnvelopeAndSway) {
  const struct {
    float age_after_step;
    float alpha;
  } cases[] = {{0.375f, 0.45f}, {1.5f, 0.9f}, {3.5f, 0.9f}, {4.25f, 0.45f}};
  auto ui = test::make_bare_test_ui();
  for (const auto& c : cases) {
    ui.sparks = {};
    ui.sparks.push_back(particle(c.age_after_step - 0.1f, 5.0f));
    update_sparks(ui, 0.1f);
    const SparkParticle& s = ui.sparks[0];
    EXPECT_NEAR(s.alpha, c.alpha, 1e-4f) << c.age_after_step;
    EXPECT_FLOAT_EQ(s.y, 398.0f);
    EXPECT_FLOAT_EQ(s.phase, 0.16f);
    EXPECT_FLOAT_EQ(s.draw_x, 300.0f + std::sin(0.16f) * 10.0f);
    EXPECT_FLOAT_EQ(s.draw_y, 398.0f);
  }
}

TEST(SparkPhysics, RespawnKeepsTheDrawnPositionForOneStep) {
  auto ui = test::make_bare_test_ui();
  ui.spark_rng = spark_rng_from_seed(12345);
  ui.sparks = {};
  ui.sparks.push_back(particle(4.95f, 5.0f));
  ui.sparks[0].alpha = 0.3f;
  ui.sparks[0].draw_x = 123.0f;
  ui.sparks[0].draw_y = 456.0f;
  update_sparks(ui, 0.1f);
  const SparkParticle& s = ui.sparks[0];
  EXPECT_EQ(s.age, 0.0f);
  EXPECT_EQ(s.alpha, 0.3f);
  EXPECT_EQ(s.draw_x, 123.0f);
  EXPECT_EQ(s.draw_y, 456.0f);
  EXPECT_EQ(s.size, 2.0f);
  // Respawned in the lower part of the picture, with fresh motion in the documented ranges.
  EXPECT_TRUE(test::in_range(s.anchor_x, 110.0f, 550.0f));
  EXPECT_TRUE(test::in_range(s.y, 470.0f, 530.0f));
  EXPECT_TRUE(test::in_range(s.rise, 16.0f, 50.0f));
  EXPECT_TRUE(test::in_range(s.life, 3.0f, 7.0f));
  update_sparks(ui, 0.1f);
  EXPECT_NE(ui.sparks[0].draw_y, 456.0f);
  EXPECT_GT(ui.sparks[0].alpha, 0.0f);
}

TEST(SparkPhysics, EmptyListDoesNothing) {
  auto ui = test::make_bare_test_ui();
  ui.spark_rng = spark_rng_from_seed(12345);
  const SparkRng before = ui.spark_rng;
  update_sparks(ui, 1.0f);
  EXPECT_EQ(ui.spark_rng.lo, before.lo);
  EXPECT_EQ(ui.spark_rng.hi, before.hi);
}

TEST(SparkSprites, SizedByMarginAndScaleWithAnOpaqueCore) {
  auto ui = test::make_test_ui();
  for (float scale : {1.0f, 1.5f, 2.0f}) {
    build_spark_sprites_at(ui, scale);
    ASSERT_EQ(ui.sparks.size(), SPARK_COUNT);
    for (const SparkParticle& s : ui.sparks) {
      ASSERT_TRUE(s.sprite.has_value());
      const float margin = spark_sprite_margin(s.size);
      EXPECT_EQ(margin, std::ceil(3.75f * s.size));
      const auto side = static_cast<uint32_t>(std::ceil((2.0f * margin + s.size) * scale));
      EXPECT_EQ(s.sprite->width(), side);
      EXPECT_EQ(s.sprite->height(), side);
      // The glow peaks at the core, in the middle, and fades out before the edges.
      const uint32_t centre = static_cast<uint32_t>((margin + s.size * 0.5f) * scale);
      uint32_t peak = 0;
      for (uint32_t p : s.sprite->pixels()) peak = std::max(peak, pixel_alpha(p));
      EXPECT_GT(peak, 150u);
      EXPECT_GE(pixel_alpha(s.sprite->pixel(centre, centre)) + 40, peak);
      EXPECT_LT(pixel_alpha(s.sprite->pixel(0, 0)), 8u);
    }
  }
}

UiState seeded_bare_ui() {
  auto ui = test::make_bare_test_ui();
  ui.spark_rng = spark_rng_from_seed(99);
  seed_sparks(ui);
  return ui;
}

TEST(FastForward, SixSecondsAreSixtyStepsOfATenth) {
  auto ui = seeded_bare_ui();
  auto reference = seeded_bare_ui();
  for (int i = 0; i < 60; ++i) update_sparks(reference, 0.1f);

  std::vector<bool> full_redraw_seen;
  std::vector<double> prev_clock_seen;
  const bool done = fast_forward_and_render(ui, 6.0f, [&](UiState& s) {
    full_redraw_seen.push_back(s.force_full_redraw);
    prev_clock_seen.push_back(s.prev_clock);
    s.force_full_redraw = false;  // the frame consumes it
  });
  ASSERT_TRUE(done);
  ASSERT_EQ(ui.sparks.size(), reference.sparks.size());
  for (size_t i = 0; i < ui.sparks.size(); ++i) EXPECT_TRUE(same_motion(ui.sparks[i], reference.sparks[i])) << i;
  EXPECT_EQ(full_redraw_seen, (std::vector<bool>{false, true}));
  EXPECT_DOUBLE_EQ(prev_clock_seen[0], 6.0);
  EXPECT_DOUBLE_EQ(ui_clock_now(ui), 6.0);
  EXPECT_EQ(ui.intro_start, 0.0);
  EXPECT_EQ(ui.pointer_decoration_prev, (std::array<float, 4>{-10.0f, -10.0f, -10.0f, -10.0f}));
}

TEST(FastForward, KeepsAnIntroAlreadyStartedAndRefusesBadDurations) {
  auto ui = seeded_bare_ui();
  ui.intro_start = 2.0;
  ASSERT_TRUE(fast_forward_and_render(ui, 1.0f, nullptr));
  EXPECT_EQ(ui.intro_start, 2.0);
  const int64_t origin = ui.start_instant_ns;
  int renders = 0;
  for (float bad : {-1.0f, std::nanf(""), 1e30f}) {
    EXPECT_FALSE(fast_forward_and_render(ui, bad, [&](UiState&) { ++renders; })) << bad;
  }
  EXPECT_EQ(renders, 0);
  EXPECT_EQ(ui.start_instant_ns, origin);
}

}  // namespace
}  // namespace qo
