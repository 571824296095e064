#pragma once
// The launcher window's own message kinds: what the window layer hands the window procedure, in window pixels.
// Plain data without any toolkit type, so the procedure can be driven by message sequences in tests.
#include <cstdint>
#include <variant>

namespace qo {

// The pointer moved to (x, y), window pixels; outside the window while the mouse is captured.
struct MouseMoveMessage {
    int x = 0;
    int y = 0;
    friend bool operator==(const MouseMoveMessage&, const MouseMoveMessage&) = default;
};

enum class MouseButton { Left, Right };

// A button went down at (x, y). `double_click` marks the second press of a double click.
struct ButtonDownMessage {
    MouseButton button = MouseButton::Left;
    int x = 0;
    int y = 0;
    bool double_click = false;
    friend bool operator==(const ButtonDownMessage&, const ButtonDownMessage&) = default;
};

struct ButtonUpMessage {
    MouseButton button = MouseButton::Left;
    int x = 0;
    int y = 0;
    friend bool operator==(const ButtonUpMessage&, const ButtonUpMessage&) = default;
};

// The wheel turned; `delta` in notches, positive away from the user (scrolling up).
struct WheelMessage {
    int delta = 0;
    friend bool operator==(const WheelMessage&, const WheelMessage&) = default;
};

// The pointer left the window. `captured` tells whether the window held the mouse capture at that moment.
struct MouseLeaveMessage {
    bool captured = false;
    friend bool operator==(const MouseLeaveMessage&, const MouseLeaveMessage&) = default;
};

enum class Key { Escape, Other };

// A key went down (again while held: `repeat`). Alt+F4 arrives as a close request instead.
struct KeyDownMessage {
    Key key = Key::Other;
    bool repeat = false;
    friend bool operator==(const KeyDownMessage&, const KeyDownMessage&) = default;
};

// A timer set through the window fired.
struct TimerMessage {
    std::uint32_t id = 0;
    friend bool operator==(const TimerMessage&, const TimerMessage&) = default;
};

// The window's size or state changed; width and height in pixels.
struct SizeMessage {
    bool minimized = false;
    int width = 0;
    int height = 0;
    friend bool operator==(const SizeMessage&, const SizeMessage&) = default;
};

// The window now lies on a display of another scale (dots per inch / 96).
struct ScaleChangeMessage {
    double scale = 1.0;
    friend bool operator==(const ScaleChangeMessage&, const ScaleChangeMessage&) = default;
};

// Part or all of the window must be shown again from the back buffer.
struct PaintMessage {
    friend bool operator==(const PaintMessage&, const PaintMessage&) = default;
};

// The user asked to close the window (close request of the desktop, Alt+F4, termination signal).
struct CloseRequestMessage {
    friend bool operator==(const CloseRequestMessage&, const CloseRequestMessage&) = default;
};

// The window is gone; the last message of its life.
struct DestroyMessage {
    friend bool operator==(const DestroyMessage&, const DestroyMessage&) = default;
};

// Another thread queued UI events and woke the window (see ui_wake.h).
struct UiWakeMessage {
    friend bool operator==(const UiWakeMessage&, const UiWakeMessage&) = default;
};

using WindowMessage = std::variant<MouseMoveMessage, ButtonDownMessage, ButtonUpMessage, WheelMessage,
                                   MouseLeaveMessage, KeyDownMessage, TimerMessage, SizeMessage,
                                   ScaleChangeMessage, PaintMessage, CloseRequestMessage, DestroyMessage,
                                   UiWakeMessage>;

}  // namespace qo
