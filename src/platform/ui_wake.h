#pragma once
// Waking the window thread from any other thread.
//
// A background thread that has queued something for the window posts a wake-up carrying WM_UI_EVENT to the
// window's event queue; the window thread sees it among its input events and drains what was queued. Posting is
// thread-safe. The window is named by an opaque target that the window layer hands out; the null target names
// no window, and posting to it fails (what was queued stays queued for the next wake-up).
#include <cstddef>
#include <cstdint>

namespace qo {

// The message kind of a wake-up (WM_APP + 1), carried by every posted wake-up.
inline constexpr std::uint32_t WM_UI_EVENT = 0x8001;

// The window to wake. Built by the window layer from its native window id; the default value is the null
// target.
class UiWakeTarget {
public:
    constexpr UiWakeTarget() = default;
    constexpr explicit UiWakeTarget(std::uint32_t window_id) : window_id_(window_id) {}

    constexpr std::uint32_t window_id() const { return window_id_; }
    constexpr bool is_null() const { return window_id_ == 0; }
    friend constexpr bool operator==(UiWakeTarget, UiWakeTarget) = default;

private:
    std::uint32_t window_id_ = 0;
};

// Posts one WM_UI_EVENT wake-up to the target's window. True when it was posted; false for the null target or
// when the event queue refuses it (not started, full).
bool post_ui_wake(UiWakeTarget target);

// The event type that wake-ups carry in the window layer's event queue (registered once per process).
std::uint32_t ui_wake_event_type();

// Starts the event queue on its own, for programs and tests that wake without a window. Safe to call again.
bool start_ui_wake_queue();

// Takes every pending wake-up off the event queue and returns how many there were for the target.
std::size_t take_pending_ui_wakes(UiWakeTarget target);

// ---- the window layer's side ----

// Posts an event of the given type, window id and code from any thread, as post_ui_wake does. Dropped (false)
// once the window was closed for posts.
bool post_window_event(std::uint32_t type, std::uint32_t window_id, std::int32_t code);

// From now on every post to the window is dropped. Returns once no post is on its way (to any window), so the
// window can be destroyed: SDL wakes a waiting window by sending its X window an event from the posting thread,
// which must neither race the destruction nor reach X once the window is gone.
void close_window_for_posts(std::uint32_t window_id);

}  // namespace qo
