#pragma once
// How the update flows wait between retries. Tests hand in a sleeper that records the pauses instead of sleeping,
// so retry schedules are checked without slowing the suite.
#include <chrono>
#include <functional>
#include <thread>

namespace qo {

using Sleeper = std::function<void(std::chrono::milliseconds)>;

// Waits through `sleep`, or really sleeps when none is given.
inline void pause_with(const Sleeper& sleep, std::chrono::milliseconds duration) {
    if (sleep) sleep(duration);
    else std::this_thread::sleep_for(duration);
}

}  // namespace qo
