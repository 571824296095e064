#pragma once
// Modal message boxes for the few messages that are not shown in the launcher's window.
#include <string_view>

namespace qo {

enum class MessageBoxKind { Information, Error };

// Shows the text with its caption and waits until the user closes the box. Where no display is available (or
// the box cannot be shown) the caption and the text go to standard error instead.
void show_message_box(std::string_view caption, std::string_view text, MessageBoxKind kind);

}  // namespace qo
