#pragma once
// A window state for tests: fixed clocks, no picture overrides, no system font.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

#include "ui/assets.h"
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

// lo <= v < hi, naming the value when it is not.
inline ::testing::AssertionResult in_range(float v, float lo, float hi) {
  if (lo <= v && v < hi) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << v << " is not in [" << lo << ", " << hi << ")";
}

}  // namespace qo::test
