#include "ui/sparks.h"

#include <algorithm>
#include <cmath>

#include "gfx/blur.h"
#include "gfx/canvas.h"
#include "gfx/rasterizer.h"
#include "gfx/shapes.h"

namespace qo {
namespace {

uint64_t rng_word(const SparkRng& rng) { return (uint64_t{rng.hi} << 32) | rng.lo; }

// A new life for a particle: its sway centre, a height in [y_top, y_top + y_span), speed, sway and lifetime, drawn
// in that order.
void start_life(SparkParticle& spark, SparkRng& rng, float y_top, float y_span) {
  spark.anchor_x = 110.0f + 440.0f * next_spark_random(rng);
  spark.y = y_top + y_span * next_spark_random(rng);
  spark.rise = 16.0f + 34.0f * next_spark_random(rng);
  spark.sway = (next_spark_random(rng) - 0.5f) * 22.0f;
  spark.phase = 6.28f * next_spark_random(rng);
  spark.life = 3.0f + 4.0f * next_spark_random(rng);
  spark.age = 0.0f;
}

// Opacity over a life: fade in over the first 15 %, full until 70 %, fade out over the last 30 %.
float life_envelope(float f) {
  if (f < 0.15f) return f / 0.15f;
  if (f > 0.7f) return (1.0f - f) / 0.3f;
  return 1.0f;
}

void step_spark(SparkParticle& spark, SparkRng& rng, float dt) {
  spark.age += dt;
  spark.y -= spark.rise * dt;
  spark.phase += 1.6f * dt;
  const float f = spark.age / spark.life;
  if (f >= 1.0f) {
    start_life(spark, rng, 470.0f, 60.0f);  // low over the picture
    return;
  }
  spark.alpha = life_envelope(f) * 0.9f;
  spark.draw_x = spark.anchor_x + std::sin(spark.phase) * spark.sway;
  spark.draw_y = spark.y;
}

Color palette_color(uint32_t index) {
  const auto& c = SPARK_PALETTE[index % SPARK_PALETTE.size()];
  return Color::from_rgba8(c[0], c[1], c[2]);
}

// A sharp disc of the spark's colour over a blurred copy of itself, the disc's box offset by the margin.
Pixmap build_spark_sprite(const SparkParticle& spark, float scale) {
  const float s = spark.size;
  const float glow_radius = s * 2.5f * 0.5f;
  const float margin = spark_sprite_margin(s);
  const uint32_t side = std::max<uint32_t>(device_size(2.0f * margin + s, scale), 1);
  Pixmap sprite = Pixmap::make(side, side);
  const Paint paint = solid_paint(palette_color(spark.palette_index));
  const Transform transform = Transform::from_row(scale, 0.0f, 0.0f, scale, margin * scale, margin * scale);
  const auto disc = circle_path(s * 0.5f, s * 0.5f, s * 0.5f);
  if (!disc) return sprite;
  fill_path(sprite, *disc, paint, FillRule::Winding, transform);
  gaussian_blur(sprite, glow_radius * scale);
  fill_path(sprite, *disc, paint, FillRule::Winding, transform);
  return sprite;
}

}  // namespace

SparkRng spark_rng_from_seed(uint64_t seed) {
  return SparkRng{static_cast<uint32_t>(seed), static_cast<uint32_t>(seed >> 32)};
}

uint64_t spark_seed_from_wall_clock(int64_t wall_ns) {
  if (wall_ns < 0) return 7;
  return static_cast<uint64_t>(wall_ns) + 1;
}

float next_spark_random(SparkRng& rng) {
  uint64_t x = rng_word(rng);
  x ^= x << 13;
  x ^= x >> 7;
  x ^= x << 17;
  rng = spark_rng_from_seed(x);
  return static_cast<float>(x >> 40) / 16777216.0f;
}

void seed_sparks(UiState& ui) {
  ui.sparks.clear();
  ui.sparks.reserve(SPARK_COUNT);
  for (size_t i = 0; i < SPARK_COUNT; ++i) {
    SparkParticle spark;
    spark.palette_index = static_cast<uint32_t>(i % SPARK_PALETTE.size());
    spark.size = 1.5f + 2.6f * next_spark_random(ui.spark_rng);
    start_life(spark, ui.spark_rng, 60.0f, 470.0f);  // spread over the whole height at start
    ui.sparks.push_back(std::move(spark));
  }
}

void update_sparks(UiState& ui, float dt) {
  for (SparkParticle& spark : ui.sparks) step_spark(spark, ui.spark_rng, dt);
}

float spark_sprite_margin(float size) { return std::ceil(3.0f * size * 2.5f * 0.5f); }

void build_spark_sprites(UiState& ui) {
  for (SparkParticle& spark : ui.sparks) spark.sprite = build_spark_sprite(spark, ui.scale);
}

}  // namespace qo
