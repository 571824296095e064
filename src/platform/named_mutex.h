#pragma once
// A machine-wide named mutex, held by at most one process at a time.
//
// The mutex is a lock file named after the mutex, under $XDG_RUNTIME_DIR (else /tmp, with the user's id in the
// name), held with an exclusive flock; a link at that name is never followed. Creating it asks for ownership at
// once: the creator either owns it, or learns that another process holds it and keeps a handle it can wait on.
// The lock goes away with its handle (or with the process); the lock file itself stays, which is harmless.
// Handles are not inherited by programs this process starts.
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qo {

enum class MutexWait {
    Acquired,  // this handle owns the mutex now
    TimedOut,  // another process still held it at the deadline
    Failed,    // the lock could not be asked for
};

struct NamedMutexCreated;

class NamedMutex {
public:
    NamedMutex(NamedMutex&& other) noexcept;
    NamedMutex& operator=(NamedMutex&& other) noexcept;
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;
    // Closes the handle; a held lock ends with it.
    ~NamedMutex();

    bool owned() const { return owned_; }

    // Waits up to the time-out for the other holder to let go, polling the lock.
    MutexWait wait(std::chrono::milliseconds timeout);

    // Gives up ownership and keeps the handle. Nothing happens when this handle does not own the mutex.
    void release();

private:
    friend NamedMutexCreated create_named_mutex(std::string_view name);
    NamedMutex(int fd, bool owned) : fd_(fd), owned_(owned) {}

    int fd_ = -1;
    bool owned_ = false;
};

struct NamedMutexCreated {
    std::optional<NamedMutex> mutex;  // absent when the lock file could not be opened
    bool already_exists = false;      // another process holds the mutex; `mutex` is then a handle not owned
    std::string error;                // why there is no handle (system text)
};

// Creates or opens the named mutex and asks for ownership without waiting.
NamedMutexCreated create_named_mutex(std::string_view name);

// The lock file that stands for the named mutex: "Global\QoOnline.Launcher" becomes
// "$XDG_RUNTIME_DIR/Global_QoOnline.Launcher.lock", or "/tmp/Global_QoOnline.Launcher-<user id>.lock" without a
// runtime folder.
std::filesystem::path named_mutex_lock_path(std::string_view name);

// The process-wide slot of the single-instance mutex. It is only ever swapped atomically, so whoever takes the
// handle out (the exit step, the second-instance path, a restart of the launcher) is the only one to release it.
void store_single_instance_mutex(NamedMutex mutex);
std::unique_ptr<NamedMutex> take_single_instance_mutex();
// Takes the handle out of the slot, releases the mutex and closes the handle. Safe when the slot is empty.
void release_single_instance_mutex();

}  // namespace qo
