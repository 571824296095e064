#pragma once
// The pointer over the window: its position, the hovered region and the volume slider drag.
#include <cstdint>
#include <span>

#include "ui/ui_state.h"

namespace qo {

// The volume level under pointer x on the dialog's slider track: round((x - 484.5) / 223 x 10), halves away
// from zero, clamped to 0..10; NaN gives 0.
uint32_t volume_level_at(float x);

// The first main-screen region holding the point (list order), else HIT_NONE.
Hover hit_test_main(std::span<const HitRegion> regions, float x, float y);

// The topmost dialog region holding the point (searched last to first), else HIT_DIALOG_OUTSIDE.
Hover hit_test_dialog(std::span<const HitRegion> regions, float x, float y);

// Whether two hovers name the same thing: the same kind, and for header links, news rows, dialog rows and
// dialog options also the same index.
bool same_hover(const Hover& a, const Hover& b);

// A pointer move to logical (x, y): stores the position, drives a volume drag in progress and updates the
// hovered region. In the dialog a change marks the dialog for repainting; on the main screen nothing is marked
// (it is painted every frame).
void ui_pointer_move(UiState& ui, float x, float y);

}  // namespace qo
