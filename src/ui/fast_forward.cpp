#include "ui/fast_forward.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "ui/frame.h"
#include "ui/sparks.h"

namespace qo {
namespace {

constexpr int FAST_FORWARD_STEPS = 60;

// The duration in whole nanoseconds, or nothing when it is negative, NaN or beyond the i64 range.
std::optional<int64_t> duration_ns(float seconds) {
  const double ns = std::round(static_cast<double>(seconds) * 1e9);
  if (!(ns >= 0.0) || ns >= static_cast<double>(std::numeric_limits<int64_t>::max())) return std::nullopt;
  return static_cast<int64_t>(ns);
}

// Moves the clock's origin back; an origin that would pass the i64 range stays where it is.
void move_origin_back(UiState& ui, int64_t ns) {
  if (ui.start_instant_ns < std::numeric_limits<int64_t>::min() + ns) return;
  ui.start_instant_ns -= ns;
}

}  // namespace

bool fast_forward_and_render(UiState& ui, float seconds, const FrameRenderer& render_frame) {
  const auto ns = duration_ns(seconds);
  if (!ns) return false;
  if (ui.intro_start > 1e8) ui.intro_start = ui.ui_clock;
  move_origin_back(ui, *ns);
  for (int i = 0; i < FAST_FORWARD_STEPS; ++i) update_sparks(ui, seconds / FAST_FORWARD_STEPS);

  ui.prev_clock = ui_clock_now(ui);
  if (render_frame) render_frame(ui);

  ui.pointer_decoration_prev.fill(-10.0f);
  ui.force_full_redraw = true;
  if (render_frame) render_frame(ui);
  return true;
}

bool fast_forward_and_render(UiState& ui, float seconds) {
  return fast_forward_and_render(ui, seconds, [](UiState& state) { render_frame(state); });
}

}  // namespace qo
