#pragma once
// A guard for calls that might never return (a read of a FIFO that waits for a writer, a hash of an endless
// device): the call runs in a forked copy of the test process, which is killed when it has not ended in time, so
// a fault fails the test instead of hanging it. The copy's address space is bounded too (outside sanitizer
// builds), so an endless read into memory ends it instead of the machine's memory.
#include <chrono>
#include <functional>
#include <optional>

namespace qo::test {

// Runs `work` in a forked child (its address space bounded to 2 GiB) and returns its result (0..255), or nothing when the child did not end within
// `limit` or ended by a signal. Only for tests without threads of their own: a fork copies the calling thread.
std::optional<int> run_guarded(const std::function<int()>& work,
                               std::chrono::milliseconds limit = std::chrono::milliseconds(10'000));

}  // namespace qo::test
