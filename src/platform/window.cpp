#include "platform/window.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xutil.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/display_scale.h"

namespace qo {
namespace {

// The instance part of WM_CLASS; the class part is the caller's.
constexpr char kInstanceName[] = "qotarmish";

std::uint32_t timer_event_type() {
    static const std::uint32_t type = SDL_RegisterEvents(1);
    return type;
}

// Runs on SDL's timer thread: it only posts. The parameter packs the window id (high half) and the timer's
// token (low half); a token that no longer names a live timer is dropped on the window thread.
Uint32 post_timer_message(Uint32 interval, void* param) {
    const auto packed = reinterpret_cast<std::uintptr_t>(param);
    post_window_event(timer_event_type(), static_cast<std::uint32_t>(static_cast<std::uint64_t>(packed) >> 32),
                      static_cast<std::int32_t>(packed & 0xFFFFFFFFu));
    return interval;
}

void* pack_timer(std::uint32_t window_id, std::uint32_t token) {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>((static_cast<std::uint64_t>(window_id) << 32) | token));
}

bool surface_has_frame_layout(const SDL_Surface* surface) {
    const Uint32 format = surface->format->format;
    return format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888;
}

// Frames can be painted in the surface itself: the same words, the top byte unused (an ARGB surface would show
// the frame's alpha), rows without padding, memory that needs no locking.
bool frame_paints_in_place(const SDL_Surface* surface) {
    return surface->format->format == SDL_PIXELFORMAT_RGB888 && surface->pitch == surface->w * 4 &&
           !SDL_MUSTLOCK(surface) && surface->pixels != nullptr;
}

bool running_on_x11() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        const char* driver = SDL_GetCurrentVideoDriver();
        return driver && std::string_view(driver) == "x11";
    }
    // Before SDL picks a driver: X11 unless another one is asked for, when a display is there.
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    const char* display = std::getenv("DISPLAY");
    return (!asked || !*asked || std::string_view(asked) == "x11") && display && *display;
}

// Premultiplied words to the straight alpha that window icons take.
std::vector<std::uint32_t> unpremultiplied(WindowIcon icon) {
    std::vector<std::uint32_t> words(static_cast<std::size_t>(icon.width) * static_cast<std::size_t>(icon.height));
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::uint32_t p = icon.words[i];
        const std::uint32_t a = p >> 24;
        if (a == 0) {
            words[i] = 0;
            continue;
        }
        auto channel = [&](int shift) {
            const std::uint32_t c = (p >> shift) & 0xFF;
            return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a) << shift;
        };
        words[i] = (a << 24) | channel(16) | channel(8) | channel(0);
    }
    return words;
}

void set_x11_class(SDL_Window* window, const std::string& class_name, std::uint64_t& native_handle) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    native_handle = static_cast<std::uint64_t>(info.info.x11.window);
    std::string instance = kInstanceName;
    std::string klass = class_name;
    XClassHint hint{instance.data(), klass.data()};
    XSetClassHint(info.info.x11.display, info.info.x11.window, &hint);
    XFlush(info.info.x11.display);
}

// SDL wakes a waiting window from other threads by sending the X window an event on a second connection. A
// wake-up that races the window's destruction fails with BadWindow, and Xlib's default handler ends the process
// for it. A window that is gone is no reason to end: such errors are let pass, every other error goes on to the
// handler the process had before the window layer first started SDL's video (Xlib's own, which ends it).
//
// SDL puts a handler of its own in front at each start of its video and, when the video stops, puts back the
// one it found before closing its connections, which reads the errors still on their way. So this handler goes
// in front both before each start (SDL then keeps it and puts it back at the stop) and after (in front of SDL's,
// which would chain back to this one: SDL's handler is never chained to).
std::atomic<XErrorHandler> handler_before_video{nullptr};

int let_vanished_windows_pass(Display* display, XErrorEvent* error) {
    if (error->error_code == BadWindow) return 0;
    const XErrorHandler next = handler_before_video.load();
    return next ? next(display, error) : 0;
}

void put_x_error_handler_in_front() {
    const XErrorHandler previous = XSetErrorHandler(let_vanished_windows_pass);
    XErrorHandler none = nullptr;
    if (previous != let_vanished_windows_pass) handler_before_video.compare_exchange_strong(none, previous);
}

// Starts SDL's video and timers with the handler above in front on X11.
bool start_video() {
    if (!SDL_WasInit(SDL_INIT_VIDEO) && running_on_x11()) put_x_error_handler_in_front();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) return false;
    if (std::string_view(SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "") == "x11") {
        XSetErrorHandler(let_vanished_windows_pass);
    }
    return true;
}

void set_window_hints() {
    // The back buffer is the plain window surface (shared-memory images on X11), never a GPU texture behind it,
    // which would also recreate the X window and lose its class.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // The click that brings the window to the front is also a click on what lies under it.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // Closing the window is the launcher's decision (a close request), not SDL's.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // A launcher must not switch off the desktop's compositor.
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    // Nor keep the screen from blanking: it stays open for hours beside the game (SDL's own default holds the
    // screen saver off while its video runs).
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
}

SDL_Rect usable_bounds(SDL_Window* window) {
    int display = window ? SDL_GetWindowDisplayIndex(window) : 0;
    if (display < 0) display = 0;
    SDL_Rect bounds{0, 0, 0, 0};
    if (SDL_GetDisplayUsableBounds(display, &bounds) != 0) SDL_GetDisplayBounds(display, &bounds);
    return bounds;
}

}  // namespace

PixelRect centred_in(PixelRect usable, int width, int height) {
    const int x = usable.x + (usable.w - width) / 2;
    const int y = usable.y + (usable.h - height) / 2;
    return PixelRect{std::max(x, usable.x), std::max(y, usable.y), width, height};
}

double display_scale() {
    if (!running_on_x11()) return 1.0;
    const auto resources = read_x_resources();
    if (!resources) return 1.0;
    return scale_from_resources(*resources).value_or(1.0);
}

double start_display_scale() { return std::max(display_scale(), 1.0); }

SdlTimersFirst::SdlTimersFirst() : started_(SDL_InitSubSystem(SDL_INIT_TIMER) == 0) {}

SdlTimersFirst::~SdlTimersFirst() {
    if (started_) SDL_QuitSubSystem(SDL_INIT_TIMER);
}

VideoStart::VideoStart() {
    set_window_hints();
    started_ = start_video();
}

VideoStart::~VideoStart() {
    if (started_) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER);
}

std::expected<std::unique_ptr<SdlWindow>, std::string> SdlWindow::create(const WindowSpec& spec) {
    set_window_hints();
    std::unique_ptr<SdlWindow> self(new SdlWindow());
    if (!start_video()) {
        return std::unexpected(std::string("não foi possível iniciar o vídeo: ") + SDL_GetError());
    }
    self->video_started_ = true;
    const PixelRect place = centred_in(
        [] {
            const SDL_Rect b = usable_bounds(nullptr);
            return PixelRect{b.x, b.y, b.w, b.h};
        }(),
        spec.width, spec.height);
    self->window_ = SDL_CreateWindow(spec.title.c_str(), place.x, place.y, spec.width, spec.height,
                                     SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    if (!self->window_) return std::unexpected(std::string("não foi possível criar a janela: ") + SDL_GetError());
    self->id_ = SDL_GetWindowID(self->window_);
    set_x11_class(self->window_, spec.class_name, self->native_handle_);
    if (spec.icon) self->set_icon(*spec.icon);
    self->set_draggable_test(spec.draggable);
    self->scale_ = display_scale();
    // Event types are numbered now, so that no event of ours is ever read with an unregistered type.
    timer_event_type();
    ui_wake_event_type();
    return self;
}

SdlWindow::~SdlWindow() {
    end_message_boxes();
    if (window_) {
        close_window_for_posts(id_);
        remove_timers();
        if (captured_) SDL_CaptureMouse(SDL_FALSE);
        SDL_DestroyWindow(window_);
    }
    if (arrow_) SDL_FreeCursor(arrow_);
    if (hand_) SDL_FreeCursor(hand_);
    if (video_started_) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER);
}

int SdlWindow::width() const {
    int w = 0;
    if (window_) SDL_GetWindowSize(window_, &w, nullptr);
    return w;
}

int SdlWindow::height() const {
    int h = 0;
    if (window_) SDL_GetWindowSize(window_, nullptr, &h);
    return h;
}

void SdlWindow::show() {
    if (window_) SDL_ShowWindow(window_);
}

void SdlWindow::restore() {
    if (window_) SDL_RestoreWindow(window_);
}

void SdlWindow::raise() {
    if (window_) SDL_RaiseWindow(window_);
}

void SdlWindow::set_icon(WindowIcon icon) {
    if (!window_ || !icon.words || icon.width <= 0 || icon.height <= 0) return;
    std::vector<std::uint32_t> words = unpremultiplied(icon);
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(words.data(), icon.width, icon.height, 32,
                                                              icon.width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!surface) return;
    SDL_SetWindowIcon(window_, surface);
    SDL_FreeSurface(surface);
}

void SdlWindow::set_draggable_test(DraggableTest test) {
    draggable_ = std::move(test);
    if (!window_) return;
    // Drivers without hit-testing (the offscreen one) refuse; the window then simply does not drag.
    SDL_SetWindowHitTest(
        window_,
        [](SDL_Window*, const SDL_Point* point, void* data) {
            const auto* self = static_cast<const SdlWindow*>(data);
            return self->draggable_at(point->x, point->y) ? SDL_HITTEST_DRAGGABLE : SDL_HITTEST_NORMAL;
        },
        this);
}

// While a box is up the window is not moved by its band either: the box is modal to it.
bool SdlWindow::draggable_at(int x, int y) const { return !box_ && draggable_ && draggable_(x, y); }

// ---- messages ----

std::optional<WindowMessage> SdlWindow::take_synthesised() {
    if (synthesised_.empty()) return std::nullopt;
    WindowMessage message = synthesised_.front();
    synthesised_.pop_front();
    return message;
}

std::optional<WindowMessage> SdlWindow::poll_message() {
    if (auto message = take_synthesised()) return message;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (auto message = translate(event)) return message;
    }
    return std::nullopt;
}

std::optional<WindowMessage> SdlWindow::wait_message_until(std::chrono::steady_clock::time_point deadline) {
    using namespace std::chrono;
    for (;;) {
        if (auto message = poll_message()) return message;
        const auto now = steady_clock::now();
        if (now >= deadline) return std::nullopt;
        const auto remaining = deadline - now;
        if (remaining >= milliseconds(1)) {
            // SDL waits in whole milliseconds: wait the whole ones, any input wakes it early.
            SDL_Event event;
            const auto ms = duration_cast<milliseconds>(remaining).count();
            if (SDL_WaitEventTimeout(&event, static_cast<int>(std::min<long long>(ms, 1'000'000)))) {
                if (auto message = translate(event)) return message;
            }
            continue;
        }
        // Less than a millisecond left: sleep to the exact deadline (steady_clock is CLOCK_MONOTONIC).
        const auto since_epoch = duration_cast<nanoseconds>(deadline.time_since_epoch()).count();
        const timespec until{static_cast<time_t>(since_epoch / 1'000'000'000), static_cast<long>(since_epoch % 1'000'000'000)};
        while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
        }
    }
}

WindowMessage SdlWindow::wait_message() {
    for (;;) {
        if (auto message = poll_message()) return *message;
        SDL_Event event;
        if (SDL_WaitEvent(&event)) {
            if (auto message = translate(event)) return *message;
        }
    }
}

SizeMessage SdlWindow::size_message() const { return SizeMessage{minimized_, width(), height()}; }

std::optional<WindowMessage> SdlWindow::translate(const SDL_Event& event) {
    if (!window_) return std::nullopt;
    const Uint32 type = event.type;
    if (type == ui_wake_event_type()) {
        if (event.user.windowID == id_ && event.user.code == static_cast<Sint32>(WM_UI_EVENT)) return UiWakeMessage{};
        return std::nullopt;
    }
    if (type == timer_event_type()) {
        if (event.user.windowID != id_) return std::nullopt;
        return translate_timer(static_cast<std::uint32_t>(event.user.code));
    }
    switch (type) {
    case SDL_QUIT:  // a termination signal
        return CloseRequestMessage{};
    case SDL_WINDOWEVENT:
        if (event.window.windowID != id_) return std::nullopt;
        return translate_window_event(event);
    case SDL_MOUSEMOTION:
        if (event.motion.windowID != id_) return std::nullopt;
        return MouseMoveMessage{event.motion.x, event.motion.y};
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        if (event.button.windowID != id_) return std::nullopt;
        if (event.button.button != SDL_BUTTON_LEFT && event.button.button != SDL_BUTTON_RIGHT) return std::nullopt;
        const MouseButton button = event.button.button == SDL_BUTTON_LEFT ? MouseButton::Left : MouseButton::Right;
        if (type == SDL_MOUSEBUTTONUP) return ButtonUpMessage{button, event.button.x, event.button.y};
        // Every second press of a series is the double click, as desktops count them.
        const bool double_click = event.button.clicks >= 2 && event.button.clicks % 2 == 0;
        return ButtonDownMessage{button, event.button.x, event.button.y, double_click};
    }
    case SDL_MOUSEWHEEL: {
        if (event.wheel.windowID != id_) return std::nullopt;
        int delta = event.wheel.y;
        if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) delta = -delta;
        if (delta == 0) return std::nullopt;
        return WheelMessage{delta};
    }
    case SDL_KEYDOWN: {
        // Without a window manager no window has the keyboard focus and keys arrive with window id 0.
        if (event.key.windowID != id_ && event.key.windowID != 0) return std::nullopt;
        const SDL_Keycode key = event.key.keysym.sym;
        if (key == SDLK_F4 && (event.key.keysym.mod & KMOD_ALT)) {
            if (event.key.repeat) return std::nullopt;
            return CloseRequestMessage{};
        }
        return KeyDownMessage{key == SDLK_ESCAPE ? Key::Escape : Key::Other, event.key.repeat != 0};
    }
    default:
        return std::nullopt;
    }
}

std::optional<WindowMessage> SdlWindow::translate_window_event(const SDL_Event& event) {
    switch (event.window.event) {
    case SDL_WINDOWEVENT_CLOSE:
        return CloseRequestMessage{};
    case SDL_WINDOWEVENT_EXPOSED:
        return PaintMessage{};
    case SDL_WINDOWEVENT_MINIMIZED:
    case SDL_WINDOWEVENT_HIDDEN:
        minimized_ = true;
        return size_message();
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_SHOWN:
        minimized_ = false;
        return size_message();
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        surface_resized_ = true;
        return size_message();
    case SDL_WINDOWEVENT_LEAVE:
        return MouseLeaveMessage{captured_};
    // A press in the caption band went to the desktop, which moves the window now; SDL passes on neither that
    // press nor its release.
    case SDL_WINDOWEVENT_HIT_TEST:
        return std::nullopt;
    case SDL_WINDOWEVENT_DISPLAY_CHANGED: {
        const double scale = display_scale();
        if (std::abs(scale - scale_) <= 0.001) return std::nullopt;
        scale_ = scale;
        return ScaleChangeMessage{scale};
    }
    default:
        return std::nullopt;
    }
}

std::optional<WindowMessage> SdlWindow::translate_timer(std::uint32_t token) const {
    for (const auto& [id, timer] : timers_) {
        if (timer.token == token) return TimerMessage{id};
    }
    return std::nullopt;  // killed or replaced since it was posted
}

// ---- effects ----

void SdlWindow::draw_to_back_buffer(PixelSource frame, std::span<const PixelRect> rects) {
    if (!window_) return;
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (!surface) return;
    if (frame.words == surface->pixels && frame_paints_in_place(surface)) return;  // painted there already
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
    if (surface_has_frame_layout(surface)) {
        copy_rects_opaque(frame, PixelTarget{static_cast<std::uint32_t*>(surface->pixels), surface->w, surface->h,
                                             surface->pitch / 4},
                          rects);
    } else {
        // Another pixel layout (a display of another depth): let SDL convert, rectangle by rectangle.
        for (const PixelRect& rect : rects) {
            const PixelRect r = clip_rect(rect, std::min(frame.width, surface->w), std::min(frame.height, surface->h));
            if (r.w == 0) continue;
            const std::uint32_t* from = frame.words + static_cast<std::ptrdiff_t>(r.y) * frame.stride + r.x;
            auto* to = static_cast<std::uint8_t*>(surface->pixels) + static_cast<std::ptrdiff_t>(r.y) * surface->pitch +
                       r.x * surface->format->BytesPerPixel;
            SDL_ConvertPixels(r.w, r.h, SDL_PIXELFORMAT_RGB888, from, frame.stride * 4, surface->format->format, to,
                              surface->pitch);
        }
    }
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
}

std::optional<BackBufferMemory> SdlWindow::back_buffer_memory() {
    if (!window_) return std::nullopt;
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (!surface || !frame_paints_in_place(surface)) return std::nullopt;
    if (surface_resized_ || surface->pixels != surface_pixels_) ++surface_generation_;
    surface_resized_ = false;
    surface_pixels_ = surface->pixels;
    return BackBufferMemory{static_cast<std::uint32_t*>(surface->pixels), surface->w, surface->h, surface_generation_};
}

void SdlWindow::present(std::span<const PixelRect> rects) {
    if (!window_ || rects.empty()) return;
    const int w = width();
    const int h = height();
    std::vector<SDL_Rect> shown;
    shown.reserve(rects.size());
    for (const PixelRect& rect : rects) {
        const PixelRect r = clip_rect(rect, w, h);
        if (r.w > 0) shown.push_back(SDL_Rect{r.x, r.y, r.w, r.h});
    }
    if (!shown.empty()) SDL_UpdateWindowSurfaceRects(window_, shown.data(), static_cast<int>(shown.size()));
}

void SdlWindow::repaint() {
    if (window_) SDL_UpdateWindowSurface(window_);
}

void SdlWindow::set_title(std::string_view title) {
    if (window_) SDL_SetWindowTitle(window_, std::string(title).c_str());
}

void SdlWindow::set_size(int width, int height) {
    if (!window_) return;
    const SDL_Rect b = usable_bounds(window_);
    const PixelRect place = centred_in(PixelRect{b.x, b.y, b.w, b.h}, width, height);
    SDL_SetWindowPosition(window_, place.x, place.y);
    SDL_SetWindowSize(window_, width, height);
    surface_resized_ = true;
}

void SdlWindow::minimize() {
    if (window_) SDL_MinimizeWindow(window_);
}

void SdlWindow::destroy() {
    if (!window_) return;
    end_message_boxes();
    close_window_for_posts(id_);
    remove_timers();
    release_mouse();
    SDL_DestroyWindow(window_);
    window_ = nullptr;
    ++surface_generation_;
    synthesised_.clear();
    synthesised_.push_back(DestroyMessage{});
}

void SdlWindow::set_cursor(PointerShape shape) {
    if (!window_ || cursor_ == shape) return;
    SDL_Cursor*& cursor = shape == PointerShape::Hand ? hand_ : arrow_;
    if (!cursor) {
        cursor = SDL_CreateSystemCursor(shape == PointerShape::Hand ? SDL_SYSTEM_CURSOR_HAND : SDL_SYSTEM_CURSOR_ARROW);
    }
    if (!cursor) return;
    SDL_SetCursor(cursor);
    cursor_ = shape;
}

void SdlWindow::capture_mouse() {
    if (!window_) return;
    // SDL refuses while no window has the keyboard focus (and the offscreen driver always); SDL still keeps the
    // pointer while a button is held. The window counts as holding the capture either way, as the caller asked.
    SDL_CaptureMouse(SDL_TRUE);
    captured_ = true;
}

void SdlWindow::release_mouse() {
    if (captured_) SDL_CaptureMouse(SDL_FALSE);
    captured_ = false;
}

void SdlWindow::set_timer(std::uint32_t id, std::uint32_t interval_ms) {
    if (!window_) return;
    kill_timer(id);
    const std::uint32_t token = next_timer_token_++;
    if (next_timer_token_ == 0) next_timer_token_ = 1;
    const SDL_TimerID sdl_id = SDL_AddTimer(std::max<std::uint32_t>(interval_ms, 1), post_timer_message,
                                            pack_timer(id_, token));
    if (sdl_id != 0) timers_[id] = Timer{sdl_id, token};
}

void SdlWindow::kill_timer(std::uint32_t id) {
    const auto found = timers_.find(id);
    if (found == timers_.end()) return;
    SDL_RemoveTimer(found->second.sdl_id);
    timers_.erase(found);  // a message already posted carries a token that no longer matches
}

void SdlWindow::remove_timers() {
    for (const auto& [id, timer] : timers_) SDL_RemoveTimer(timer.sdl_id);
    timers_.clear();
}

// The box runs in a process of its own: SDL shows a box for a parent only on the thread that made the parent,
// and blocks that thread until it is closed, which would freeze this window and queue its clicks for later.
void SdlWindow::show_message_box(std::string_view caption, std::string_view text, MessageBoxKind kind) {
    if (!message_box_display_available()) {
        qo::show_message_box(caption, text, kind);  // standard error
        return;
    }
    pending_boxes_.push_back(PendingBox{std::string(caption), std::string(text), kind});
    message_box_up();
}

bool SdlWindow::message_box_up() {
    if (box_ && !box_->up()) box_.reset();
    if (!box_ && !pending_boxes_.empty()) show_next_message_box();
    return box_.has_value();
}

void SdlWindow::show_next_message_box() {
    while (!box_ && !pending_boxes_.empty()) {
        const PendingBox next = std::move(pending_boxes_.front());
        pending_boxes_.pop_front();
        box_ = MessageBoxProcess::start(next.caption, next.text, next.kind, window_ ? native_handle_ : 0);
        // No process for it: the box is shown here, modal in the old way, rather than not at all.
        if (!box_) qo::show_message_box(next.caption, next.text, next.kind);
    }
}

// The window goes: so do its boxes, shown or waiting.
void SdlWindow::end_message_boxes() {
    pending_boxes_.clear();
    box_.reset();
}

}  // namespace qo
