#pragma once
// The launcher window's messages routed to its record: the shell's half of the window procedure (size, paint,
// scale, close and destroy, the after-launch timer, the UI-event wake-up) and the hand-over of pointer and key
// messages to the procedure's input half (ui/window_proc.h), whose actions go to the dispatcher.
#include <string>

#include "platform/window_messages.h"
#include "win/launcher_app.h"

namespace qo {

enum class LoopStep {
    Continue,
    End,  // the window is gone: the loop ends
};

// Handles one message of the record's window, then runs the commands it queued (a paint or the window's end
// runs none). Entry points find the record borrowed only when called from inside another.
LoopStep route_window_message(LauncherApp& app, const WindowMessage& message);

// Whether the window pixel (x, y) drags the window: the procedure's caption band, in logical pixels. Nowhere
// while the record is absent or borrowed.
bool caption_at_pixel(LauncherApp* app, int x, int y);

struct WindowSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const WindowSize&, const WindowSize&) = default;
};

// The window's size in pixels at a scale: the logical size times the scale, rounded up.
WindowSize launcher_window_size(float scale);

// The page "ver todas" opens: the site's news.
std::string news_page_url(const LauncherEnvironment& environment);

}  // namespace qo
