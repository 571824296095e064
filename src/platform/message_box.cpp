#include "platform/message_box.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace qo {
namespace {

bool env_set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Without an X or Wayland display, or with a video driver that draws nowhere, a box would never be seen.
bool display_available() {
    if (const char* driver = std::getenv("SDL_VIDEODRIVER")) {
        const std::string_view name(driver);
        if (name == "offscreen" || name == "dummy") return false;
    }
    return env_set("DISPLAY") || env_set("WAYLAND_DISPLAY");
}

void write_to_stderr(std::string_view caption, std::string_view text) {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
    std::fflush(stderr);
}

}  // namespace

void show_message_box(std::string_view caption, std::string_view text, MessageBoxKind kind) {
    if (display_available()) {
        const Uint32 flags = kind == MessageBoxKind::Error ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
        const std::string title(caption);
        const std::string message(text);
        if (SDL_ShowSimpleMessageBox(flags, title.c_str(), message.c_str(), nullptr) == 0) return;
    }
    write_to_stderr(caption, text);
}

}  // namespace qo
