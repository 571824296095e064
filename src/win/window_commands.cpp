// process_window_commands: the queue of window-level requests from the dispatcher, the game start and the event
// drain, carried out on the window thread between messages.
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "platform/named_mutex.h"
#include "platform/process.h"
#include "win/app_slot.h"
#include "win/window_shell.h"

namespace qo {
namespace {

// Takes the queued commands out of the record, leaving its queue empty; nothing when it cannot be borrowed.
std::vector<WindowCommand> take_queued_commands(LauncherApp& app) {
    const auto borrow = AppBorrow::take(&app);
    if (!borrow) return {};
    return std::exchange((*borrow)->commands, {});
}

// The caption of a message box: the title rule, or the product name when the record is busy at that moment.
std::string message_box_caption(LauncherApp& app) {
    const auto borrow = AppBorrow::take(&app);
    return borrow ? window_title((*borrow)->config) : std::string(FALLBACK_TITLE);
}

// Lets go of the single-instance guard first, so the new copy becomes the owner, then starts it.
void restart_launcher(const LauncherApp& app) {
    release_single_instance_mutex();
    (void)spawn_detached(app.environment.exe, {});
}

enum class BatchEnd { Continue, Drop };

BatchEnd run_command(LauncherApp& app, WindowEffects& window, const WindowCommand& command) {
    return std::visit(
        [&](const auto& c) {
            using C = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<C, MinimizeCommand>) {
                window.minimize();
            } else if constexpr (std::is_same_v<C, CloseCommand>) {
                window.destroy();
                return BatchEnd::Drop;
            } else if constexpr (std::is_same_v<C, MessageBoxCommand>) {
                window.show_message_box(message_box_caption(app), c.text, c.kind);
            } else if constexpr (std::is_same_v<C, RestartLauncherCommand>) {
                restart_launcher(app);
                window.destroy();
                return BatchEnd::Drop;
            } else if constexpr (std::is_same_v<C, ArmAfterLaunchTimerCommand>) {
                window.set_timer(AFTER_LAUNCH_TIMER_ID, AFTER_LAUNCH_TIMER_MS);
            }
            return BatchEnd::Continue;
        },
        command);
}

}  // namespace

void process_window_commands(LauncherApp& app) {
    // Commands may queue more while they run (a box is modal): keep going until the queue stays empty.
    for (;;) {
        const std::vector<WindowCommand> batch = take_queued_commands(app);
        if (batch.empty() || !app.window) return;
        for (const WindowCommand& command : batch) {
            if (run_command(app, *app.window, command) == BatchEnd::Drop) return;
        }
    }
}

}  // namespace qo
