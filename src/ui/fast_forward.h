#pragma once
// Moving the window's clock forward, for the tool modes that capture or time frames without waiting.
#include <functional>

#include "ui/ui_state.h"

namespace qo {

// Paints one frame into the state's canvas (the frame renderer); its dirty rectangles are not needed here.
using FrameRenderer = std::function<void(UiState&)>;

// Starts the intro if it has not started, moves the UI clock's origin back by `seconds`, advances the sparks
// over that time in 60 equal steps and renders twice: once at the new clock, then once more as a forced full
// frame with the pointer decoration forgotten. A negative, NaN or unrepresentable `seconds` is refused: nothing
// changes and the result is false.
bool fast_forward_and_render(UiState& ui, float seconds, const FrameRenderer& render_frame);

// The same with the window's frame painter (render_frame, frame.h).
bool fast_forward_and_render(UiState& ui, float seconds);

}  // namespace qo
