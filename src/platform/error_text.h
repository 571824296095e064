#pragma once
// The Portuguese text the player sees for an operating-system error code, after a failed file, folder, process
// or socket operation. Every OS error of the launcher becomes text here.
#include <string>
#include <system_error>

namespace qo {

// Text for an errno-style code: the player's own words for the errors met in a game folder (no space, no
// permission, read-only, missing, name too long, disk error, ...); any other code is named by its number and
// symbol ("erro do sistema 18 (EXDEV)").
std::string os_error_text(int code);

// Text for the calling thread's last error (errno).
std::string last_os_error_text();

// Text for an error code of the standard library (file-system operations); codes of other categories keep the
// library's message.
std::string os_error_text(const std::error_code& error);

}  // namespace qo
