#pragma once
// When the loop stops drawing and blocks until a message arrives.
#include "win/launcher_app.h"

namespace qo {

// A settled dialog has been open this long (UI clock seconds), besides being clean and its switches at rest.
inline constexpr double DIALOG_SETTLE_SECS = 0.3;

// True when nothing on screen can change without a message: the record is absent or borrowed, the window is
// minimised (the window's or the UI's flag), or the settings dialog is open and settled. The main screen itself
// animates all the time, so with the dialog closed the loop keeps drawing.
bool waits_for_input(LauncherApp* app);

}  // namespace qo
