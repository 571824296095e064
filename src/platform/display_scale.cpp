#include "platform/display_scale.h"

#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <mutex>

namespace qo {

std::optional<double> xft_dpi_from_resources(std::string_view resources) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { XrmInitialize(); });
    const std::string text(resources);
    XrmDatabase database = XrmGetStringDatabase(text.c_str());
    if (!database) return std::nullopt;
    std::optional<double> dpi;
    char* type = nullptr;
    XrmValue value{};
    if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) {
        std::string_view number(value.addr, ::strnlen(value.addr, value.size));  // the size may count a NUL
        while (!number.empty() && (number.back() == ' ' || number.back() == '\t')) number.remove_suffix(1);
        double parsed = 0;
        const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), parsed);
        if (error == std::errc() && end == number.data() + number.size() && std::isfinite(parsed) && parsed > 0) {
            dpi = parsed;
        }
    }
    XrmDestroyDatabase(database);
    return dpi;
}

std::optional<double> scale_from_resources(std::string_view resources) {
    const auto dpi = xft_dpi_from_resources(resources);
    if (!dpi) return std::nullopt;
    return std::clamp(*dpi / 96.0, kSmallestDisplayScale, kLargestDisplayScale);
}

std::optional<std::string> read_x_resources() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return std::nullopt;
    std::optional<std::string> resources;
    if (const char* text = XResourceManagerString(display)) resources = text;
    XCloseDisplay(display);
    return resources;
}

}  // namespace qo
