#pragma once
// The frame painter's pieces, shared between its files (frame.cpp, frame_picture.cpp, frame_dialog.cpp).
#include <cstdint>
#include <vector>

#include "ui/frame.h"
#include "ui/ui_state.h"

namespace qo {

// Everything drawn anew over the picture area every frame: sparks, subtitle pill, rune, logo, countdown.
void draw_picture_area(UiState& ui);

// The rune's two turning copies at the state's clock, through the picture area's clip.
void draw_rune(UiState& ui);

// The server dot's pulse inside the header strip.
void draw_header_pulse(UiState& ui);

// The dialog frame: repaints the dialog layer when it changed and shows it over the snapshot and its backdrop;
// nothing (an empty list) while it is settled.
std::vector<DirtyRect> render_dialog_frame(UiState& ui);

// The open dialog's snapshot and backdrop have the canvas's size (a dialog opened at another scale has not).
bool dialog_fits_canvas(const UiState& ui);

// The rectangle covering the whole canvas.
DirtyRect whole_canvas(const UiState& ui);

// Intro ramp: css_ease of (e - delay) / duration clamped to 0..1.
float intro_ramp(double intro_elapsed, double delay, double duration);

// Seconds since the intro started (very negative before it has).
inline double intro_elapsed(const UiState& ui) { return ui.ui_clock - ui.intro_start; }

}  // namespace qo
