#include "platform/random.h"

#include <sys/random.h>

#include <cerrno>

#include "platform/error_text.h"

namespace qo {

std::expected<void, std::string> fill_random_bytes(std::span<std::uint8_t> out) {
    std::size_t filled = 0;
    while (filled < out.size()) {
        ssize_t n = ::getrandom(out.data() + filled, out.size() - filled, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::unexpected(last_os_error_text());
        }
        filled += static_cast<std::size_t>(n);
    }
    return {};
}

}  // namespace qo
