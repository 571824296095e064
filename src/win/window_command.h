#pragma once
// Window-level effects asked for by the dispatcher, the game start and the event drain; the shell runs them in
// order (process_window_commands), so none of their producers touches the window itself.
#include <cstdint>
#include <string>
#include <variant>

#include "platform/message_box.h"

namespace qo {

// The timer armed after the game started: when it fires the launcher closes or offers Play again.
inline constexpr std::uint32_t AFTER_LAUNCH_TIMER_ID = 7;
inline constexpr std::uint32_t AFTER_LAUNCH_TIMER_MS = 15000;

struct MinimizeCommand {
    friend bool operator==(const MinimizeCommand&, const MinimizeCommand&) = default;
};

// Destroys the window; the commands queued after it in the same batch are dropped.
struct CloseCommand {
    friend bool operator==(const CloseCommand&, const CloseCommand&) = default;
};

// A modal message box captioned with the server name.
struct MessageBoxCommand {
    std::string text;
    MessageBoxKind kind = MessageBoxKind::Error;
    friend bool operator==(const MessageBoxCommand&, const MessageBoxCommand&) = default;
};

// Lets go of the single-instance guard, starts the (updated) launcher again and destroys the window; the
// commands after it in the batch are dropped.
struct RestartLauncherCommand {
    friend bool operator==(const RestartLauncherCommand&, const RestartLauncherCommand&) = default;
};

struct ArmAfterLaunchTimerCommand {
    friend bool operator==(const ArmAfterLaunchTimerCommand&, const ArmAfterLaunchTimerCommand&) = default;
};

using WindowCommand = std::variant<MinimizeCommand, CloseCommand, MessageBoxCommand, RestartLauncherCommand,
                                   ArmAfterLaunchTimerCommand>;

}  // namespace qo
