#pragma once
// The launcher's window through SDL2: a borderless window centred in the display's usable area, its window
// surface as back buffer, SDL events turned into the launcher's own messages (window_messages.h), timers,
// cursors, mouse capture and dragging by the caption band. The only code that includes SDL's video API.
#include <chrono>
#include <cstdint>
#include <deque>
#include <expected>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/back_buffer_copy.h"
#include "platform/message_box.h"
#include "platform/ui_wake.h"
#include "platform/window_effects.h"
#include "platform/window_messages.h"

struct SDL_Window;
struct SDL_Cursor;
union SDL_Event;

namespace qo {

// A picture for the window's icon: premultiplied ARGB32 words, rows packed.
struct WindowIcon {
    const std::uint32_t* words = nullptr;
    int width = 0;
    int height = 0;
};

// Answers whether the window pixel (x, y) drags the window (the caption band).
using DraggableTest = std::function<bool(int x, int y)>;

struct WindowSpec {
    std::string title;
    std::string class_name;  // the X window class (WM_CLASS), by which another process finds the window
    int width = 0;            // pixels
    int height = 0;
    std::optional<WindowIcon> icon;
    DraggableTest draggable;  // none: nowhere
};

// Where a window of this size goes in the usable area: centred, but never left of or above its corner.
PixelRect centred_in(PixelRect usable, int width, int height);

// The display's scale: Xft.dpi / 96 when running on X11 and the X resources give it, else 1.0; clamped to
// kSmallestDisplayScale..kLargestDisplayScale (display_scale.h).
double display_scale();

// The scale a window starts at: the display's scale, at least 1.0.
double start_display_scale();

// SDL's timers, started before the launcher starts threads of its own. The first start of any SDL part also looks
// for the desktop's session bus, and where none is known libdbus forks a helper to find one and waits for its
// answer. A fork while other threads run hands the helper their locks in whatever state they were in; started
// first, the look-up forks a process that has one thread.
class SdlTimersFirst {
public:
    SdlTimersFirst();
    ~SdlTimersFirst();
    SdlTimersFirst(const SdlTimersFirst&) = delete;
    SdlTimersFirst& operator=(const SdlTimersFirst&) = delete;

private:
    bool started_ = false;
};

// SDL's video (and timers) started ahead of the window, on the thread the window will live on: connecting to the
// display takes a while, which the caller spends on other work. A window created meanwhile shares the start; the
// subsystems stop once both have let go. A failure here is left for SdlWindow::create to report.
class VideoStart {
public:
    VideoStart();
    ~VideoStart();
    VideoStart(const VideoStart&) = delete;
    VideoStart& operator=(const VideoStart&) = delete;

private:
    bool started_ = false;
};

class SdlWindow final : public WindowEffects {
public:
    // A hidden window; show() it once the first frame is in the back buffer. The error text tells why SDL failed.
    static std::expected<std::unique_ptr<SdlWindow>, std::string> create(const WindowSpec& spec);
    ~SdlWindow() override;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    std::uint32_t id() const { return id_; }
    UiWakeTarget wake_target() const { return UiWakeTarget(id_); }
    // The X window id on X11, else 0.
    std::uint64_t native_handle() const { return native_handle_; }
    bool destroyed() const { return window_ == nullptr; }
    // Back-buffer size in pixels.
    int width() const;
    int height() const;
    // The scale last seen for the window's display (ScaleChangeMessage reports a change).
    double scale() const { return scale_; }

    void show();
    void restore();
    // Raises the window and asks the desktop to activate it.
    void raise();
    void set_icon(WindowIcon icon);
    void set_draggable_test(DraggableTest test);

    // The next message when one is waiting, without blocking.
    std::optional<WindowMessage> poll_message();
    // Waits for the next message until the monotonic deadline (nanosecond precision); nothing when it passed.
    std::optional<WindowMessage> wait_message_until(std::chrono::steady_clock::time_point deadline);
    // Blocks until the next message.
    WindowMessage wait_message();

    void draw_to_back_buffer(PixelSource frame, std::span<const PixelRect> rects) override;
    std::optional<BackBufferMemory> back_buffer_memory() override;
    void present(std::span<const PixelRect> rects) override;
    void repaint() override;
    void set_title(std::string_view title) override;
    void set_size(int width, int height) override;
    void minimize() override;
    void destroy() override;
    void set_cursor(PointerShape shape) override;
    void capture_mouse() override;
    void release_mouse() override;
    bool mouse_captured() const override { return captured_; }
    void set_timer(std::uint32_t id, std::uint32_t interval_ms) override;
    void kill_timer(std::uint32_t id) override;
    void show_message_box(std::string_view caption, std::string_view text, MessageBoxKind kind) override;
    bool message_box_up() override;

private:
    struct Timer {
        int sdl_id = 0;
        std::uint32_t token = 0;
    };

    SdlWindow() = default;
    std::optional<WindowMessage> translate(const SDL_Event& event);
    std::optional<WindowMessage> translate_window_event(const SDL_Event& event);
    std::optional<WindowMessage> translate_timer(std::uint32_t token) const;
    std::optional<WindowMessage> take_synthesised();
    SizeMessage size_message() const;
    bool draggable_at(int x, int y) const;
    void remove_timers();
    void show_next_message_box();
    void end_message_boxes();

    SDL_Window* window_ = nullptr;
    std::uint32_t id_ = 0;
    std::uint64_t native_handle_ = 0;
    bool video_started_ = false;
    bool minimized_ = false;
    bool captured_ = false;
    // What back_buffer_memory last handed out, and whether the window's size changed since (SDL then makes its
    // surface anew on the next request).
    const void* surface_pixels_ = nullptr;
    bool surface_resized_ = false;
    std::uint64_t surface_generation_ = 0;
    double scale_ = 1.0;
    DraggableTest draggable_;
    std::map<std::uint32_t, Timer> timers_;  // by the caller's id
    std::uint32_t next_timer_token_ = 1;
    SDL_Cursor* arrow_ = nullptr;
    SDL_Cursor* hand_ = nullptr;
    std::optional<PointerShape> cursor_;
    std::deque<WindowMessage> synthesised_;  // messages that come from the layer itself, before SDL's
    struct PendingBox {
        std::string caption;
        std::string text;
        MessageBoxKind kind;
    };
    std::optional<MessageBoxProcess> box_;  // the box up now
    std::deque<PendingBox> pending_boxes_;   // asked for while it is up, shown in order
};

}  // namespace qo
