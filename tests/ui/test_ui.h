#pragma once
// A window state for tests: fixed clocks, no picture overrides, no system font.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

#include "ui/assets.h"
#include "ui/sprite_cache.h"
#include "ui/ui_state.h"

namespace qo::test {

// 2026-11-01 00:00:00 UTC.
inline constexpr int64_t FIXED_WALL_NS = 1'793'491'200'000'000'000;
inline constexpr int64_t FIXED_MONOTONIC_NS = 5'000'000'000;

inline UiEnvironment test_ui_environment(const std::filesystem::path& launcher_folder = "/nonexistent-launcher") {
  UiEnvironment environment;
  environment.launcher_folder = launcher_folder;
  environment.clock = UiClockSource::fixed(FIXED_MONOTONIC_NS, FIXED_WALL_NS);
  environment.find_system_font = [] { return std::optional<std::filesystem::path>(); };
  return environment;
}

inline UiState make_test_ui(float scale = 1.0f) { return load_assets_and_init_ui(scale, test_ui_environment()); }

// A state with its fonts and fixed clock but no pictures, layers or sparks: cheap, for tests of the logic that
// never draws.
inline UiState make_bare_test_ui() {
  return UiState(load_font_set(std::nullopt), UiClockSource::fixed(FIXED_MONOTONIC_NS, FIXED_WALL_NS));
}

// Bytes the cache's texts hold, counted from what they hold: keys, pixels and each entry's fixed share.
inline size_t text_bytes_held(const SpriteCache& cache) {
  size_t bytes = 0;
  for (const auto& [key, entry] : cache.texts) {
    bytes += key.size() + SPRITE_ENTRY_OVERHEAD_BYTES;
    for (size_t i = 0; i < entry.count; ++i)
      if (entry.pictures[i].sprite.has_pixels) bytes += size_t{entry.pictures[i].sprite.pixels.width()} *
                                                       entry.pictures[i].sprite.pixels.height() * 4;
  }
  return bytes;
}

// lo <= v < hi, naming the value when it is not.
inline ::testing::AssertionResult in_range(float v, float lo, float hi) {
  if (lo <= v && v < hi) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << v << " is not in [" << lo << ", " << hi << ")";
}

}  // namespace qo::test
