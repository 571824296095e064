#include "platform/error_text.h"

#include <cerrno>
#include <system_error>

namespace qo {

std::string os_error_text(int code) { return std::generic_category().message(code); }

std::string last_os_error_text() { return os_error_text(errno); }

}  // namespace qo
