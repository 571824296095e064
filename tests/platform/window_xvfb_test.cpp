// The SDL window on a real X server (Xvfb): its class, title, size and icon as other X clients see them, the scale
// from Xft.dpi, real pointer and key input through XTEST (xdotool), dragging by the caption band, and the
// presented pixels as an X screenshot (xwd) shows them.
//
// scripts/test runs these cases one at a time against its own Xvfb (QO_XVFB_DISPLAY); run alone, each case
// starts a private one.
#include "platform/window.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/display_scale.h"
#include "platform/instance_window.h"
#include "support/child_process.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/virtual_display.h"
#include "support/window_test_helpers.h"
#include "support/x_screenshot.h"

// X11 defines macros (None, Bool, Status) that must come after the test framework.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace qo {
namespace {

using namespace std::chrono_literals;

constexpr int kWidth = 400;
constexpr int kHeight = 240;
constexpr int kCaptionHeight = 58;  // the draggable band of these tests: y < 58, x < 300

// Forks of this process (through fork(), as libdbus makes them), counted as they happen.
std::atomic<int> forks_made{0};
void count_fork() { forks_made.fetch_add(1); }

class WindowOnXvfb : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"/usr/bin/xdotool", "/usr/bin/xwd"}) {
            if (!std::filesystem::exists(tool)) GTEST_SKIP() << tool << " is not installed (scripts/setup-deps)";
        }
        std::string name;
        if (const char* shared = std::getenv("QO_XVFB_DISPLAY"); shared && *shared) {
            name = shared;
        } else {
            private_display_ = std::make_unique<test::VirtualDisplay>("1280x1024x24");
            if (!private_display_->running()) GTEST_SKIP() << "Xvfb is not available";
            name = private_display_->name();
        }
        display_env_.emplace("DISPLAY", name);
        driver_env_.emplace("SDL_VIDEODRIVER", "x11");
        x_ = XOpenDisplay(name.c_str());
        ASSERT_NE(x_, nullptr);
        clear_resources();
    }

    void TearDown() override {
        window_.reset();
        if (x_) {
            clear_resources();
            XCloseDisplay(x_);
        }
    }

    // A shown window with the test's caption band, after it is on screen.
    void open_window() {
        WindowSpec spec;
        spec.title = "QoFenro";
        spec.class_name = "QoTarmishLauncherMain";
        spec.width = kWidth;
        spec.height = kHeight;
        spec.draggable = [this](int x, int y) {
            asked_.push_back({x, y});
            return y < kCaptionHeight && x < 300;
        };
        // The pointer starts away from where the window will be, so that it enters only when a test moves it.
        XWarpPointer(x_, 0, DefaultRootWindow(x_), 0, 0, 0, 0, 0, 0);
        XSync(x_, False);
        auto created = SdlWindow::create(spec);
        ASSERT_TRUE(created.has_value()) << (created ? "" : created.error());
        window_ = std::move(*created);
        window_->show();
        ASSERT_TRUE(test::next_message_of<PaintMessage>(*window_, 5s)) << "the window was never exposed";
        SDL_GetWindowPosition(SDL_GetWindowFromID(window_->id()), &left_, &top_);
    }

    void set_resources(const std::string& text) {
        XChangeProperty(x_, DefaultRootWindow(x_), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
        XSync(x_, False);
    }
    void clear_resources() {
        XDeleteProperty(x_, DefaultRootWindow(x_), XA_RESOURCE_MANAGER);
        XSync(x_, False);
    }

    // Runs a tool against the display; its output, or nothing when it failed or hung.
    std::optional<std::string> run(const std::string& program, std::vector<std::string> arguments) {
        test::ChildOptions options;
        options.arguments = std::move(arguments);
        options.output_file = temp_.path() / "tool.out";
        test::ChildProcess child(program, options);
        const bool ok = child.started() && child.wait_for_exit(10s) == 0;
        const std::string output = test::read_file(options.output_file);
        if (!ok) {
            ADD_FAILURE() << program << " failed: " << output;
            return std::nullopt;
        }
        return output;
    }

    // Runs xdotool with pointer coordinates relative to the window's corner already added by the caller.
    void xdotool(std::vector<std::string> arguments) { ASSERT_TRUE(run("/usr/bin/xdotool", std::move(arguments))); }
    std::string at_x(int x) const { return std::to_string(left_ + x); }
    std::string at_y(int y) const { return std::to_string(top_ + y); }

    // The input messages (moves, buttons, wheel, keys, leave, close) of the next `count` that arrive.
    std::vector<WindowMessage> input_messages(std::size_t count) {
        std::vector<WindowMessage> input;
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (input.size() < count) {
            const auto message = window_->wait_message_until(deadline);
            if (!message) break;
            if (std::holds_alternative<SizeMessage>(*message) || std::holds_alternative<PaintMessage>(*message)) continue;
            input.push_back(*message);
        }
        return input;
    }

    std::unique_ptr<test::VirtualDisplay> private_display_;
    std::optional<test::ScopedEnv> display_env_;
    std::optional<test::ScopedEnv> driver_env_;
    test::TempDir temp_;
    Display* x_ = nullptr;
    std::unique_ptr<SdlWindow> window_;
    std::vector<std::pair<int, int>> asked_;  // the points the caption test was asked about
    int left_ = 0;
    int top_ = 0;
};

std::vector<unsigned long> cardinal_property(Display* x, ::Window window, const char* name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> values;
    if (XGetWindowProperty(x, window, XInternAtom(x, name, False), 0, 1 << 20, False, XA_CARDINAL, &type, &format,
                           &count, &remaining, &data) == Success &&
        data && format == 32) {
        const auto* longs = reinterpret_cast<const unsigned long*>(data);  // format 32 comes as longs
        values.assign(longs, longs + count);
    }
    if (data) XFree(data);
    return values;
}

TEST_F(WindowOnXvfb, AppearsWithItsClassTitleSizeAndIcon) {
    ASSERT_NO_FATAL_FAILURE(open_window());
    const std::uint64_t handle = window_->native_handle();
    ASSERT_NE(handle, 0u);

    const auto found = run("/usr/bin/xdotool", {"search", "--class", "^QoTarmishLauncherMain$"});
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, std::to_string(handle) + "\n");
    const auto by_class = find_window_by_class("QoTarmishLauncherMain");
    ASSERT_TRUE(by_class);
    EXPECT_EQ(by_class->id, handle);

    // Centred on the 1280 x 1024 screen.
    const auto geometry = run("/usr/bin/xdotool", {"getwindowgeometry", std::to_string(handle)});
    ASSERT_TRUE(geometry);
    EXPECT_NE(geometry->find("Position: 440,392"), std::string::npos) << *geometry;
    EXPECT_NE(geometry->find("Geometry: 400x240"), std::string::npos) << *geometry;

    window_->set_title("Servidor Ação");
    const auto title = find_window_by_title("Servidor Ação");
    ASSERT_TRUE(title);
    EXPECT_EQ(title->id, handle);

    // The icon goes out with straight alpha: premultiplied 0x80402010 is 0x80804020.
    std::vector<std::uint32_t> crest(4 * 2, 0x80402010u);
    crest[0] = 0xFFFFFFFFu;
    crest[1] = 0;
    window_->set_icon(WindowIcon{crest.data(), 4, 2});
    XSync(x_, False);
    const auto icon = cardinal_property(x_, handle, "_NET_WM_ICON");
    ASSERT_EQ(icon.size(), 2u + 8u);
    EXPECT_EQ(icon[0], 4u);
    EXPECT_EQ(icon[1], 2u);
    // Format-32 properties arrive as longs, sign-extended: compare the 32 bits.
    EXPECT_EQ(icon[2] & 0xFFFFFFFFu, 0xFFFFFFFFu);
    EXPECT_EQ(icon[3] & 0xFFFFFFFFu, 0u);
    EXPECT_EQ(icon[4] & 0xFFFFFFFFu, 0x80804020u);
}

TEST_F(WindowOnXvfb, ScaleComesFromXftDpi) {
    EXPECT_EQ(display_scale(), 1.0);  // no resources at all
    set_resources("Xft.antialias:\t1\nXft.dpi:\t192\n");
    EXPECT_EQ(display_scale(), 2.0);
    EXPECT_EQ(start_display_scale(), 2.0);
    set_resources("Xft.dpi:\t72\n");
    EXPECT_EQ(display_scale(), 0.75);
    EXPECT_EQ(start_display_scale(), 1.0);  // never smaller at the start

    ASSERT_NO_FATAL_FAILURE(open_window());
    EXPECT_EQ(window_->scale(), 0.75);
    // The window moved to a display of another scale.
    set_resources("Xft.dpi:\t144\n");
    SDL_Event moved{};
    moved.type = SDL_WINDOWEVENT;
    moved.window.windowID = window_->id();
    moved.window.event = SDL_WINDOWEVENT_DISPLAY_CHANGED;
    SDL_PushEvent(&moved);
    EXPECT_EQ(test::next_message_of<ScaleChangeMessage>(*window_, 2s), (ScaleChangeMessage{1.5}));
    EXPECT_EQ(window_->scale(), 1.5);
    SDL_PushEvent(&moved);  // the same scale again: no change to report
    EXPECT_FALSE(test::next_message_of<ScaleChangeMessage>(*window_, 200ms));
}

TEST_F(WindowOnXvfb, RealPointerAndKeysArriveAsMessages) {
    ASSERT_NO_FATAL_FAILURE(open_window());
    using M = std::vector<WindowMessage>;

    xdotool({"mousemove", at_x(30), at_y(70)});
    EXPECT_EQ(input_messages(1), (M{MouseMoveMessage{30, 70}}));

    xdotool({"click", "1"});
    EXPECT_EQ(input_messages(2), (M{ButtonDownMessage{MouseButton::Left, 30, 70, false},
                                     ButtonUpMessage{MouseButton::Left, 30, 70}}));
    xdotool({"click", "3"});
    EXPECT_EQ(input_messages(2), (M{ButtonDownMessage{MouseButton::Right, 30, 70, false},
                                     ButtonUpMessage{MouseButton::Right, 30, 70}}));
    xdotool({"click", "4", "click", "5"});
    EXPECT_EQ(input_messages(2), (M{WheelMessage{1}, WheelMessage{-1}}));

    // Far enough from the last left click that the pair below is a double click of its own.
    xdotool({"mousemove", at_x(200), at_y(150), "click", "--repeat", "2", "--delay", "80", "1"});
    EXPECT_EQ(input_messages(5), (M{MouseMoveMessage{200, 150}, ButtonDownMessage{MouseButton::Left, 200, 150, false},
                                     ButtonUpMessage{MouseButton::Left, 200, 150},
                                     ButtonDownMessage{MouseButton::Left, 200, 150, true},
                                     ButtonUpMessage{MouseButton::Left, 200, 150}}));

    xdotool({"key", "Escape"});
    EXPECT_EQ(input_messages(1), (M{KeyDownMessage{Key::Escape, false}}));
    xdotool({"key", "alt+F4"});
    const auto keys = input_messages(2);  // the Alt key itself, then the close request
    EXPECT_EQ(keys, (M{KeyDownMessage{Key::Other, false}, CloseRequestMessage{}})) << test::messages_text(keys);

    // Leaving reports the last point inside, then the leave.
    xdotool({"mousemove", at_x(kWidth + 20), at_y(70)});
    EXPECT_EQ(input_messages(2), (M{MouseMoveMessage{kWidth - 1, 70}, MouseLeaveMessage{false}}));
}

TEST_F(WindowOnXvfb, CaptionBandStartsAWindowMoveInsteadOfAClick) {
    ASSERT_NO_FATAL_FAILURE(open_window());
    // Watch the root window for the move request that goes to the window manager.
    XSelectInput(x_, DefaultRootWindow(x_), SubstructureNotifyMask);
    XSync(x_, False);
    const Atom move_resize = XInternAtom(x_, "_NET_WM_MOVERESIZE", False);

    // A press in the band: the window gets neither it nor its release.
    xdotool({"mousemove", at_x(40), at_y(20), "click", "1"});
    const auto pressed_in_band = test::messages_for(*window_, 300ms);
    EXPECT_EQ(pressed_in_band, (std::vector<WindowMessage>{MouseMoveMessage{40, 20}}))
        << test::messages_text(pressed_in_band);
    ASSERT_FALSE(asked_.empty());
    EXPECT_EQ(asked_.back(), (std::pair{40, 20}));
    // Below the band, and right of it, a press is the window's.
    xdotool({"mousemove", at_x(40), at_y(120), "click", "1"});
    xdotool({"mousemove", at_x(350), at_y(20), "click", "1"});
    const auto seen = input_messages(6);
    EXPECT_EQ(seen, (std::vector<WindowMessage>{MouseMoveMessage{40, 120}, ButtonDownMessage{MouseButton::Left, 40, 120, false},
                                                ButtonUpMessage{MouseButton::Left, 40, 120}, MouseMoveMessage{350, 20},
                                                ButtonDownMessage{MouseButton::Left, 350, 20, false},
                                                ButtonUpMessage{MouseButton::Left, 350, 20}}))
        << test::messages_text(seen);

    bool move_requested = false;
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (!move_requested && std::chrono::steady_clock::now() < deadline) {
        while (XPending(x_)) {
            XEvent event;
            XNextEvent(x_, &event);
            move_requested = move_requested ||
                             (event.type == ClientMessage && event.xclient.message_type == move_resize &&
                              event.xclient.window == window_->native_handle() &&
                              event.xclient.data.l[2] == 8 /* move */ && event.xclient.data.l[0] == left_ + 40 &&
                              event.xclient.data.l[1] == top_ + 20);
        }
        if (!move_requested) window_->wait_message_until(std::chrono::steady_clock::now() + 10ms);
    }
    EXPECT_TRUE(move_requested);
}

TEST_F(WindowOnXvfb, AnXwdCaptureShowsExactlyThePresentedPixels) {
    ASSERT_NO_FATAL_FAILURE(open_window());
    auto frame_of = [](std::uint32_t seed) {
        std::vector<std::uint32_t> frame(kWidth * kHeight);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const std::uint32_t a = 0x40 + static_cast<std::uint32_t>((x + y) % 0xC0);
                const std::uint32_t r = (static_cast<std::uint32_t>(x) * seed) % (a + 1);
                const std::uint32_t g = static_cast<std::uint32_t>(y) % (a + 1);
                const std::uint32_t b = static_cast<std::uint32_t>(x ^ y) % (a + 1);
                frame[static_cast<std::size_t>(y * kWidth + x)] = a << 24 | r << 16 | g << 8 | b;  // premultiplied
            }
        }
        return frame;
    };
    const std::vector<std::uint32_t> first = frame_of(3);
    const std::vector<std::uint32_t> second = frame_of(7);
    const PixelRect whole{0, 0, kWidth, kHeight};
    window_->draw_to_back_buffer(PixelSource{first.data(), kWidth, kHeight, kWidth}, std::span(&whole, 1));
    window_->present(std::span(&whole, 1));
    // Only the presented rectangle of the second frame reaches the screen.
    const PixelRect changed{100, 50, 120, 80};
    window_->draw_to_back_buffer(PixelSource{second.data(), kWidth, kHeight, kWidth}, std::span(&whole, 1));
    window_->present(std::span(&changed, 1));

    const auto file = temp_.path() / "window.xwd";
    ASSERT_TRUE(run("/usr/bin/xwd", {"-silent", "-id", std::to_string(window_->native_handle()), "-out", file.string()}));
    const auto shot = test::read_xwd(file);
    ASSERT_TRUE(shot);
    ASSERT_EQ(shot->width, kWidth);
    ASSERT_EQ(shot->height, kHeight);
    int wrong = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool in_changed = x >= 100 && x < 220 && y >= 50 && y < 130;
            const auto& source = in_changed ? second : first;
            const std::size_t i = static_cast<std::size_t>(y * kWidth + x);
            if (shot->rgb[i] != (source[i] & 0xFFFFFF) && wrong++ < 5) {
                ADD_FAILURE() << "at " << x << "," << y << ": " << std::hex << shot->rgb[i] << " instead of "
                              << (source[i] & 0xFFFFFF);
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(WindowOnXvfb, AnEventSentToAWindowThatIsGoneDoesNotEndTheProcess) {
    // Another thread's wake-up can reach a window just destroyed; X answers BadWindow, which must not end the
    // process (Xlib's default handler would, with exit code 1).
    ASSERT_NO_FATAL_FAILURE(open_window());
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    const ::Window gone = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 1, 1, 0, 0, 0);
    XDestroyWindow(other, gone);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = gone;
    event.xclient.format = 32;
    XSendEvent(other, gone, False, NoEventMask, &event);
    XSync(other, False);
    XCloseDisplay(other);
    // Still here, and the window still answers.
    window_->set_title("ainda aberta");
    EXPECT_TRUE(find_window_by_title("ainda aberta"));
}

TEST_F(WindowOnXvfb, AnErrorStillOnItsWayWhenTheVideoStopsDoesNotEndTheProcess) {
    // SDL reads what is still on its way on its display connections when its video stops and it closes them,
    // after it has put back the error handler it found at its start: a wake-up that reached the window just
    // after it was destroyed fails then. Here another client destroys the X window first, so that SDL's own
    // destruction of it fails with BadWindow.
    ASSERT_NO_FATAL_FAILURE(open_window());
    XDestroyWindow(x_, static_cast<::Window>(window_->native_handle()));
    XSync(x_, False);
    window_.reset();
    // Still here, and SDL's video starts again for the next window.
    ASSERT_NO_FATAL_FAILURE(open_window());
    window_->set_title("ainda aberta");
    EXPECT_TRUE(find_window_by_title("ainda aberta"));
}

TEST_F(WindowOnXvfb, WithoutASessionBusOnlyTheTimersStartForks) {
    // Where no session bus is known, SDL's first start forks a helper to look for one. The launcher starts the
    // timers before any thread of its own, so that this fork never copies a process whose other threads hold
    // locks; the video, which starts while the window's record is built on another thread, must fork nothing.
    const test::ScopedEnv no_bus("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
    ASSERT_EQ(SDL_WasInit(0), 0u);
    ASSERT_EQ(pthread_atfork(nullptr, count_fork, nullptr), 0);
    {
        const SdlTimersFirst timers;
        const int after_timers = forks_made.load();
        {
            const VideoStart video;
            EXPECT_NE(SDL_WasInit(SDL_INIT_VIDEO), 0u);
        }
        EXPECT_EQ(forks_made.load(), after_timers) << "the video's start forked";
    }
    EXPECT_EQ(SDL_WasInit(SDL_INIT_TIMER), 0u);
}

}  // namespace
}  // namespace qo
