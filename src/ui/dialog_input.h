#pragma once
// The settings dialog's share of the window procedure: presses, releases, the wheel and Escape while the dialog
// is open. Every function here expects the dialog open.
#include <optional>

#include "ui/ui_action.h"
#include "ui/ui_state.h"

namespace qo {

// A button went down on `hit` at logical x. With a value list shown: a chosen option becomes the row's
// selection and the list is hidden whatever was hit. Without one: outside the panel the dialog closes; on the
// volume slider the level jumps to x and a drag begins.
void press_in_dialog(UiState& ui, const Hover& hit, float x);

// The button came up on `hit` after going down on `pressed`. Ends a volume drag; otherwise a click on one control
// (both on it) opens a row's list, closes the dialog, flips a switch or asks for a save.
std::optional<UiAction> release_in_dialog(UiState& ui, const Hover& pressed, const Hover& hit);

// The wheel over a shown value list: three items down for a delta <= 0, three up otherwise, within the list.
void scroll_value_list(UiState& ui, int delta);

// Escape: hides a shown value list, else closes the dialog.
void escape_in_dialog(UiState& ui);

}  // namespace qo
