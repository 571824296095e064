// run_main_window: the launcher window's whole life on the window thread — the record, the window, the first
// frame, the background threads, the frame-paced loop and the teardown.
#include "win/window_shell.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <expected>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <variant>

#include "events/remote_config_thread.h"
#include "events/server_status_probe.h"
#include "platform/detached_thread.h"
#include "platform/free_memory.h"
#include "platform/named_mutex.h"
#include "platform/window.h"
#include "ui/assets.h"
#include "ui/layers.h"
#include "ui/sprite_cache.h"
#include "win/action_dispatcher.h"
#include "win/app_slot.h"
#include "win/frame_pacer.h"
#include "win/idle_rule.h"
#include "win/launcher_record.h"
#include "win/launcher_window.h"

namespace qo {
namespace {

// Scales closer than this are the same.
constexpr double SAME_SCALE = 0.001;
// How long a running update job is given, once the window is gone, to see the stop flag and end.
constexpr std::chrono::milliseconds JOB_END_GRACE{2000};

std::int64_t monotonic_now_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::chrono::steady_clock::time_point monotonic_instant(std::int64_t ns) {
    return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(ns));
}

WindowIcon crest_icon(const Pixmap& crest) {
    return WindowIcon{crest.pixels().data(), static_cast<int>(crest.width()), static_cast<int>(crest.height())};
}

std::expected<std::unique_ptr<SdlWindow>, std::string> open_window(LauncherApp& app) {
    LauncherApp* record = &app;
    const Pixmap crest = decode_window_icon_picture(app.ui.images.crest_file);  // the window keeps its own copy
    return SdlWindow::create(WindowSpec{
        .title = window_title(app.config),
        .class_name = WINDOW_CLASS_NAME,
        .width = launcher_window_size(app.ui.scale).width,
        .height = launcher_window_size(app.ui.scale).height,
        .icon = crest_icon(crest),
        .draggable = [record](int x, int y) { return caption_at_pixel(record, x, y); },
    });
}

// The window's own display may have another scale than the one the state was built at: the layers are made
// again and the window resized (and centred again) before anything is drawn.
void fit_to_window_scale(LauncherApp& app, SdlWindow& window) {
    const double scale = window.scale();
    if (std::abs(scale - static_cast<double>(app.ui.scale)) <= SAME_SCALE) return;
    rebuild_scaled_layers(app.ui, static_cast<float>(scale));
    const WindowSize size = launcher_window_size(app.ui.scale);
    window.set_size(size.width, size.height);
}

// The probe of the game server and the fetch of the remote configuration, each on its own detached thread.
void start_reporting_threads(const LauncherApp& app) {
    spawn_detached_thread([probe = ServerStatusProbe{.sender = app.event_sender,
                                                     .game_server = app.environment.game_server,
                                                     .stop = app.stop_flag}]() mutable {
        server_status_probe(std::move(probe));
    });
    spawn_detached_thread([fetch = RemoteConfigFetch{.sender = app.event_sender,
                                                     .update_base_url = app.environment.update_base_url,
                                                     .extra_ca_file = app.environment.extra_ca_file}]() mutable {
        fetch_remote_config(std::move(fetch));
    });
}

// The first frame goes into the back buffer while the window is still hidden; showing it brings the paint that
// puts it on screen. From then on frames are presented as they are drawn, and the opening animations start from
// the clock of that first frame.
void show_first_frame(LauncherApp& app, SdlWindow& window) {
    render_and_present(app);
    window.show();
    window.raise();
    const auto borrow = AppBorrow::take(&app);
    app.present_enabled = true;
    if (app.ui.intro_start > 1e8) app.ui.intro_start = app.ui.ui_clock;
    start_reporting_threads(app);
    start_update_job(app);
}

// Messages are routed as they come. While something on screen moves, a frame is drawn once per interval and the
// loop waits for the next deadline or message; while nothing can move it waits for a message alone.
// Freed memory goes back to the system after the moments that leave the most of it behind: the opening (the
// pictures decoded at full size, the backdrops painted on this thread until the worker takes over), the settings
// dialog's opening (the blur of its backdrop) and its close (its snapshot, blurred backdrop and layer, each the
// canvas's size), and the end of an update job (what its threads freed: transfer buffers, TLS contexts), once the
// frame that shows its outcome has repainted the footer. After the opening, the dialog's close and a job's end the
// cached shadows are packed as well: the dialog's two large ones are not drawn again until it opens again (14 of
// 15 MB at scale 2 saved), and the play button's until its band is repainted.
class MemorySettler {
 public:
    void after_frame(const LauncherApp& app) {
        const UiState& ui = app.ui;
        const bool worker_started = !worker_seen_ && ui.backdrop.has_value();
        const bool dialog_changed = dialog_seen_ != ui.dialog.has_value();
        const bool dialog_closed = dialog_seen_ && !ui.dialog.has_value();
        const bool job_ended = job_seen_ && !app.busy;
        worker_seen_ = worker_seen_ || worker_started;
        dialog_seen_ = ui.dialog.has_value();
        job_seen_ = app.busy;
        if (worker_started || dialog_closed || job_ended) pack_sprite_shadows(ui.sprites);
        if (worker_started || dialog_changed || job_ended) return_free_memory_to_system();
    }

 private:
    bool worker_seen_ = false;
    bool dialog_seen_ = false;
    bool job_seen_ = false;
};

void run_message_loop(LauncherApp& app, SdlWindow& window) {
    FramePacer pacer(FRAME_INTERVAL_NS, monotonic_now_ns());
    MemorySettler settler;
    for (;;) {
        while (const auto message = window.poll_message()) {
            if (route_window_message(app, *message) == LoopStep::End) return;
        }
        // A box that was closed lets the window take input again, and the next box asked for comes up. While
        // one is up the loop keeps looking, also where it would otherwise wait for input alone.
        const bool box_up = window.message_box_up();
        if (!box_up && waits_for_input(&app)) {
            if (route_window_message(app, window.wait_message()) == LoopStep::End) return;
            pacer.restart(monotonic_now_ns());
            continue;
        }
        if (pacer.frame_due(monotonic_now_ns())) {
            render_and_present(app);
            pacer.frame_drawn(monotonic_now_ns());
            settler.after_frame(app);
        }
        if (const auto message = window.wait_message_until(monotonic_instant(pacer.deadline_ns()))) {
            if (route_window_message(app, *message) == LoopStep::End) return;
        }
    }
}

// An update job that still runs when the window has gone sees the stop flag at its next step: it removes its
// partial downloads, lets go of the update lock and sends its end. Waiting for that end (for a short while at
// most) keeps the process from ending under its workers in the middle of a transfer.
void let_update_job_end(LauncherApp& app) {
    const auto deadline = std::chrono::steady_clock::now() + JOB_END_GRACE;
    while (app.busy && std::chrono::steady_clock::now() < deadline) {
        while (const auto event = app.event_receiver.try_receive()) {
            if (std::holds_alternative<JobFinished>(*event)) app.busy = false;
        }
        if (app.busy) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace

int run_main_window(const std::filesystem::path& base_folder, bool skip_self_update,
                    const LauncherEnvironment& environment) {
    const float start_scale = static_cast<float>(start_display_scale());
    UiEnvironment ui_environment;
    ui_environment.launcher_folder = base_folder;
    // The record is built on a thread of its own while SDL connects to the display on this one, which makes every
    // video call. Nothing here touches the record before the thread hands it over. SDL's timers are already up
    // (see SdlTimersFirst), so starting its video forks nothing while that thread runs.
    std::future<std::unique_ptr<LauncherApp>> building = std::async(std::launch::async, [&] {
        return make_launcher_app(load_assets_and_init_ui(start_scale, ui_environment), base_folder, skip_self_update,
                                 environment);
    });
    const VideoStart video;
    std::unique_ptr<LauncherApp> app = building.get();

    auto created = open_window(*app);
    if (!created) {
        std::fprintf(stderr, "%s\n", created.error().c_str());
        return 1;
    }
    std::unique_ptr<SdlWindow> window = std::move(*created);
    app->window = window.get();
    app->event_sender.window = window->wake_target();
    fit_to_window_scale(*app, *window);

    show_first_frame(*app, *window);
    process_window_commands(*app);
    run_message_loop(*app, *window);

    // The window is gone, and the single-instance guard with it: a start from now on opens a window of its own
    // while this process still gives its update job time to end.
    release_single_instance_mutex();

    // The record goes first: its event channel closes, so background threads stop waking the window, and the
    // backdrop worker is joined. The probe ends on the stop flag and the remote fetch with the process.
    window->set_draggable_test({});
    let_update_job_end(*app);
    app.reset();
    window.reset();
    return 0;
}

}  // namespace qo
