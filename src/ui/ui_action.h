#pragma once
// What the player asked for on the main screen or in the settings dialog, as the window procedure recognises it;
// carried out by the shell's action dispatcher.
#include <cstdint>
#include <string>
#include <variant>

namespace qo {

// Open a web page (only http and https addresses are opened).
struct OpenUrlAction {
    std::string url;
    friend bool operator==(const OpenUrlAction&, const OpenUrlAction&) = default;
};

struct PlayAction {
    friend bool operator==(const PlayAction&, const PlayAction&) = default;
};

struct MinimizeAction {
    friend bool operator==(const MinimizeAction&, const MinimizeAction&) = default;
};

struct CloseAction {
    friend bool operator==(const CloseAction&, const CloseAction&) = default;
};

// Open the settings dialog.
struct OpenOptionsAction {
    friend bool operator==(const OpenOptionsAction&, const OpenOptionsAction&) = default;
};

// The "Modo janela" toggle was flipped to `on`.
struct SetWindowedAction {
    bool on = false;
    friend bool operator==(const SetWindowedAction&, const SetWindowedAction&) = default;
};

// "Salvar" in the settings dialog: the values chosen there, checked and clamped by the dispatcher.
struct SaveOptionsAction {
    std::string lang;
    std::uint32_t window_mode = 1;
    std::uint32_t resolution = 1;
    std::uint32_t fps_index = 5;
    std::uint32_t render_state = 0;
    std::uint32_t volume = 0;
    bool sound = false;
    bool music = false;
    friend bool operator==(const SaveOptionsAction&, const SaveOptionsAction&) = default;
};

using UiAction = std::variant<OpenUrlAction, PlayAction, MinimizeAction, CloseAction, OpenOptionsAction,
                              SetWindowedAction, SaveOptionsAction>;

}  // namespace qo
