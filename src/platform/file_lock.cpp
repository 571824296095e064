#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/error_text.h"
#include "platform/open_by_name.h"

namespace qo {

FileLock::FileLock(FileLock&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) ::close(descriptor_);
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

FileLock::~FileLock() {
    if (descriptor_ >= 0) ::close(descriptor_);  // closing the only descriptor releases the lock
}

std::expected<FileLock, std::string> try_lock_exclusive(const std::filesystem::path& file) {
    int fd = open_by_name(file, O_RDWR | O_CREAT, 0666);
    if (fd < 0) return std::unexpected(last_os_error_text());
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        std::string text = last_os_error_text();
        ::close(fd);
        return std::unexpected(std::move(text));
    }
    return FileLock(fd);
}

}  // namespace qo
