#pragma once
// The window procedure's platform-free half: pointer, wheel and key messages (window pixels, divided by the UI
// scale here) turned into hover, press and release, dialog input and the player's actions; the caption band;
// the cursor; the dialog's closing step; the server-status and progress events. Everything that needs the
// window record (jobs, configuration, release) is the shell's (src/win).
#include <cstdint>
#include <optional>
#include <string>

#include "events/job_progress.h"
#include "platform/window_effects.h"
#include "platform/window_messages.h"
#include "ui/ui_action.h"
#include "ui/ui_state.h"

namespace qo {

// What the shell keeps for the procedure between messages.
struct PointerInput {
    Hover pressed;               // region under the pointer at button-down; kind none between clicks
    bool mouse_tracked = false;  // a leave message is expected
};

// What the procedure needs to know of the window and the deployment.
struct InputContext {
    bool mouse_captured = false;  // the window holds the mouse capture
    std::string news_page_url;    // opened by "ver todas"
};

// What a message asks of the shell besides its changes to the UI state.
struct WindowProcReply {
    std::optional<UiAction> action;  // for the dispatcher
    bool capture_mouse = false;      // a button went down
    bool release_mouse = false;      // a button came up
    bool handled = true;             // false: a message the procedure does not take (the shell's default path)
};

// Whether the logical point drags the window: the header band with the dialog closed, except over the header
// items and the window buttons.
bool is_caption_at(const UiState& ui, float x, float y);

// The pointer shape for the region under the pointer.
PointerShape cursor_for_hover(const UiState& ui);

// Mouse move, button down and up, wheel, mouse leave and key-down messages; any other kind is not handled.
WindowProcReply handle_input_message(UiState& ui, PointerInput& input, const WindowMessage& message,
                                     const InputContext& context);

// Closes the settings dialog: state dropped, hover taken again at the pointer, full redraw asked for.
void close_settings_dialog(UiState& ui);

// The game server's status from the probe: "ONLINE" (online-since set when it was not online) or "OFFLINE", laid
// out again when it changed; the same status again changes nothing.
void apply_server_status(UiState& ui, bool online);

// An update job's progress: status line, detail ("-" when empty), the two bars and the speed text.
void apply_job_progress(UiState& ui, const JobProgress& progress);

}  // namespace qo
