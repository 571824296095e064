#pragma once
// Small stateless painters shared by the main screen, the settings dialog and the frame painter. Coordinates
// are logical pixels of the window; each draws onto the canvas it is given (which maps them through its origin
// and scale).
#include <array>
#include <string_view>

#include "gfx/canvas.h"
#include "gfx/color.h"
#include "gfx/geometry.h"
#include "gfx/icon.h"
#include "ui/sprite_cache.h"

namespace qo {

struct UiState;

// Width of the track every footer progress bar spans, from x 39.
inline constexpr float PROGRESS_TRACK_X = 39.0f;
inline constexpr float PROGRESS_TRACK_WIDTH = 572.0f;

inline constexpr std::string_view SUBTITLE_TEXT = "QO Online Season 6 · servidor brasileiro";
inline constexpr std::array<std::string_view, 4> COUNTDOWN_UNIT_LABELS = {"DIAS", "HORAS", "MINUTOS", "SEGUNDOS"};
inline constexpr float COUNTDOWN_BOX_GAP = 9.0f;

// The countdown block without its digits: four unit boxes from x (box tops at y) with the given widths, their
// labels, and the "Abertura em" caption row centred on x 330 below them; everything at opacity `opacity`.
void draw_countdown(const UiState& ui, Canvas& canvas, float x, float y, float opacity,
                    const std::array<float, 4>& box_widths);

// The rounded pill with the glow-dot image and the subtitle; `width` comes from the layout.
void draw_subtitle_pill(const UiState& ui, Canvas& canvas, float x, float y, float width, float opacity);

// Height of the countdown block: the boxes and the caption row under them.
inline constexpr float COUNTDOWN_BLOCK_HEIGHT = 96.0f;

// Logical rectangles holding every pixel the two painters above can touch (digits in the boxes included), for
// boxes `row_width` wide from x and a pill `width` wide.
RectF countdown_reach(float x, float y, float row_width);
RectF subtitle_pill_reach(float x, float y, float width);

// The eyebrow over a panel title: a short gold bar, then the text in upper case, its top at y.
void draw_section_label(Canvas& canvas, const UiState& ui, float x, float y, float size, std::string_view text);

// A footer progress bar at top y, `height` tall: the track, then the gold fill for `fraction` (clamped to 0..1),
// with a soft glow kept inside the track when `glow` is on (its blur kept in `cache` when one is given).
void draw_progress_bar(Canvas& canvas, bool glow, float y, float height, float fraction, SpriteCache* cache = nullptr);

// A 38 x 21 pill switch, gold when on; the knob's position t runs from 0 (left) to 1 (right).
void draw_toggle_switch(Canvas& canvas, bool on, float x, float y, float knob_position);

// A 34 x 32 button: its box shows only while hovered (`hover` already eased), the icon (10-unit view) always.
// The danger variant is the window's close button (red box, icon brightening to white).
void draw_rounded_button_box(Canvas& canvas, const Icon& icon, float x, float y, float hover, bool danger_variant);

// A filled, anti-aliased circle in the canvas's logical coordinates.
void fill_circle(Canvas& canvas, const Color& color, float cx, float cy, float r);

}  // namespace qo
