#include "main/old_executable_cleanup.h"

#include <condition_variable>
#include <mutex>
#include <utility>

#include "platform/detached_thread.h"
#include "platform/process.h"
#include "sealed/remove_with_retries.h"

namespace qo {
namespace {

struct CleanupTracker {
    std::mutex mutex;
    std::condition_variable done;
    int running = 0;
};

// Never destroyed: a detached remover may still finish while the process is ending.
CleanupTracker& tracker() {
    static auto* instance = new CleanupTracker;
    return *instance;
}

}  // namespace

std::filesystem::path old_executable_path() {
    std::filesystem::path path = current_exe_path();
    path += ".old";
    return path;
}

void start_old_executable_cleanup(std::filesystem::path old_path) {
    CleanupTracker& state = tracker();
    {
        std::lock_guard lock(state.mutex);
        ++state.running;
    }
    spawn_detached_thread([path = std::move(old_path), &state] {
        remove_file_with_retries(path);
        {
            std::lock_guard lock(state.mutex);
            --state.running;
        }
        state.done.notify_all();
    });
}

void wait_for_old_executable_cleanup(std::chrono::milliseconds timeout) {
    CleanupTracker& state = tracker();
    std::unique_lock lock(state.mutex);
    state.done.wait_for(lock, timeout, [&] { return state.running == 0; });
}

}  // namespace qo
