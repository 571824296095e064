#include "support/hang_guard.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

namespace qo::test {
namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool BOUND_ADDRESS_SPACE = false;  // sanitizers reserve far more address space than they use
#else
constexpr bool BOUND_ADDRESS_SPACE = true;
#endif
constexpr rlim_t CHILD_ADDRESS_SPACE = rlim_t{2} << 30;

}  // namespace

std::optional<int> run_guarded(const std::function<int()>& work, std::chrono::milliseconds limit) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) return std::nullopt;
    if (child == 0) {
        if (BOUND_ADDRESS_SPACE) {
            const rlimit bound{CHILD_ADDRESS_SPACE, CHILD_ADDRESS_SPACE};
            ::setrlimit(RLIMIT_AS, &bound);
        }
        int result = 255;
        try {
            result = work();
        } catch (...) {
        }
        std::fflush(nullptr);
        ::_exit(result);
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) break;
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!WIFEXITED(status)) return std::nullopt;
    return WEXITSTATUS(status);
}

}  // namespace qo::test
