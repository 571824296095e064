#pragma once
// The 22 sparks that rise over the hero picture: their random source, seeding, physics and glow sprites.
#include <array>
#include <cstdint>

#include "ui/ui_state.h"

namespace qo {

// Spark colours (R, G, B), particle i taking colour i mod 3: gold, pale gold, green.
inline constexpr std::array<std::array<uint8_t, 3>, 3> SPARK_PALETTE{{{217, 168, 69}, {242, 210, 138}, {18, 184, 128}}};

// The generator's state for a 64-bit seed.
SparkRng spark_rng_from_seed(uint64_t seed);

// The seed taken from the wall clock at start: nanoseconds since 1970 plus 1 (never 0), or 7 before 1970.
uint64_t spark_seed_from_wall_clock(int64_t wall_ns);

// One draw in [0, 1): x ^= x << 13; x ^= x >> 7; x ^= x << 17; then the top 24 bits of x over 2^24.
float next_spark_random(SparkRng& rng);

// Gives the state SPARK_COUNT fresh particles spread over the picture, drawn from its generator.
void seed_sparks(UiState& ui);

// One physics step of `dt` seconds for every particle: rise, sway, fade in and out, respawn at the end of life.
// A particle that respawns keeps last step's drawn position and opacity until the next step.
void update_sparks(UiState& ui, float dt);

// Margin around a spark's core in its sprite, logical px: ceil(3 x the glow radius), the radius being
// 1.25 x the size.
float spark_sprite_margin(float size);

// (Re)makes every particle's glow sprite at the state's scale.
void build_spark_sprites(UiState& ui);

}  // namespace qo
