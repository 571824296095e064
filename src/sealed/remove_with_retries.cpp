#include "sealed/remove_with_retries.h"

#include <system_error>

namespace qo {

int remove_file_with_retries(const std::filesystem::path& path, const RetryPause& pause) {
    for (int attempt = 1;; ++attempt) {
        std::error_code error;
        if (std::filesystem::remove(path, error) && !error) return attempt;
        // Gone already (or no longer reachable at all): nothing left to do.
        std::error_code status_error;
        const auto status = std::filesystem::symlink_status(path, status_error);
        if (status_error || status.type() == std::filesystem::file_type::not_found) return attempt;
        if (attempt == REMOVE_ATTEMPTS) return attempt;
        pause_with(pause, REMOVE_RETRY_PAUSE);
    }
}

}  // namespace qo
