#pragma once
// A launcher record for tests of the shell, the dispatcher, the game start and the event drain: fixed clocks,
// the test release key, a game folder of the test's own and a window that records what it was asked to do.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "support/test_keys.h"
#include "ui/test_ui.h"
#include "win/launcher_app.h"

namespace qo::test {

// Records every request as a short text ("minimize", "timer 7 15000", "message error <text>", ...).
class RecordingWindow final : public WindowEffects {
public:
    std::vector<std::string> calls;

    void draw_to_back_buffer(PixelSource, std::span<const PixelRect> rects) override {
        calls.push_back("draw " + std::to_string(rects.size()));
    }
    void present(std::span<const PixelRect> rects) override { calls.push_back("present " + std::to_string(rects.size())); }
    void repaint() override { calls.push_back("repaint"); }
    void set_title(std::string_view title) override { calls.push_back("title " + std::string(title)); }
    void set_size(int width, int height) override {
        calls.push_back("size " + std::to_string(width) + "x" + std::to_string(height));
    }
    void minimize() override { calls.push_back("minimize"); }
    void destroy() override { calls.push_back("destroy"); }
    void set_cursor(PointerShape shape) override {
        calls.push_back(shape == PointerShape::Hand ? "cursor hand" : "cursor arrow");
    }
    void capture_mouse() override {
        captured = true;
        calls.push_back("capture");
    }
    void release_mouse() override {
        captured = false;
        calls.push_back("release");
    }
    bool mouse_captured() const override { return captured; }
    void set_timer(std::uint32_t id, std::uint32_t interval_ms) override {
        calls.push_back("timer " + std::to_string(id) + " " + std::to_string(interval_ms));
    }
    void kill_timer(std::uint32_t id) override { calls.push_back("kill timer " + std::to_string(id)); }
    void show_message_box(std::string_view caption, std::string_view text, MessageBoxKind kind) override {
        calls.push_back(std::string("message ") + (kind == MessageBoxKind::Error ? "error " : "info ") +
                        std::string(caption) + ": " + std::string(text));
        if (while_message_box_shows) while_message_box_shows();
    }
    bool message_box_up() override { return box_up; }

    bool captured = false;
    bool box_up = false;  // a box the test holds up
    // Runs while a (modal) message box is up, as a handler served meanwhile would.
    std::function<void()> while_message_box_shows;
};

// Servers nobody listens on (127.0.0.1, port 9): tests that need a real one pass their own environment.
inline LauncherEnvironment unreachable_test_environment() {
    return LauncherEnvironment{.site_base_url = "https://127.0.0.1:9",
                               .update_base_url = "https://127.0.0.1:9",
                               .extra_ca_file = {},
                               .game_server = "127.0.0.1:9",
                               .release_key = test_release_key(),
                               .exe = "/nonexistent/QoTarmish"};
}

// A record over `base_folder` (also the release folder) with a bare UI state (fonts and fixed clocks only:
// nothing drawn), its own event channel and `window` as its window. Jobs are recorded in `started_jobs`
// instead of run, and pages in `opened_urls`,
// unless the test sets `app->start_job` or `app->open_url` itself.
struct TestApp {
    std::unique_ptr<LauncherApp> app;
    std::shared_ptr<std::vector<ReleaseUpdateJob>> started_jobs =
        std::make_shared<std::vector<ReleaseUpdateJob>>();
    std::shared_ptr<std::vector<std::string>> opened_urls = std::make_shared<std::vector<std::string>>();
};

inline TestApp make_test_app(const std::filesystem::path& base_folder, WindowEffects* window,
                             LauncherEnvironment environment = unreachable_test_environment()) {
    UiEventChannel channel = make_ui_event_channel();
    TestApp result;
    result.app = std::make_unique<LauncherApp>(LauncherApp{.ui = make_bare_test_ui(),
                                                           .event_sender = channel.sender,
                                                           .event_receiver = std::move(channel.receiver),
                                                           .last_check_ns = {},
                                                           .base_folder = base_folder,
                                                           .release = ActiveRelease{base_folder},
                                                           .commands = {},
                                                           .config = {},
                                                           .window = window,
                                                           .pressed = {},
                                                           .environment = std::move(environment),
                                                           .start_job = {},
                                                           .open_url = {}});
    result.app->start_job = [jobs = result.started_jobs](ReleaseUpdateJob job) {
        jobs->push_back(std::move(job));
    };
    result.app->open_url = [urls = result.opened_urls](const std::string& url) { urls->push_back(url); };
    return result;
}

}  // namespace qo::test
