#pragma once
// The operating system's own description of an error code, as shown to the user after a failed file or
// process operation.
#include <string>

namespace qo {

// Text for an errno-style code.
std::string os_error_text(int code);

// Text for the calling thread's last error (errno).
std::string last_os_error_text();

}  // namespace qo
