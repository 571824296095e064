#pragma once
// Message boxes: the blocking one for the few messages that are shown without the launcher's window, and the
// one the window shows while it goes on being served (a process of its own, transient for the window).
#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qo {

enum class MessageBoxKind { Information, Error };

// Shows the text with its caption and waits until the user closes the box. Where no display is available (or
// the box cannot be shown) the caption and the text go to standard error instead.
void show_message_box(std::string_view caption, std::string_view text, MessageBoxKind kind);

// Whether a box would be seen: an X or Wayland display, and a video driver that draws somewhere.
bool message_box_display_available();

// The command-line word that makes the executable show one box for a window and end (arguments: the window's
// X id in decimal, 0 for none; "erro" or "info"; the caption; the text).
inline constexpr std::string_view MESSAGE_BOX_MODE_WORD = "--caixa-de-mensagem";

// The body of that mode: the box stays in front of the window with that X id (transient for it) and ends with
// code 0 once it is closed. Wrong arguments give code 2.
int message_box_mode(const std::vector<std::string>& arguments);

// A box up in a child process (this executable in the mode above), so that the window that asked for it keeps
// painting and reading its events meanwhile. The child leads a process group of its own, which ending the box
// takes down whole, so no box outlives its window.
class MessageBoxProcess {
public:
    // Nothing when the child could not be started.
    static std::optional<MessageBoxProcess> start(std::string_view caption, std::string_view text,
                                                  MessageBoxKind kind, std::uint64_t parent_window);
    MessageBoxProcess(MessageBoxProcess&& other) noexcept;
    MessageBoxProcess& operator=(MessageBoxProcess&& other) noexcept;
    MessageBoxProcess(const MessageBoxProcess&) = delete;
    MessageBoxProcess& operator=(const MessageBoxProcess&) = delete;
    ~MessageBoxProcess();

    // Whether the box is still up; a child that has ended is reaped here.
    bool up();
    // Takes the box down at once (its whole process group) and reaps the child.
    void end();

private:
    explicit MessageBoxProcess(pid_t pid) : pid_(pid) {}
    pid_t pid_ = -1;
};

}  // namespace qo
