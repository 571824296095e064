#pragma once
// Background threads that nobody joins: the window's update jobs and its status and configuration fetchers.
#include <cstddef>
#include <functional>

namespace qo {

inline constexpr std::size_t DETACHED_THREAD_STACK = 2 * 1024 * 1024;

// Runs `body` on a new detached thread with a stack of `stack_bytes`. A thread that cannot be started ends the
// process with "failed to spawn thread".
void spawn_detached_thread(std::function<void()> body, std::size_t stack_bytes = DETACHED_THREAD_STACK);

}  // namespace qo
