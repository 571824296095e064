#pragma once
// Keeping the interactive launcher to one instance per machine.
#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

#include "config/endpoints.h"

namespace qo {

inline constexpr std::string_view SINGLE_INSTANCE_MUTEX = "Global\\QoOnline.Launcher";
// How long a launcher restarted by a self-update waits for the old process to let go.
inline constexpr std::chrono::milliseconds RESTART_WAIT{20000};

enum class InstanceRole {
    Owner,           // this process is the launcher (possibly without a guard, when the mutex failed)
    SecondInstance,  // another launcher runs: bring it forward and leave
};

// Creates the single-instance mutex, owned. When another process holds it and `old_executable` exists (a
// self-update is restarting the launcher while the old process ends), waits up to `restart_wait` for it.
// An owned mutex is put into the process-wide slot.
InstanceRole claim_single_instance(const std::filesystem::path& old_executable,
                                   std::chrono::milliseconds restart_wait = RESTART_WAIT);

// Finds the running launcher's window (by class, then by the configured title), restores it and brings it to
// the front. Nothing happens when no window is found.
void activate_running_instance(const std::filesystem::path& game_dir, const Endpoints& endpoints);

}  // namespace qo
