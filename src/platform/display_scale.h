#pragma once
// The display's scale from the X resources: Xft.dpi / 96, the setting desktops use for the font and UI scale.
#include <optional>
#include <string>
#include <string_view>

namespace qo {

// Scales outside this range are clamped: smaller would make the window unusable, larger would ask for
// pictures of several gigabytes from a mistyped setting.
inline constexpr double kSmallestDisplayScale = 0.5;
inline constexpr double kLargestDisplayScale = 3.0;

// The Xft.dpi value of a resource-manager text (as `xrdb -query` prints it); nothing when it is absent, not a
// number, or not positive.
std::optional<double> xft_dpi_from_resources(std::string_view resources);

// Xft.dpi / 96 clamped to the range above; nothing without a usable Xft.dpi.
std::optional<double> scale_from_resources(std::string_view resources);

// The resource-manager text of the X display named by DISPLAY, read afresh; nothing without a display or
// without resources.
std::optional<std::string> read_x_resources();

}  // namespace qo
