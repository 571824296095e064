#pragma once
// What the window does with the background threads' events and with the after-launch timer.
#include "events/ui_event.h"
#include "win/launcher_app.h"

namespace qo {

// Takes every queued event off the channel, in arrival order, without waiting.
void drain_ui_events(LauncherApp& app);

// One event: server status, job progress, the job's end, a remote configuration, a new active release.
void handle_ui_event(LauncherApp& app, UiEvent event);

// The after-launch timer fired (the caller has killed it): close when configured so, else offer Play again.
void handle_after_launch_timer(LauncherApp& app);

}  // namespace qo
