// The launcher window end to end: the real executable on a private X server (Xvfb), against the HTTPS test server
// and a signed test release whose game only records how it was started. Input goes through xdotool (real XTEST
// events), pictures come from xwd, and where only a window manager gives the visible effect (moving the window by
// its header band, iconifying and restoring it) a small one (openbox) runs on the display.
//
// Each case starts its own X server, so that a window manager or X resources never outlive it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "gfx/image_codec.h"
#include "main/tool_render_sample.h"
#include "platform/instance_window.h"
#include "sealed/asset_index.h"
#include "settings/game_options.h"
#include "support/child_process.h"
#include "support/https_server.h"
#include "support/release_builder.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/test_keys.h"
#include "support/virtual_display.h"
#include "support/window_manager.h"
#include "support/x_screenshot.h"
#include "ui/fast_forward.h"
#include "ui/settings_dialog.h"

// X11 defines macros (None, Bool, Status) that must come after the test framework.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace qo {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kScreen = "2400x1400x24";  // room for the window at scale 2
constexpr int kIconicState = 3;                  // WM_STATE values
constexpr int kNormalState = 1;

// A window that has gone (the launcher ended) must fail an expectation, not end the test process.
int ignore_x_error(Display*, XErrorEvent*) { return 0; }

// A point in the window's logical pixels.
struct Point {
    float x = 0;
    float y = 0;
};

Point centre_of(const std::vector<HitRegion>& regions, HitKind kind, std::uint32_t index = 0) {
    for (const HitRegion& r : regions) {
        if (r.kind == kind && r.index == index) return {(r.x0 + r.x1) / 2, (r.y0 + r.y1) / 2};
    }
    ADD_FAILURE() << "no hit region of kind " << kind << " and index " << index;
    return {};
}

// Where the controls the tests click are, taken from the launcher's own layout and dialog code.
struct Controls {
    Point play, settings, close, minimize;
    Point fps_row, fps_144, sound_switch, save;
    Point header_band{550, 52};  // below the links and window buttons, above the panels: only the band is there
};

Controls controls_from_layout(const fs::path& game_folder) {
    UiState ui = make_tool_ui(1.0f, game_folder);
    fast_forward_and_render(ui, 3.0f);
    Controls c;
    c.play = centre_of(ui.hit_regions, HIT_PLAY);
    c.settings = centre_of(ui.hit_regions, HIT_SETTINGS_BUTTON);
    c.close = centre_of(ui.hit_regions, HIT_CLOSE);
    c.minimize = centre_of(ui.hit_regions, HIT_MINIMIZE);
    // The dialog as the window opens it for a game of stock options, with the frame-limit list shown.
    open_settings_dialog(ui, settings_dialog_model(GameOptions{}, {}));
    SettingsDialogState& dialog = *ui.dialog;
    c.fps_row = centre_of(settings_dialog_hit_regions(dialog), HIT_DIALOG_ROW, 2);
    c.sound_switch = centre_of(settings_dialog_hit_regions(dialog), HIT_SOUND_SWITCH);
    c.save = centre_of(settings_dialog_hit_regions(dialog), HIT_DIALOG_SAVE);
    dialog.list_open = true;
    dialog.open_row = 2;
    dialog.scroll = dialog_list_placement(dialog, 2).scroll;
    c.fps_144 = centre_of(settings_dialog_hit_regions(dialog), HIT_DIALOG_OPTION, 3);
    return c;
}

// A rectangle in logical pixels.
struct Area {
    const char* name;
    int x, y, w, h;
};

// Parts of the main screen that neither the update's progress, the countdown, the Play caption nor the opening
// animations change once they have run: the brand, the header links, the news and information panels, the
// windowed toggle with the settings button.
constexpr Area kStaticAreas[] = {
    {"brand", 15, 8, 140, 42},
    {"header links", 305, 12, 450, 34},
    {"news panel", 680, 70, 400, 222},
    {"information panel", 680, 305, 400, 195},
    {"windowed toggle and settings button", 630, 555, 180, 75},
};
// Where the settings dialog's panel lies over the main screen.
constexpr Area kDialogPanel{"dialog panel", 320, 80, 460, 500};

// A screenshot as an opaque pixmap.
Pixmap screenshot_pixmap(const test::Screenshot& shot) {
    Pixmap picture = Pixmap::make(static_cast<std::uint32_t>(shot.width), static_cast<std::uint32_t>(shot.height));
    for (std::size_t i = 0; i < shot.rgb.size(); ++i) picture.pixels()[i] = 0xFF000000u | shot.rgb[i];
    return picture;
}

// Mean absolute difference per channel (0..255) between a screenshot and a picture over an area at `scale`.
double mean_difference(const test::Screenshot& shot, const Pixmap& picture, const Area& area, double scale) {
    const int x0 = static_cast<int>(area.x * scale), y0 = static_cast<int>(area.y * scale);
    const int x1 = std::min<int>({static_cast<int>((area.x + area.w) * scale), shot.width,
                                  static_cast<int>(picture.width())});
    const int y1 = std::min<int>({static_cast<int>((area.y + area.h) * scale), shot.height,
                                  static_cast<int>(picture.height())});
    double sum = 0;
    long count = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const std::uint32_t a = shot.at(x, y);
            const std::uint32_t b = picture.pixel(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
            for (int shift : {0, 8, 16}) {
                sum += std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
            }
            count += 3;
        }
    }
    return count ? sum / static_cast<double>(count) : 255.0;
}

class LauncherEndToEndXvfb : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"/usr/bin/Xvfb", "/usr/bin/xdotool", "/usr/bin/xwd"}) {
            if (!fs::exists(tool)) GTEST_SKIP() << tool << " is not installed (scripts/setup-deps)";
        }
        auto files = test::sample_client("window");
        // The game only writes down its working folder and its arguments, one per line.
        test::set_client_file(files, "Main.exe",
                              "#!/bin/sh\n{ pwd; printf '%s\\n' \"$@\"; } > '" + game_record_.string() + ".tmp'\n"
                              "mv '" + game_record_.string() + ".tmp' '" + game_record_.string() + "'\n");
        release_ = test::build_test_release(files);
        test::publish_test_release(release_, server_files_.path());
        server_.serve_folder("/client", server_files_ / "client");
        server_.set_status("/launcher.json", 404);
        fs::copy_file(QO_DEV_EXE, exe_);
        fs::create_directories(runtime_);
        fs::create_directories(config_home_);
    }

    void TearDown() override { close_display(); }

    // Ends the launchers, then the window manager and the X server.
    void close_display() {
        launchers_.clear();
        window_manager_.reset();
        if (x_) XCloseDisplay(x_);
        x_ = nullptr;
        display_env_.reset();
        display_.reset();
    }

    // A private X server (with X resources and a window manager when asked), this test's DISPLAY from now on.
    void open_display(const std::string& resources = {}, bool with_window_manager = false) {
        display_ = std::make_unique<test::VirtualDisplay>(kScreen);
        if (!display_->running()) GTEST_SKIP() << "Xvfb did not start";
        display_env_.emplace("DISPLAY", display_->name());
        x_ = XOpenDisplay(display_->name().c_str());
        ASSERT_NE(x_, nullptr);
        XSetErrorHandler(ignore_x_error);
        if (!resources.empty()) {
            XChangeProperty(x_, DefaultRootWindow(x_), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(resources.data()),
                            static_cast<int>(resources.size()));
            XSync(x_, False);
        }
        if (with_window_manager) {
            window_manager_ = std::make_unique<test::WindowManager>(display_->name());
            if (!window_manager_->running()) GTEST_SKIP() << "openbox is not installed (scripts/setup-deps)";
        }
    }

    test::ChildOptions launcher_options(std::vector<std::string> arguments) {
        test::ChildOptions options;
        options.arguments = std::move(arguments);
        // The game server probe reaches the test server's port, so the server shows as online.
        options.set_env = {{"DISPLAY", display_->name()},
                           {"SDL_VIDEODRIVER", "x11"},
                           {"XDG_RUNTIME_DIR", runtime_.string()},
                           {"XDG_CONFIG_HOME", config_home_.string()},
                           {"QO_DEV_UPDATE_URL", server_.base_url()},
                           {"QO_DEV_SITE_URL", server_.base_url()},
                           {"QO_DEV_CA_FILE", test::HttpsServer::ca_file().string()},
                           {"QO_DEV_RELEASE_KEY", test::test_public_key_blob_path().string()},
                           {"QO_DEV_GAME_SERVER", "127.0.0.1:" + std::to_string(server_.port())}};
        options.unset_env = {"WAYLAND_DISPLAY"};
        options.working_folder = game_.path();
        options.output_file = scratch_ / ("launcher-" + std::to_string(launchers_.size()) + ".txt");
        return options;
    }

    // Starts a launcher copy (skipping its own update, as "--teste" asks); it ends with the test at the latest.
    test::ChildProcess& start_launcher(std::vector<std::string> arguments = {"--teste"}) {
        launchers_.push_back(std::make_unique<test::ChildProcess>(exe_, launcher_options(std::move(arguments))));
        EXPECT_TRUE(launchers_.back()->started());
        return *launchers_.back();
    }

    std::string launcher_output(std::size_t which) const {
        return test::read_file(scratch_ / ("launcher-" + std::to_string(which) + ".txt"));
    }

    // The launcher's window once it is on screen (mapped and viewable).
    std::optional<Window> wait_for_window(std::chrono::milliseconds timeout = 20s) {
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline) {
            if (const auto found = find_window_by_class("QoTarmishLauncherMain")) {
                XWindowAttributes attributes{};
                if (XGetWindowAttributes(x_, found->id, &attributes) && attributes.map_state == IsViewable) {
                    return static_cast<Window>(found->id);
                }
            }
            std::this_thread::sleep_for(20ms);
        }
        ADD_FAILURE() << "the launcher window did not appear; " << launcher_state(launchers_.size() - 1)
                      << "; its output: " << launcher_output(launchers_.size() - 1);
        return std::nullopt;
    }

    // How a launcher copy stands: its exit code (a signal counts as minus its number), or, while it still runs,
    // where each of its threads is (through gdb where it is installed), so that a hang can be told from a crash.
    std::string launcher_state(std::size_t which) {
        if (which >= launchers_.size()) return "no launcher was started";
        test::ChildProcess& launcher = *launchers_[which];
        if (const auto code = launcher.wait_for_exit(0ms)) return "it ended with " + std::to_string(*code);
        if (!fs::exists("/usr/bin/gdb")) return "it still runs";
        const fs::path stacks = scratch_ / "launcher-stacks.txt";
        test::ChildOptions options;
        options.arguments = {"-p", std::to_string(launcher.pid()), "-batch", "-ex", "thread apply all bt 30"};
        options.output_file = stacks;
        test::ChildProcess gdb("/usr/bin/gdb", options);
        gdb.wait_for_exit(60s);
        return "it still runs, its threads:\n" + test::read_file(stacks);
    }

    // Polls `condition` every 20 ms until it holds or the time-out passes.
    template <typename Condition>
    bool eventually(Condition condition, std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        while (!condition()) {
            if (Clock::now() >= deadline) return false;
            std::this_thread::sleep_for(20ms);
        }
        return true;
    }

    std::pair<int, int> origin(Window window) const {
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(x_, window, DefaultRootWindow(x_), 0, 0, &x, &y, &child);
        return {x, y};
    }
    std::pair<int, int> size(Window window) const {
        XWindowAttributes attributes{};
        XGetWindowAttributes(x_, window, &attributes);
        return {attributes.width, attributes.height};
    }
    // The window manager's WM_STATE for the window (1 normal, 3 iconic); 0 when it has set none.
    int wm_state(Window window) const {
        const Atom state = XInternAtom(x_, "WM_STATE", False);
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;
        int value = 0;
        if (XGetWindowProperty(x_, window, state, 0, 2, False, state, &type, &format, &count, &remaining, &data) ==
                Success &&
            data && format == 32 && count >= 1) {
            value = static_cast<int>(reinterpret_cast<const long*>(data)[0]);
        }
        if (data) XFree(data);
        return value;
    }

    void xdotool(std::vector<std::string> arguments) {
        test::ChildOptions options;
        options.arguments = std::move(arguments);
        options.set_env = {{"DISPLAY", display_->name()}};
        options.output_file = scratch_ / "xdotool.txt";
        test::ChildProcess child("/usr/bin/xdotool", options);
        ASSERT_EQ(child.wait_for_exit(20s), 0) << test::read_file(options.output_file);
    }
    std::string screen_x(Window window, float x, double scale = 1) const {
        return std::to_string(origin(window).first + static_cast<int>(std::lround(x * scale)));
    }
    std::string screen_y(Window window, float y, double scale = 1) const {
        return std::to_string(origin(window).second + static_cast<int>(std::lround(y * scale)));
    }
    void click(Window window, Point at) {
        xdotool({"mousemove", screen_x(window, at.x), screen_y(window, at.y), "click", "1"});
    }

    // The headless picture of the main screen (with the settings dialog when `dialog`) at `scale`.
    std::optional<Pixmap> capture(bool dialog, double scale = 1) {
        const fs::path png = scratch_ / (dialog ? "capture-cfg.png" : "capture.png");
        std::vector<std::string> arguments{"--captura", png.string()};
        if (dialog) arguments.push_back("cfg");
        if (scale != 1) arguments.insert(arguments.end(), {"--escala", std::to_string(scale)});
        test::ChildOptions options = launcher_options(std::move(arguments));
        options.output_file = scratch_ / "capture.txt";
        test::ChildProcess child(exe_, options);
        if (child.wait_for_exit(60s) != 0) return std::nullopt;
        const std::string bytes = test::read_file(png);
        return decode_png(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    }

    std::optional<test::Screenshot> screenshot(Window window) {
        return test::capture_window(display_->name(), window, scratch_.path());
    }

    // Whether the window looks nearer to `a` than to `b` over an area.
    bool nearer(Window window, const Pixmap& a, const Pixmap& b, const Area& area) {
        const auto shot = screenshot(window);
        return shot && mean_difference(*shot, a, area, 1) < mean_difference(*shot, b, area, 1);
    }

    // Whether an area has stopped changing: two screenshots a tenth of a second apart agree over it. The
    // dialog's opening animation moves what a click lands on, so clicks into it wait for this.
    bool still(Window window, const Area& area) {
        const auto first = screenshot(window);
        std::this_thread::sleep_for(100ms);
        const auto second = screenshot(window);
        return first && second && mean_difference(*second, screenshot_pixmap(*first), area, 1) < 0.5;
    }

    // With QO_TEST_PICTURES naming a folder, the screenshot is kept there as a PNG to look at.
    static void keep_picture(const std::string& name, const test::Screenshot& shot) {
        const char* folder = std::getenv("QO_TEST_PICTURES");
        if (!folder || !*folder) return;
        if (const auto png = encode_png(screenshot_pixmap(shot))) {
            test::write_file(fs::path(folder) / (name + ".png"), std::string(png->begin(), png->end()));
        }
    }

    fs::path release_folder() const { return game_ / "Versions" / release_.release_id; }

    // A viewable window that names `owner` as the one it is transient for (looked for through the whole tree,
    // since a window manager puts each top-level window into a frame of its own).
    std::optional<Window> transient_for(Window owner, Window under = 0) {
        if (under == 0) under = DefaultRootWindow(x_);
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(x_, under, &root, &parent, &children, &count)) return std::nullopt;
        std::optional<Window> found;
        for (unsigned int i = 0; i < count && !found; ++i) {
            Window for_window = 0;
            XWindowAttributes attributes{};
            if (XGetTransientForHint(x_, children[i], &for_window) && for_window == owner &&
                XGetWindowAttributes(x_, children[i], &attributes) && attributes.map_state == IsViewable) {
                found = children[i];
            } else {
                found = transient_for(owner, children[i]);
            }
        }
        if (children) XFree(children);
        return found;
    }

    // The window manager's stacking order of its client windows, bottom first.
    std::vector<Window> stacking() const {
        const Atom list = XInternAtom(x_, "_NET_CLIENT_LIST_STACKING", False);
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;
        std::vector<Window> windows;
        if (XGetWindowProperty(x_, DefaultRootWindow(x_), list, 0, 1024, False, XA_WINDOW, &type, &format, &count,
                               &remaining, &data) == Success &&
            data && format == 32) {
            const auto* ids = reinterpret_cast<const unsigned long*>(data);
            windows.assign(ids, ids + count);
        }
        if (data) XFree(data);
        return windows;
    }
    bool above(Window upper, Window lower) const {
        const std::vector<Window> order = stacking();
        const auto u = std::ranges::find(order, upper), l = std::ranges::find(order, lower);
        return u != order.end() && l != order.end() && u > l;
    }

    // Clicks Play until a message box comes up for the window (a Play that cannot start the game shows one).
    std::optional<Window> play_until_a_box_shows(Window window, const Controls& controls) {
        std::optional<Window> box;
        eventually(
            [&] {
                if ((box = transient_for(window))) return true;
                click(window, controls.play);
                return (box = transient_for(window)).has_value();
            },
            20s);
        return box;
    }

    // Clicks Play until the game has recorded its start (Play is armed only once the update has finished).
    bool play_until_the_game_starts(Window window, const Controls& controls) {
        return eventually(
            [&] {
                if (fs::exists(game_record_)) return true;
                click(window, controls.play);
                return fs::exists(game_record_);
            },
            30s);
    }

    test::TempDir game_;
    test::TempDir server_files_;
    test::TempDir scratch_;
    test::HttpsServer server_;
    test::PublishedRelease release_;
    fs::path exe_ = game_ / "QoTarmish-dev";
    fs::path game_record_ = scratch_ / "game-started.txt";
    fs::path runtime_ = scratch_ / "run";
    fs::path config_home_ = scratch_ / "config";
    // This process reads the game's stores where the launcher writes them.
    test::ScopedEnv config_env_{"XDG_CONFIG_HOME", (scratch_ / "config").string()};
    std::unique_ptr<test::VirtualDisplay> display_;
    std::optional<test::ScopedEnv> display_env_;
    std::unique_ptr<test::WindowManager> window_manager_;
    Display* x_ = nullptr;
    std::vector<std::unique_ptr<test::ChildProcess>> launchers_;
};

TEST_F(LauncherEndToEndXvfb, UpdatesOnItsOwnPlayStartsTheGameSecondStartRestoresCloseBoxEnds) {
    ASSERT_NO_FATAL_FAILURE(open_display({}, true));
    if (IsSkipped()) return;
    const Controls controls = controls_from_layout(game_.path());
    test::ChildProcess& launcher = start_launcher();
    const auto window = wait_for_window();
    ASSERT_TRUE(window);
    EXPECT_EQ(size(*window), (std::pair{1100, 660}));

    // The update runs without any input: the release is installed and made active.
    EXPECT_TRUE(eventually([&] { return test::read_file(game_ / "active-release") == release_.release_id; }, 30s))
        << launcher_output(0);
    EXPECT_FALSE(server_.requests_to("/client/current.kxm").empty());

    // Play starts the game from the release folder with "-launcher", and the window goes to the task bar.
    ASSERT_TRUE(play_until_the_game_starts(*window, controls)) << launcher_output(0);
    EXPECT_EQ(test::read_file(game_record_), fs::canonical(release_folder()).string() + "\n-launcher\n");
    EXPECT_TRUE(eventually([&] { return wm_state(*window) == kIconicState; }, 5s)) << "state " << wm_state(*window);

    // A second start leaves at once with code 0 and brings the first window back.
    test::ChildProcess& second = start_launcher({});
    EXPECT_EQ(second.wait_for_exit(20s), 0) << launcher_output(1);
    EXPECT_TRUE(eventually([&] { return wm_state(*window) == kNormalState; }, 5s)) << "state " << wm_state(*window);
    EXPECT_FALSE(launcher.wait_for_exit(0ms).has_value());
    EXPECT_EQ(find_window_by_class("QoTarmishLauncherMain").value_or(InstanceWindow{}).id, *window);

    // The close box ends the launcher with code 0.
    ASSERT_TRUE(eventually([&] {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(x_, *window, &attributes) && attributes.map_state == IsViewable;
    }, 5s));
    click(*window, controls.close);
    EXPECT_EQ(launcher.wait_for_exit(10s), 0) << launcher_output(0);
}

// A close while the update is under way: the window goes at once and the single-instance guard with it, though
// the process still gives its update job a moment to end, so a start right after opens a window of its own.
TEST_F(LauncherEndToEndXvfb, StartRightAfterACloseDuringAnUpdateOpensItsOwnWindow) {
    ASSERT_NO_FATAL_FAILURE(open_display());
    if (IsSkipped()) return;
    // The release list never arrives: the update job is busy until the window has gone.
    server_.set_fault("/client/current.kxm", test::HttpFault{.stall_after = 0});
    const Controls controls = controls_from_layout(game_.path());
    test::ChildProcess& first = start_launcher();
    const auto window = wait_for_window();
    ASSERT_TRUE(window);
    ASSERT_TRUE(eventually([&] { return !server_.requests_to("/client/current.kxm").empty(); }, 20s));
    ASSERT_TRUE(eventually([&] {
        if (!find_window_by_class("QoTarmishLauncherMain")) return true;
        click(*window, controls.close);
        return !find_window_by_class("QoTarmishLauncherMain");
    }, 10s));

    test::ChildProcess& second = start_launcher();
    EXPECT_TRUE(eventually([&] { return find_window_by_class("QoTarmishLauncherMain") || second.wait_for_exit(0ms); },
                           20s));
    EXPECT_TRUE(find_window_by_class("QoTarmishLauncherMain").has_value()) << launcher_output(1);
    EXPECT_FALSE(second.wait_for_exit(0ms).has_value()) << "the second start left as if another instance ran";
    EXPECT_EQ(first.wait_for_exit(10s), 0) << launcher_output(0);
}

TEST_F(LauncherEndToEndXvfb, DraggingTheHeaderBandMovesTheWindow) {
    ASSERT_NO_FATAL_FAILURE(open_display({}, true));
    if (IsSkipped()) return;
    const Controls controls = controls_from_layout(game_.path());
    start_launcher();
    const auto window = wait_for_window();
    ASSERT_TRUE(window);
    // Once the start's work is done (the update has installed the release), the window answers promptly.
    ASSERT_TRUE(eventually([&] { return fs::exists(game_ / "active-release"); }, 30s));
    const auto [left, top] = origin(*window);
    // The press makes the launcher ask the window manager to move the window; from then on the window manager
    // keeps it where the pointer is relative to the press. The pointer travels in ten steps over a second, so a
    // move that starts late still ends where the pointer does.
    std::vector<std::string> drag{"mousemove", screen_x(*window, controls.header_band.x),
                                  screen_y(*window, controls.header_band.y), "mousedown", "1"};
    for (int step = 0; step < 10; ++step) {
        drag.insert(drag.end(), {"sleep", "0.1", "mousemove_relative", "--", "12", "8"});
    }
    drag.insert(drag.end(), {"sleep", "0.2", "mouseup", "1"});
    xdotool(drag);
    EXPECT_TRUE(eventually([&] { return origin(*window) == std::pair{left + 120, top + 80}; }, 5s))
        << "from " << left << "," << top << " to " << origin(*window).first << "," << origin(*window).second;
}

TEST_F(LauncherEndToEndXvfb, SettingsDialogSavesToTheGameStoresAndCloses) {
    ASSERT_NO_FATAL_FAILURE(open_display());
    if (IsSkipped()) return;
    const Controls controls = controls_from_layout(game_.path());
    const auto main_screen = capture(false);
    const auto dialog_screen = capture(true);
    ASSERT_TRUE(main_screen && dialog_screen);
    // The dialog edits the options of the release the launcher has active: the first copy installs the release
    // and is closed, the second starts with it active, so the dialog cannot open on the game folder's options
    // while an install is still switching over.
    {
        test::ChildProcess& installer = start_launcher();
        const auto first_window = wait_for_window();
        ASSERT_TRUE(first_window);
        ASSERT_TRUE(eventually([&] { return fs::exists(game_ / "active-release"); }, 30s));
        click(*first_window, controls.close);
        ASSERT_EQ(installer.wait_for_exit(10s), 0) << launcher_output(0);
    }
    start_launcher();
    const auto window = wait_for_window();
    ASSERT_TRUE(window);
    ASSERT_TRUE(fs::exists(release_folder() / "Data/Custom/config.ini"));
    const GameOptions before = load_game_options(release_folder());
    ASSERT_NE(before.fps_index, 3u);

    click(*window, controls.settings);
    ASSERT_TRUE(eventually([&] { return nearer(*window, *dialog_screen, *main_screen, kDialogPanel); }, 5s))
        << "the dialog did not open";
    ASSERT_TRUE(eventually([&] { return still(*window, kDialogPanel); }, 5s)) << "the dialog kept moving";
    // Frame limit 144 from the row's list, sound switched, then "Salvar". The procedure hit-tests the list's
    // items against the regions of the last painted frame, so the item is clicked once the list is on screen.
    const auto with_list_closed = screenshot(*window);
    ASSERT_TRUE(with_list_closed);
    click(*window, controls.fps_row);
    const Area list{"frame-limit list", 475, static_cast<int>(controls.fps_144.y) - 10, 290, 20};
    ASSERT_TRUE(eventually([&] {
        const auto shot = screenshot(*window);
        return shot && mean_difference(*shot, screenshot_pixmap(*with_list_closed), list, 1) > 10;
    }, 5s)) << "the list did not open";
    ASSERT_TRUE(eventually([&] { return still(*window, kDialogPanel); }, 5s)) << "the list kept moving";
    for (Point at : {controls.fps_144, controls.sound_switch, controls.save}) click(*window, at);
    EXPECT_TRUE(eventually([&] { return load_game_options(release_folder()).fps_index == 3; }, 10s));
    const GameOptions after = load_game_options(release_folder());
    EXPECT_EQ(after.sound, !before.sound);
    EXPECT_NE(test::read_file(config_ini_path(release_folder())).find("Limit=144"), std::string::npos);
    EXPECT_TRUE(eventually([&] { return nearer(*window, *main_screen, *dialog_screen, kDialogPanel); }, 5s))
        << "the dialog did not close";
}

// Eight links of ordinary names, served as the remote configuration, fill the header past its strip: the window's
// close box must still be the close box.
TEST_F(LauncherEndToEndXvfb, EightHeaderLinksFromTheServerLeaveTheCloseBoxWorking) {
    ASSERT_NO_FATAL_FAILURE(open_display());
    if (IsSkipped()) return;
    std::string links;
    for (const char* name : {"Site oficial", "Discord oficial", "Ranking geral", "Loja de itens", "Fórum da guilda",
                             "Guia do jogador", "Suporte técnico", "Eventos semanais"}) {
        if (!links.empty()) links += ",";
        links += R"({"Text": ")" + std::string(name) + R"(", "Url": "https://site.example/"})";
    }
    server_.set_body("/launcher.json", R"({"ServerName": "QoFenro", "Links": [)" + links + "]}");
    const Controls controls = controls_from_layout(game_.path());
    test::ChildProcess& launcher = start_launcher();
    const auto window = wait_for_window();
    ASSERT_TRUE(window);
    // The remote copy is saved once the window has taken it, so from then on the header holds the eight links.
    const fs::path saved = game_ / "Data" / "Launcher" / "launcher.json";
    ASSERT_TRUE(eventually([&] { return test::read_file(saved).find("Eventos semanais") != std::string::npos; }, 20s))
        << launcher_output(0);
    click(*window, controls.close);
    EXPECT_EQ(launcher.wait_for_exit(10s), 0) << launcher_output(0);
}

// A Play that cannot start the game (its index was removed after the update) shows a box. While it is up the
// window goes on painting, takes no input (clicks on it are not kept for later) and the box stays in front of it;
// a termination signal ends the launcher and its box at once.
TEST_F(LauncherEndToEndXvfb, AMessageBoxKeepsTheWindowPaintingDropsItsClicksAndEndsWithIt) {
    ASSERT_NO_FATAL_FAILURE(open_display({}, true));
    if (IsSkipped()) return;
    const Controls controls = controls_from_layout(game_.path());
    test::ChildProcess& launcher = start_launcher();
    const auto window = wait_for_window();
    ASSERT_TRUE(window);
    ASSERT_TRUE(eventually([&] { return fs::exists(game_ / "active-release"); }, 30s));
    fs::remove(assets_index_path(release_folder()));

    const auto box = play_until_a_box_shows(*window, controls);
    ASSERT_TRUE(box) << launcher_output(0);
    // The window manager gives the box the focus.
    EXPECT_TRUE(eventually([&] {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(x_, &focus, &revert);
        return focus == *box;
    }, 5s));
    // Painting goes on behind the box: the main screen's animations keep changing the picture (a window that
    // waits for the box shows the same picture until it is closed).
    const auto first = screenshot(*window);
    ASSERT_TRUE(first);
    EXPECT_TRUE(eventually([&] {
        const auto later = screenshot(*window);
        return later && later->rgb != first->rgb;
    }, 5s)) << "the window stopped painting while the box was up";

    // Clicks on the window's close and minimize buttons while the box is up count for nothing, now or later, and
    // the box stays in front of the window.
    click(*window, controls.close);
    click(*window, controls.minimize);
    EXPECT_TRUE(above(*box, *window)) << "a click on the window brought it over the box";
    xdotool({"key", "--window", std::to_string(*box), "Return"});
    ASSERT_TRUE(eventually([&] { return !transient_for(*window); }, 5s)) << "the box did not close";
    // The window takes clicks again: Play shows the next box. Clicks are handled in order, so any click kept
    // from the first box would have closed or minimized the window before.
    const auto second_box = play_until_a_box_shows(*window, controls);
    ASSERT_TRUE(second_box) << launcher_output(0);
    EXPECT_FALSE(launcher.wait_for_exit(0ms).has_value());
    EXPECT_EQ(wm_state(*window), kNormalState);

    // A termination signal while a box is up ends the launcher, and the box goes with it.
    launcher.request_stop();
    EXPECT_TRUE(launcher.wait_for_exit(10s).has_value()) << "the launcher waited for the box";
    EXPECT_TRUE(eventually([&] { return !transient_for(*window); }, 5s)) << "the box outlived the launcher";
}

struct ScaleCase {
    const char* resources;
    double scale;
    int width, height;
};

TEST_F(LauncherEndToEndXvfb, ScreenshotMatchesTheHeadlessCaptureInTheStaticAreas) {
    const ScaleCase cases[] = {{"", 1, 1100, 660}, {"Xft.dpi:\t192\n", 2, 2200, 1320}};
    for (const ScaleCase& c : cases) {
        SCOPED_TRACE("scale " + std::to_string(c.scale));
        close_display();
        ASSERT_NO_FATAL_FAILURE(open_display(c.resources));
        if (IsSkipped()) return;
        const auto main_screen = capture(false, c.scale);
        const auto dialog_screen = capture(true, c.scale);
        ASSERT_TRUE(main_screen && dialog_screen);
        ASSERT_EQ(main_screen->width(), static_cast<std::uint32_t>(c.width));
        start_launcher();
        const auto window = wait_for_window();
        ASSERT_TRUE(window);
        EXPECT_EQ(size(*window), (std::pair{c.width, c.height}));
        // Every static area looks as in the capture, to within a little rounding; the capture with the dialog
        // open differs from each by far more, so the tolerance tells the two apart.
        constexpr double kTolerance = 1.5;
        std::optional<test::Screenshot> shot;
        const bool matched = eventually(
            [&] {
                shot = screenshot(*window);
                return shot && std::ranges::all_of(kStaticAreas, [&](const Area& area) {
                           return mean_difference(*shot, *main_screen, area, c.scale) <= kTolerance;
                       });
            },
            15s);
        ASSERT_TRUE(shot);
        keep_picture("window-scale-" + std::to_string(static_cast<int>(c.scale)), *shot);
        EXPECT_TRUE(matched);
        for (const Area& area : kStaticAreas) {
            EXPECT_LE(mean_difference(*shot, *main_screen, area, c.scale), kTolerance) << area.name;
            EXPECT_GT(mean_difference(*shot, *dialog_screen, area, c.scale), 4 * kTolerance) << area.name;
        }
    }
}

}  // namespace
}  // namespace qo
