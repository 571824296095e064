#pragma once
// The launcher window's whole record: the UI state and what the shell, the dispatcher, the game start and the
// event drain keep beside it. One per process, owned by the UI thread.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/launcher_config.h"
#include "events/active_release.h"
#include "events/ui_event_sender.h"
#include "platform/window_effects.h"
#include "sealed/job_thread.h"
#include "sealed/signature.h"
#include "ui/ui_state.h"
#include "win/window_command.h"

namespace qo {

// Logical window size and the frame interval of the loop.
inline constexpr int LOGICAL_WINDOW_WIDTH = 1100;
inline constexpr int LOGICAL_WINDOW_HEIGHT = 660;
inline constexpr std::int64_t FRAME_INTERVAL_NS = 16'667'000;
inline constexpr const char* WINDOW_CLASS_NAME = "QoTarmishLauncherMain";
// Title and message-box caption when launcher.json names no server.
inline constexpr const char* FALLBACK_TITLE = "QoFenro";

// Where the launcher's servers are and what it trusts: the deployment's values, handed in by start-up (tests
// pass their own).
struct LauncherEnvironment {
    std::string site_base_url;    // https scheme and host, no trailing slash
    std::string update_base_url;  // https scheme and host (and port), no trailing slash
    std::string extra_ca_file;    // a PEM file trusted besides the system store; empty for none
    std::string game_server;      // "host:port" probed for the server status
    ReleaseKey release_key;       // signs releases and the game executable
    std::filesystem::path exe;    // the running launcher (restarted after a self-update)
};

// Starts one update job; the default runs sealed_job_thread on a detached thread.
using UpdateJobStarter = std::function<void(ReleaseUpdateJob job)>;
// Opens a web address; the default hands it to the desktop's browser (open_url).
using UrlOpener = std::function<void(const std::string& url)>;

struct LauncherApp {
    UiState ui;
    UiEventSender event_sender;      // cloned for every background thread
    UiEventReceiver event_receiver;  // drained on each UI wake-up
    std::optional<std::int64_t> last_check_ns{};  // ui.clock's monotonic instant of the last successful update
    std::filesystem::path base_folder{};  // the launcher's folder; Data/Launcher/launcher.json lives under it
    ActiveRelease release{};              // its folder holds Main.exe and is the game's working folder
    std::vector<WindowCommand> commands{};
    LauncherConfig config{};
    std::shared_ptr<std::atomic<bool>> stop_flag = std::make_shared<std::atomic<bool>>(false);
    WindowEffects* window = nullptr;  // set once the window exists
    bool play_enabled = false;
    bool busy = false;                 // an update job runs
    bool launch_after_update = false;  // start the game when the running job ends well
    bool skip_self_update = false;     // the --teste argument
    Hover pressed{};                   // region under the pointer at button-down
    bool mouse_tracked = false;
    bool minimized = false;
    // The back buffer's generation whose memory the canvas paints in, when it borrows it (paint_into_back_buffer).
    std::uint64_t canvas_memory_generation = 0;
    bool present_enabled = false;      // frames reach the screen only once the window was shown
    LauncherEnvironment environment;
    UpdateJobStarter start_job{};      // empty: a detached thread
    UrlOpener open_url{};              // empty: the desktop's browser
    bool borrowed = false;             // an entry point of the shell works on the record (app_slot.h)
};

// The title and message-box caption: ServerName when launcher.json has one (even empty), else "QoFenro".
inline std::string window_title(const LauncherConfig& config) {
    return config.server_name.value_or(FALLBACK_TITLE);
}

}  // namespace qo
