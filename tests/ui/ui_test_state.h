#pragma once
// A window state for the layout and painter tests: the embedded fonts, the built-in icons, fixed clocks.
#include "ui/ui_state.h"

namespace qo::test {

// 2026-12-01 12:00:00 UTC: a fixed wall clock four days before the built-in opening time.
inline constexpr int64_t TEST_WALL_NS = 1'796'126'400'000'000'000;

// The six built-in faces; the Arial slot empty, or holding a stand-in (Urbanist Bold, unmistakable beside
// Manrope) so that the tests never depend on the machine's fonts.
FontSet embedded_font_set(bool with_arial_slot);

// Fonts, icons and fixed clocks, nothing laid out yet.
UiState bare_ui_state(float scale = 1.0f);

// A whole window state as the painters see it (pictures and scaled layers included), with fixed clocks and the
// Arial slot empty, laid out with no content.
UiState painter_ui_state(float scale);

}  // namespace qo::test
