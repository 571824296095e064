#include "win/launcher_window.h"

#include <algorithm>
#include <type_traits>
#include <variant>

#include "gfx/canvas.h"
#include "ui/layers.h"
#include "ui/window_proc.h"
#include "win/action_dispatcher.h"
#include "win/app_slot.h"
#include "win/event_drain.h"
#include "win/window_shell.h"

namespace qo {
namespace {

// The smallest scale a display change can bring.
constexpr double SMALLEST_WINDOW_SCALE = 0.5;

template <typename M>
constexpr bool is_pointer_message = std::is_same_v<M, MouseMoveMessage> || std::is_same_v<M, ButtonDownMessage> ||
                                    std::is_same_v<M, ButtonUpMessage> || std::is_same_v<M, WheelMessage> ||
                                    std::is_same_v<M, MouseLeaveMessage>;

template <typename M>
constexpr bool is_input_message = is_pointer_message<M> || std::is_same_v<M, KeyDownMessage>;

// While a message box is up the window takes no input, as a window under a modal box: nothing is kept to be
// replayed once the box is closed. A press made before the box loses its release, so it counts for nothing.
void discard_input(LauncherApp& app, WindowEffects& window, const WindowMessage& message, bool pointer) {
    if (std::holds_alternative<ButtonUpMessage>(message)) {
        window.release_mouse();
        if (const auto borrow = AppBorrow::take(&app)) app.pressed = {};
    }
    if (pointer) window.set_cursor(PointerShape::Arrow);
}

// Pointer and key input: the procedure changes the UI state, then the shell carries out what it asks for.
void route_input(LauncherApp& app, WindowEffects& window, const WindowMessage& message, bool pointer) {
    if (window.message_box_up()) {
        discard_input(app, window, message, pointer);
        return;
    }
    const auto borrow = AppBorrow::take(&app);
    if (!borrow) {
        // Busy: the release still lets go of the mouse; the pointer gets the plain arrow.
        if (std::holds_alternative<ButtonUpMessage>(message)) window.release_mouse();
        if (pointer) window.set_cursor(PointerShape::Arrow);
        return;
    }
    PointerInput input{app.pressed, app.mouse_tracked};
    const InputContext context{window.mouse_captured(), news_page_url(app.environment)};
    const WindowProcReply reply = handle_input_message(app.ui, input, message, context);
    app.pressed = input.pressed;
    app.mouse_tracked = input.mouse_tracked;
    if (reply.capture_mouse) window.capture_mouse();
    if (pointer) window.set_cursor(cursor_for_hover(app.ui));
    if (reply.action) dispatch_ui_action(app, *reply.action);
    if (reply.release_mouse) window.release_mouse();
}

// The window was minimised or restored: frames stop while it is minimised, and the first one after is whole.
void route_size(LauncherApp& app, const SizeMessage& message) {
    const auto borrow = AppBorrow::take(&app);
    if (!borrow) return;
    const bool changed = app.minimized != message.minimized;
    app.minimized = message.minimized;
    if (changed && app.ui.minimized != message.minimized) {
        app.ui.minimized = message.minimized;
        app.ui.force_full_redraw = true;
    }
}

// The window moved to a display of another scale: layers remade and the window resized (centred again).
void route_scale_change(LauncherApp& app, WindowEffects& window, const ScaleChangeMessage& message) {
    const float scale = static_cast<float>(std::max(message.scale, SMALLEST_WINDOW_SCALE));
    if (const auto borrow = AppBorrow::take(&app)) rebuild_scaled_layers(app.ui, scale);
    const WindowSize size = launcher_window_size(scale);
    window.set_size(size.width, size.height);
}

// The after-launch timer fires once: it is killed before anything else, even when the record is busy.
void route_timer(LauncherApp& app, WindowEffects& window, const TimerMessage& message) {
    if (message.id != AFTER_LAUNCH_TIMER_ID) return;
    window.kill_timer(AFTER_LAUNCH_TIMER_ID);
    if (const auto borrow = AppBorrow::take(&app)) handle_after_launch_timer(app);
}

void route_ui_wake(LauncherApp& app) {
    // Busy: the events stay queued for the next wake-up.
    if (const auto borrow = AppBorrow::take(&app)) drain_ui_events(app);
}

// The desktop's close, Alt+F4 or a termination signal. The stop flag is set here, where the record can be
// borrowed, before the window goes.
void route_close_request(LauncherApp& app, WindowEffects& window) {
    if (const auto borrow = AppBorrow::take(&app)) app.stop_flag->store(true);
    window.destroy();
}

void route_destroy(LauncherApp& app) {
    if (const auto borrow = AppBorrow::take(&app)) app.stop_flag->store(true);
}

}  // namespace

WindowSize launcher_window_size(float scale) {
    return WindowSize{static_cast<int>(device_size(WINDOW_WIDTH, scale)),
                      static_cast<int>(device_size(WINDOW_HEIGHT, scale))};
}

std::string news_page_url(const LauncherEnvironment& environment) { return environment.site_base_url + "/media"; }

LoopStep route_window_message(LauncherApp& app, const WindowMessage& message) {
    if (!app.window) return LoopStep::Continue;
    WindowEffects& window = *app.window;
    const LoopStep step = std::visit(
        [&](const auto& m) {
            using M = std::decay_t<decltype(m)>;
            if constexpr (is_input_message<M>) {
                route_input(app, window, message, is_pointer_message<M>);
            } else if constexpr (std::is_same_v<M, SizeMessage>) {
                route_size(app, m);
            } else if constexpr (std::is_same_v<M, ScaleChangeMessage>) {
                route_scale_change(app, window, m);
            } else if constexpr (std::is_same_v<M, PaintMessage>) {
                if (app_available(&app)) window.repaint();
            } else if constexpr (std::is_same_v<M, TimerMessage>) {
                route_timer(app, window, m);
            } else if constexpr (std::is_same_v<M, UiWakeMessage>) {
                route_ui_wake(app);
            } else if constexpr (std::is_same_v<M, CloseRequestMessage>) {
                route_close_request(app, window);
            } else if constexpr (std::is_same_v<M, DestroyMessage>) {
                route_destroy(app);
                return LoopStep::End;
            }
            return LoopStep::Continue;
        },
        message);
    const bool runs_commands = !std::holds_alternative<PaintMessage>(message) && step == LoopStep::Continue;
    if (runs_commands) process_window_commands(app);
    return step;
}

bool caption_at_pixel(LauncherApp* app, int x, int y) {
    const auto borrow = AppBorrow::take(app);
    if (!borrow) return false;
    const float scale = (*borrow)->ui.scale;
    return is_caption_at((*borrow)->ui, static_cast<float>(x) / scale, static_cast<float>(y) / scale);
}

}  // namespace qo
