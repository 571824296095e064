#pragma once
// One frame of the window: the clock, the hover fades, the sparks, the background (painted here during the
// intro, by the backdrop worker after it), the element layers and their bands, the canvas, the
// animated picture area (sparks, subtitle pill, rune, logo, countdown) and the dirty rectangles. With the
// settings dialog open the frame is the dialog's instead: snapshot, blurred backdrop and the dialog layer.
#include <cstdint>
#include <vector>

#include "gfx/geometry.h"
#include "ui/ui_state.h"

namespace qo {

// A changed rectangle of the canvas in device pixels, clamped to it.
struct DirtyRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t w = 0;
  int32_t h = 0;

  bool operator==(const DirtyRect&) const = default;
};

// Intro time from which the backdrop worker paints the background.
inline constexpr double WORKER_START_INTRO_SECS = 0.95;
// Shortest interval between two synchronous background repaints.
inline constexpr double BACKGROUND_REPAINT_SECS = 0.2;
// A settled dialog (this long after opening, nothing changing) is not repainted.
inline constexpr double DIALOG_REUSE_SECS = 0.25;

// The three element bands (logical px); the right column's height comes from the layout.
inline constexpr RectF HEADER_BAND{0.0f, 0.0f, 1100.0f, 58.0f};
inline constexpr RectF FOOTER_BAND{18.0f, 540.0f, 1064.0f, 104.0f};
RectF right_column_band(const UiState& ui);

// The header strip repainted every frame: the server dot's pulse, at the status pill's left end.
RectF header_strip(const UiState& ui);

// Paints one frame into the state's canvas and returns what changed.
std::vector<DirtyRect> render_frame(UiState& ui);

// Advances the hover fades by dt (clamped to 0..0.05 s) and sets the band flag of every fade that moved.
void advance_hover_fades(UiState& ui, float dt);

// The device rectangle of a logical one: left and top floored, right and bottom ceiled, clamped to the canvas.
DirtyRect device_rect(const UiState& ui, const RectF& rect);

// The state's frame layers are remade for its current scale (and the worker, whose layers are of the old scale,
// let go) when the scale they were made for is not the state's.
void fit_frame_layers_to_scale(UiState& ui);

}  // namespace qo
