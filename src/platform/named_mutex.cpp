#include "platform/named_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <thread>
#include <utility>

#include "platform/error_text.h"

namespace qo {
namespace {

constexpr std::chrono::milliseconds kWaitPollInterval{25};

// Keeps letters, digits, '.', '-' and '_'; anything else (the '\' of "Global\...") becomes '_'.
std::string flat_name(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '.' || c == '-' || c == '_';
        out.push_back(plain ? c : '_');
    }
    return out;
}

// Non-blocking attempt at the exclusive lock: 1 = taken, 0 = held elsewhere, -1 = failure.
int try_lock(int fd) {
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 1;
        if (errno == EINTR) continue;
        return errno == EWOULDBLOCK ? 0 : -1;
    }
}

std::atomic<NamedMutex*> g_single_instance{nullptr};

}  // namespace

std::filesystem::path named_mutex_lock_path(std::string_view name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) return std::filesystem::path(runtime) / (flat_name(name) + ".lock");
    // Every user shares /tmp: the user's id in the name keeps each user's launcher to a lock of its own.
    return std::filesystem::path("/tmp") / (flat_name(name) + "-" + std::to_string(::getuid()) + ".lock");
}

NamedMutexCreated create_named_mutex(std::string_view name) {
    const auto path = named_mutex_lock_path(name);
    // A link planted at the name (another user can create one in /tmp) fails the open instead of being followed.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return NamedMutexCreated{std::nullopt, false, last_os_error_text()};
    switch (try_lock(fd)) {
        case 1:
            return NamedMutexCreated{NamedMutex(fd, true), false, {}};
        case 0:
            return NamedMutexCreated{NamedMutex(fd, false), true, {}};
        default: {
            std::string error = last_os_error_text();
            ::close(fd);
            return NamedMutexCreated{std::nullopt, false, std::move(error)};
        }
    }
}

NamedMutex::NamedMutex(NamedMutex&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), owned_(std::exchange(other.owned_, false)) {}

NamedMutex& NamedMutex::operator=(NamedMutex&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        owned_ = std::exchange(other.owned_, false);
    }
    return *this;
}

NamedMutex::~NamedMutex() {
    if (fd_ >= 0) ::close(fd_);
}

MutexWait NamedMutex::wait(std::chrono::milliseconds timeout) {
    if (fd_ < 0) return MutexWait::Failed;
    if (owned_) return MutexWait::Acquired;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const int result = try_lock(fd_);
        if (result < 0) return MutexWait::Failed;
        if (result > 0) {
            owned_ = true;
            return MutexWait::Acquired;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return MutexWait::TimedOut;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kWaitPollInterval, deadline - now));
    }
}

void NamedMutex::release() {
    if (!owned_ || fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    owned_ = false;
}

void store_single_instance_mutex(NamedMutex mutex) {
    auto* previous = g_single_instance.exchange(new NamedMutex(std::move(mutex)), std::memory_order_acq_rel);
    if (previous) {
        previous->release();
        delete previous;
    }
}

std::unique_ptr<NamedMutex> take_single_instance_mutex() {
    return std::unique_ptr<NamedMutex>(g_single_instance.exchange(nullptr, std::memory_order_acq_rel));
}

void release_single_instance_mutex() {
    if (auto mutex = take_single_instance_mutex()) mutex->release();
}

}  // namespace qo
