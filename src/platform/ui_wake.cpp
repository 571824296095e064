#include "platform/ui_wake.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace qo {

std::uint32_t ui_wake_event_type() {
    // SDL_RegisterEvents only hands out numbers; it needs no initialised subsystem.
    static const std::uint32_t type = SDL_RegisterEvents(1);
    return type;
}

namespace {

// Posts hold the gate while SDL takes them (SDL's queue takes them one at a time anyway), and so does closing a
// window. The ids of windows gone stay in the list (one per window the process made). Never destroyed: threads
// may still post while the process ends.
struct PostGate {
    std::mutex mutex;
    std::vector<std::uint32_t> closed;
};

PostGate& post_gate() {
    static PostGate* const gate = new PostGate;
    return *gate;
}

}  // namespace

bool post_window_event(std::uint32_t type, std::uint32_t window_id, std::int32_t code) {
    if (type == static_cast<std::uint32_t>(-1)) return false;
    PostGate& gate = post_gate();
    const std::lock_guard lock(gate.mutex);
    if (std::ranges::find(gate.closed, window_id) != gate.closed.end()) return false;
    SDL_Event event{};
    event.user.type = type;
    event.user.windowID = window_id;
    event.user.code = code;
    return SDL_PushEvent(&event) == 1;
}

void close_window_for_posts(std::uint32_t window_id) {
    PostGate& gate = post_gate();
    const std::lock_guard lock(gate.mutex);
    if (std::ranges::find(gate.closed, window_id) == gate.closed.end()) gate.closed.push_back(window_id);
}

bool post_ui_wake(UiWakeTarget target) {
    if (target.is_null()) return false;
    return post_window_event(ui_wake_event_type(), target.window_id(), static_cast<std::int32_t>(WM_UI_EVENT));
}

bool start_ui_wake_queue() { return SDL_InitSubSystem(SDL_INIT_EVENTS) == 0; }

std::size_t take_pending_ui_wakes(UiWakeTarget target) {
    const std::uint32_t type = ui_wake_event_type();
    std::size_t count = 0;
    SDL_Event batch[64];
    for (;;) {
        const int got = SDL_PeepEvents(batch, 64, SDL_GETEVENT, type, type);
        if (got <= 0) break;
        for (int i = 0; i < got; ++i) {
            if (batch[i].user.windowID == target.window_id() &&
                batch[i].user.code == static_cast<Sint32>(WM_UI_EVENT)) {
                ++count;
            }
        }
    }
    return count;
}

}  // namespace qo
