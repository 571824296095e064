#include "platform/ui_wake.h"

#include <SDL2/SDL.h>


namespace qo {

std::uint32_t ui_wake_event_type() {
    // SDL_RegisterEvents only hands out numbers; it needs no initialised subsystem.
    static const std::uint32_t type = SDL_RegisterEvents(1);
    return type;
}

bool post_ui_wake(UiWakeTarget target) {
    if (target.is_null()) return false;
    const std::uint32_t type = ui_wake_event_type();
    if (type == static_cast<std::uint32_t>(-1)) return false;
    SDL_Event event{};
    event.user.type = type;
    event.user.windowID = target.window_id();
    event.user.code = static_cast<Sint32>(WM_UI_EVENT);
    return SDL_PushEvent(&event) == 1;
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
