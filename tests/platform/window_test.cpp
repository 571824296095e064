// The SDL window on SDL's offscreen driver (set for every test by CTest): creation, back buffer, presenting,
// timers, wake-ups and the translation of SDL events into the launcher's messages.
#include "platform/window.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "platform/ui_wake.h"
#include "support/window_test_helpers.h"

namespace qo {
namespace {

using namespace std::chrono_literals;

std::unique_ptr<SdlWindow> make_window(int width = 220, int height = 132) {
    return test::make_test_window(width, height);
}

// Takes whatever creation and showing queued, so that a test sees only its own messages.
void drain(SdlWindow& window) {
    while (window.poll_message()) {
    }
}

TEST(Window, CentredInTheUsableAreaButNeverPastItsCorner) {
    struct Case {
        PixelRect usable;
        int w, h;
        PixelRect place;
    };
    const std::vector<Case> cases = {
        {{0, 0, 1920, 1080}, 1100, 660, {410, 210, 1100, 660}},
        {{0, 32, 1920, 1048}, 1100, 660, {410, 226, 1100, 660}},    // a panel on top
        {{1920, 0, 1280, 1024}, 1100, 660, {2010, 182, 1100, 660}}, // second display
        {{0, 0, 1101, 661}, 1100, 660, {0, 0, 1100, 660}},          // odd remainder rounds toward the corner
        {{0, 28, 1024, 740}, 1650, 990, {0, 28, 1650, 990}},        // larger than the area: its top-left corner
    };
    for (const Case& c : cases) EXPECT_EQ(centred_in(c.usable, c.w, c.h), c.place);
}

TEST(Window, BackBufferHasTheWindowSizeAtTheGivenScale) {
    for (const double scale : {1.0, 1.25, 1.5, 2.0}) {
        const int w = static_cast<int>(std::ceil(1100 * scale));
        const int h = static_cast<int>(std::ceil(660 * scale));
        auto window = make_window(w, h);
        ASSERT_TRUE(window);
        EXPECT_EQ(window->width(), w);
        EXPECT_EQ(window->height(), h);
        SDL_Surface* surface = SDL_GetWindowSurface(SDL_GetWindowFromID(window->id()));
        ASSERT_NE(surface, nullptr);
        EXPECT_EQ(surface->w, w);
        EXPECT_EQ(surface->h, h);
        EXPECT_EQ(surface->format->format, SDL_PIXELFORMAT_RGB888);  // the frame's word layout: a plain copy
        EXPECT_EQ(window->scale(), 1.0);  // no X resources here
    }
    EXPECT_EQ(start_display_scale(), 1.0);
}

// Video started ahead of the window stays up while either holds it, and stops once both have let go.
TEST(Window, VideoStartedAheadIsSharedWithTheWindow) {
    ASSERT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    auto video = std::make_unique<VideoStart>();
    EXPECT_NE(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    auto window = make_window();
    ASSERT_TRUE(window);
    window.reset();
    EXPECT_NE(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    window = make_window();
    ASSERT_TRUE(window);
    video.reset();
    EXPECT_NE(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    window.reset();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
}

// The launcher sits open for hours: its video never keeps the screen from blanking, as SDL's would by default.
TEST(Window, TheScreenMayStillBlankWhileTheWindowIsOpen) {
    const VideoStart video;
    auto window = make_window();
    ASSERT_TRUE(window);
    EXPECT_TRUE(SDL_IsScreenSaverEnabled());
}

TEST(Window, SetSizeResizesTheBackBufferAndRecentres) {
    auto window = make_window(200, 100);
    ASSERT_TRUE(window);
    window->set_size(300, 160);
    EXPECT_EQ(window->width(), 300);
    EXPECT_EQ(window->height(), 160);
    SDL_Window* sdl = SDL_GetWindowFromID(window->id());
    SDL_Rect usable{};
    ASSERT_EQ(SDL_GetDisplayUsableBounds(0, &usable), 0);
    int x = 0, y = 0;
    SDL_GetWindowPosition(sdl, &x, &y);
    EXPECT_EQ(PixelRect(x, y, 300, 160), centred_in({usable.x, usable.y, usable.w, usable.h}, 300, 160));
    EXPECT_EQ(SDL_GetWindowSurface(sdl)->w, 300);
    const auto size = test::next_message_of<SizeMessage>(*window, 1s);
    ASSERT_TRUE(size);
    EXPECT_EQ(*size, (SizeMessage{false, 300, 160}));
}

TEST(Window, PresentCopiesTheRectanglesWithAlphaForcedAndNothingElse) {
    auto window = make_window(64, 40);
    ASSERT_TRUE(window);
    SDL_Surface* surface = SDL_GetWindowSurface(SDL_GetWindowFromID(window->id()));
    ASSERT_NE(surface, nullptr);
    const std::vector<std::uint32_t> black(64 * 40, 0);
    const PixelRect whole{0, 0, 64, 40};
    window->draw_to_back_buffer(PixelSource{black.data(), 64, 40, 64}, std::span(&whole, 1));

    std::vector<std::uint32_t> frame(64 * 40);
    for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0x7FFFFFFFu;
    const std::vector<PixelRect> rects = {{2, 3, 10, 7}, {50, 30, 30, 30}};
    window->draw_to_back_buffer(PixelSource{frame.data(), 64, 40, 64}, rects);
    window->present(rects);

    const auto* pixels = static_cast<const std::uint32_t*>(surface->pixels);
    const int stride = surface->pitch / 4;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool inside = (x >= 2 && x < 12 && y >= 3 && y < 10) || (x >= 50 && y >= 30);
            const std::uint32_t want = inside ? frame[static_cast<std::size_t>(y * 64 + x)] | 0xFF000000u : 0xFF000000u;
            ASSERT_EQ(pixels[y * stride + x] | 0xFF000000u, want) << "at " << x << "," << y;
        }
    }
}

TEST(Window, TimersPostTheirIdUntilKilled) {
    auto window = make_window();
    ASSERT_TRUE(window);
    window->show();
    drain(*window);

    window->set_timer(7, 10);
    for (int i = 0; i < 3; ++i) {  // repeats, as a desktop timer does
        const auto timer = test::next_message_of<TimerMessage>(*window, 5s);
        ASSERT_TRUE(timer);
        EXPECT_EQ(timer->id, 7u);
    }

    // Killing it also drops a tick that is already queued.
    window->set_timer(3, 1);
    std::this_thread::sleep_for(50ms);
    window->kill_timer(3);
    window->kill_timer(7);
    for (const auto& message : test::messages_for(*window, 100ms)) {
        EXPECT_FALSE(std::holds_alternative<TimerMessage>(message)) << test::message_text(message);
    }

    // Setting an id again replaces the earlier timer.
    window->set_timer(9, 60'000);
    window->set_timer(9, 5);
    EXPECT_EQ(test::next_message_of<TimerMessage>(*window, 5s), (TimerMessage{9}));
}

TEST(Window, UiWakeUpsArriveAsMessagesForTheirWindowOnly) {
    auto window = make_window();
    ASSERT_TRUE(window);
    drain(*window);
    std::jthread poster([target = window->wake_target()] { EXPECT_TRUE(post_ui_wake(target)); });
    poster.join();
    EXPECT_TRUE(post_ui_wake(UiWakeTarget(window->id() + 1000)));
    EXPECT_EQ(test::messages_for(*window, 200ms), std::vector<WindowMessage>{UiWakeMessage{}});
}

TEST(Window, WaitEndsAtTheDeadlineWithoutMessages) {
    auto window = make_window();
    ASSERT_TRUE(window);
    drain(*window);
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + 30ms + 500us;  // not a whole number of milliseconds
    EXPECT_FALSE(window->wait_message_until(deadline));
    EXPECT_GE(std::chrono::steady_clock::now(), deadline);
    EXPECT_FALSE(window->wait_message_until(start));  // a past deadline returns at once
}

TEST(Window, DestroyIsTheLastMessageAndLaterEffectsAreHarmless) {
    auto window = make_window();
    ASSERT_TRUE(window);
    window->set_timer(7, 1);
    window->capture_mouse();
    EXPECT_TRUE(window->mouse_captured());
    window->destroy();
    EXPECT_TRUE(window->destroyed());
    EXPECT_FALSE(post_ui_wake(window->wake_target()));  // a wake-up for a window that is gone never reaches SDL
    EXPECT_FALSE(window->mouse_captured());
    EXPECT_EQ(window->wait_message(), WindowMessage{DestroyMessage{}});
    EXPECT_TRUE(test::messages_for(*window, 50ms).empty());

    const std::uint32_t word = 0;
    const PixelRect one{0, 0, 1, 1};
    window->draw_to_back_buffer(PixelSource{&word, 1, 1, 1}, std::span(&one, 1));
    window->present(std::span(&one, 1));
    window->set_title("QoFenro");
    window->set_size(10, 10);
    window->set_timer(1, 1);
    window->set_cursor(PointerShape::Hand);
    window->minimize();
    window->destroy();
    EXPECT_EQ(window->width(), 0);
    EXPECT_FALSE(window->poll_message());
}

SDL_Event window_event(std::uint32_t id, SDL_WindowEventID kind, int data1 = 0) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = id;
    e.window.event = static_cast<Uint8>(kind);
    e.window.data1 = data1;
    return e;
}

SDL_Event button_event(std::uint32_t id, bool down, Uint8 button, int x, int y, Uint8 clicks = 1) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = id;
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = clicks;
    e.button.x = x;
    e.button.y = y;
    return e;
}

SDL_Event key_event(std::uint32_t id, SDL_Keycode key, Uint16 mod = KMOD_NONE, bool repeat = false) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = id;
    e.key.state = SDL_PRESSED;
    e.key.repeat = repeat;
    e.key.keysym.sym = key;
    e.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    e.key.keysym.mod = mod;
    return e;
}

SDL_Event motion_event(std::uint32_t id, int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = id;
    e.motion.x = x;
    e.motion.y = y;
    return e;
}

SDL_Event wheel_event(std::uint32_t id, int y, Uint32 direction = SDL_MOUSEWHEEL_NORMAL) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = id;
    e.wheel.y = y;
    e.wheel.direction = direction;
    return e;
}

TEST(Window, SdlEventsBecomeTheLaunchersMessages) {
    auto window = make_window(220, 132);
    ASSERT_TRUE(window);
    window->show();
    drain(*window);
    const std::uint32_t id = window->id();
    const std::uint32_t other = id + 1000;
    SDL_Event quit{};
    quit.type = SDL_QUIT;

    struct Case {
        const char* name;
        SDL_Event event;
        std::optional<WindowMessage> message;
    };
    const std::vector<Case> cases = {
        {"move", motion_event(id, 12, -3), MouseMoveMessage{12, -3}},
        {"left down", button_event(id, true, SDL_BUTTON_LEFT, 5, 6), ButtonDownMessage{MouseButton::Left, 5, 6, false}},
        {"second press", button_event(id, true, SDL_BUTTON_LEFT, 5, 6, 2),
         ButtonDownMessage{MouseButton::Left, 5, 6, true}},
        {"third press is a plain one", button_event(id, true, SDL_BUTTON_LEFT, 5, 6, 3),
         ButtonDownMessage{MouseButton::Left, 5, 6, false}},
        {"left up", button_event(id, false, SDL_BUTTON_LEFT, 7, 8), ButtonUpMessage{MouseButton::Left, 7, 8}},
        {"right down", button_event(id, true, SDL_BUTTON_RIGHT, 1, 2), ButtonDownMessage{MouseButton::Right, 1, 2, false}},
        {"right up", button_event(id, false, SDL_BUTTON_RIGHT, 1, 2), ButtonUpMessage{MouseButton::Right, 1, 2}},
        {"middle button", button_event(id, true, SDL_BUTTON_MIDDLE, 1, 2), std::nullopt},
        {"wheel away", wheel_event(id, 1), WheelMessage{1}},
        {"wheel toward, two notches", wheel_event(id, -2), WheelMessage{-2}},
        {"flipped wheel", wheel_event(id, 1, SDL_MOUSEWHEEL_FLIPPED), WheelMessage{-1}},
        {"sideways wheel", wheel_event(id, 0), std::nullopt},
        {"escape", key_event(id, SDLK_ESCAPE), KeyDownMessage{Key::Escape, false}},
        {"escape held", key_event(id, SDLK_ESCAPE, KMOD_NONE, true), KeyDownMessage{Key::Escape, true}},
        {"escape without focus", key_event(0, SDLK_ESCAPE), KeyDownMessage{Key::Escape, false}},
        {"another key", key_event(id, SDLK_RETURN), KeyDownMessage{Key::Other, false}},
        {"F4 alone", key_event(id, SDLK_F4), KeyDownMessage{Key::Other, false}},
        {"Alt+F4", key_event(id, SDLK_F4, KMOD_LALT), CloseRequestMessage{}},
        {"Alt+F4 held", key_event(id, SDLK_F4, KMOD_RALT, true), std::nullopt},
        {"leave", window_event(id, SDL_WINDOWEVENT_LEAVE), MouseLeaveMessage{false}},
        {"close box", window_event(id, SDL_WINDOWEVENT_CLOSE), CloseRequestMessage{}},
        {"termination signal", quit, CloseRequestMessage{}},
        {"exposed", window_event(id, SDL_WINDOWEVENT_EXPOSED), PaintMessage{}},
        {"minimized", window_event(id, SDL_WINDOWEVENT_MINIMIZED), SizeMessage{true, 220, 132}},
        {"restored", window_event(id, SDL_WINDOWEVENT_RESTORED), SizeMessage{false, 220, 132}},
        {"hidden", window_event(id, SDL_WINDOWEVENT_HIDDEN), SizeMessage{true, 220, 132}},
        {"shown", window_event(id, SDL_WINDOWEVENT_SHOWN), SizeMessage{false, 220, 132}},
        {"size", window_event(id, SDL_WINDOWEVENT_SIZE_CHANGED, 220), SizeMessage{false, 220, 132}},
        {"same scale on another display", window_event(id, SDL_WINDOWEVENT_DISPLAY_CHANGED, 1), std::nullopt},
        {"focus", window_event(id, SDL_WINDOWEVENT_FOCUS_GAINED), std::nullopt},
        {"another window's move", motion_event(other, 1, 1), std::nullopt},
        {"another window's press", button_event(other, true, SDL_BUTTON_LEFT, 1, 1), std::nullopt},
        {"another window's close", window_event(other, SDL_WINDOWEVENT_CLOSE), std::nullopt},
        {"another window's key", key_event(other, SDLK_ESCAPE), std::nullopt},
        {"a press in the caption band", window_event(id, SDL_WINDOWEVENT_HIT_TEST), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SDL_Event event = c.event;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
        EXPECT_EQ(window->poll_message(), c.message);
        EXPECT_FALSE(window->poll_message());
    }

    window->capture_mouse();
    SDL_Event leave = window_event(id, SDL_WINDOWEVENT_LEAVE);
    SDL_PushEvent(&leave);
    EXPECT_EQ(window->poll_message(), WindowMessage{MouseLeaveMessage{true}});
    window->release_mouse();
    EXPECT_FALSE(window->mouse_captured());
}

TEST(Window, CursorShapesAndTheIconAreAccepted) {
    auto window = make_window();
    ASSERT_TRUE(window);
    window->set_cursor(PointerShape::Hand);
    window->set_cursor(PointerShape::Arrow);
    const std::vector<std::uint32_t> crest(16 * 16, 0x80402010u);
    window->set_icon(WindowIcon{crest.data(), 16, 16});
    window->set_icon(WindowIcon{nullptr, 16, 16});
    window->set_title("Servidor Ação");
    EXPECT_STREQ(SDL_GetWindowTitle(SDL_GetWindowFromID(window->id())), "Servidor Ação");
}

}  // namespace
}  // namespace qo
