#pragma once
// An error text may carry the system's or the transport's own untranslated wording (host, port, certificate
// problem, ...) for the logs. The player sees the Portuguese text alone (shown_error_text); the tool modes' logs
// write it with the detail in parentheses (logged_error_text). The detail rides inside the text between two
// control characters, so it survives every place an error text is passed on or prefixed.
#include <string>
#include <string_view>

namespace qo {

// `text` followed by the marked detail; an empty detail adds nothing.
std::string with_error_detail(std::string_view text, std::string_view detail);

// The text with every marked detail removed: what a status line or a message box shows.
std::string shown_error_text(std::string_view text);

// The text with every detail in parentheses after it: "a conexão foi recusada (Failed to connect ...)".
std::string logged_error_text(std::string_view text);

}  // namespace qo
