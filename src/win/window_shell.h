#pragma once
// The launcher window's life on the UI thread: creation, the frame-paced message loop, frames and commands.
#include <filesystem>

#include "win/launcher_app.h"

namespace qo {

// Opens the window and runs it until it is closed: 0 after a normal end, 1 when the window could not be created.
int run_main_window(const std::filesystem::path& base_folder, bool skip_self_update,
                    const LauncherEnvironment& environment);

// Lets the canvas paint straight into the window's back buffer where the window allows it, so frames need no
// copy there; a canvas that borrowed a back buffer that may be gone gets memory of its own again.
void paint_into_back_buffer(LauncherApp& app);

// Draws one frame into the back buffer and, once the window was shown, shows its changed rectangles.
void render_and_present(LauncherApp& app);

// Runs and empties the command queue (Close and RestartLauncher drop the rest of their batch).
void process_window_commands(LauncherApp& app);

}  // namespace qo
