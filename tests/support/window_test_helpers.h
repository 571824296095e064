#pragma once
// Window tests: the launcher's kind of window, readable message text for failure output, and bounded waits for
// messages.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/window.h"
#include "platform/window_messages.h"

namespace qo::test {

// A hidden SDL window with the launcher's title and class.
inline std::unique_ptr<SdlWindow> make_test_window(int width, int height) {
    WindowSpec spec;
    spec.title = "QoFenro";
    spec.class_name = "QoTarmishLauncherMain";
    spec.width = width;
    spec.height = height;
    auto window = SdlWindow::create(spec);
    EXPECT_TRUE(window.has_value()) << (window ? "" : window.error());
    return window ? std::move(*window) : nullptr;
}

inline std::string message_text(const WindowMessage& message) {
    auto button = [](MouseButton b) { return b == MouseButton::Left ? std::string("left") : std::string("right"); };
    auto xy = [](int x, int y) { return "(" + std::to_string(x) + "," + std::to_string(y) + ")"; };
    struct Visitor {
        decltype(button)& b;
        decltype(xy)& p;
        std::string operator()(const MouseMoveMessage& m) const { return "move" + p(m.x, m.y); }
        std::string operator()(const ButtonDownMessage& m) const {
            return "down " + b(m.button) + p(m.x, m.y) + (m.double_click ? " double" : "");
        }
        std::string operator()(const ButtonUpMessage& m) const { return "up " + b(m.button) + p(m.x, m.y); }
        std::string operator()(const WheelMessage& m) const { return "wheel " + std::to_string(m.delta); }
        std::string operator()(const MouseLeaveMessage& m) const {
            return std::string("leave") + (m.captured ? " captured" : "");
        }
        std::string operator()(const KeyDownMessage& m) const {
            return std::string("key ") + (m.key == Key::Escape ? "escape" : "other") + (m.repeat ? " repeat" : "");
        }
        std::string operator()(const TimerMessage& m) const { return "timer " + std::to_string(m.id); }
        std::string operator()(const SizeMessage& m) const {
            return std::string("size ") + (m.minimized ? "minimized " : "") + std::to_string(m.width) + "x" +
                   std::to_string(m.height);
        }
        std::string operator()(const ScaleChangeMessage& m) const { return "scale " + std::to_string(m.scale); }
        std::string operator()(const PaintMessage&) const { return "paint"; }
        std::string operator()(const CloseRequestMessage&) const { return "close"; }
        std::string operator()(const DestroyMessage&) const { return "destroy"; }
        std::string operator()(const UiWakeMessage&) const { return "wake"; }
    };
    return std::visit(Visitor{button, xy}, message);
}

// Every message until `until` returns true for one (that one included) or the time-out passes.
template <typename Until>
std::vector<WindowMessage> messages_until(SdlWindow& window, std::chrono::milliseconds timeout, Until until) {
    std::vector<WindowMessage> seen;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (auto message = window.wait_message_until(deadline)) {
        seen.push_back(*message);
        if (until(*message)) break;
    }
    return seen;
}

// The first message of kind T within the time-out (other messages are passed over).
template <typename T>
std::optional<T> next_message_of(SdlWindow& window, std::chrono::milliseconds timeout) {
    const auto seen = messages_until(window, timeout, [](const WindowMessage& m) { return std::holds_alternative<T>(m); });
    if (seen.empty() || !std::holds_alternative<T>(seen.back())) return std::nullopt;
    return std::get<T>(seen.back());
}

// Every message that arrives within the time-out.
inline std::vector<WindowMessage> messages_for(SdlWindow& window, std::chrono::milliseconds time) {
    return messages_until(window, time, [](const WindowMessage&) { return false; });
}

inline std::string messages_text(const std::vector<WindowMessage>& messages) {
    std::string text;
    for (const auto& m : messages) text += (text.empty() ? "" : ", ") + message_text(m);
    return text;
}

}  // namespace qo::test

namespace qo {
// For gtest's failure output, of a message and of each kind.
inline void PrintTo(const WindowMessage& message, std::ostream* out) { *out << test::message_text(message); }
template <typename Kind, typename Variant>
struct IsAlternative : std::false_type {};
template <typename Kind, typename... Kinds>
struct IsAlternative<Kind, std::variant<Kinds...>> : std::bool_constant<(std::is_same_v<Kind, Kinds> || ...)> {};

template <typename Kind>
    requires IsAlternative<Kind, WindowMessage>::value
void PrintTo(const Kind& message, std::ostream* out) {
    *out << test::message_text(WindowMessage{message});
}
}  // namespace qo
