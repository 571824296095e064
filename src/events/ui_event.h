#pragma once
// The messages that background threads send to the window thread.
#include <expected>
#include <memory>
#include <string>
#include <variant>

#include "config/launcher_config.h"
#include "events/active_release.h"
#include "events/job_progress.h"

namespace qo {

// Whether the game server accepted a TCP connection at the last probe.
struct ServerStatus {
    bool online = false;
};

// A step of an update flow.
struct Progress {
    JobProgress progress;
};

// The end of an update job: Ok(restart_launcher) or the flow's error text, unchanged. Always the job's last
// event; exactly one per job.
struct JobFinished {
    std::expected<bool, std::string> result;
};

// A freshly downloaded launcher configuration, for the window to merge.
struct RemoteConfig {
    std::unique_ptr<LauncherConfig> config;
};

// The release that became active after a successful update.
struct ClientRelease {
    ActiveRelease release;
};

using UiEvent = std::variant<ServerStatus, Progress, JobFinished, RemoteConfig, ClientRelease>;

}  // namespace qo
