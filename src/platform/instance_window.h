#pragma once
// Finding the window of another running launcher and bringing it to the front.
#include <cstdint>
#include <optional>
#include <string_view>

namespace qo {

// A top-level window of some process on the display (opaque to callers).
struct InstanceWindow {
    std::uint64_t id = 0;
};

// The first top-level window whose window class is `class_name`. Nothing without a display.
std::optional<InstanceWindow> find_window_by_class(std::string_view class_name);

// The first top-level window whose title is exactly `title` (an empty title finds an untitled window).
// Nothing without a display.
std::optional<InstanceWindow> find_window_by_title(std::string_view title);

// Restores the window when it is minimised or hidden and asks the window manager to activate it.
void restore_and_activate(InstanceWindow window);

}  // namespace qo
