#pragma once
// Running a program as a child process in tests: chosen environment, output captured to files, bounded waits.
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qo::test {

struct ChildOptions {
    std::vector<std::string> arguments;            // without the program itself
    std::map<std::string, std::string> set_env;    // added to (or replacing in) the test's environment
    std::vector<std::string> unset_env;            // removed from the environment
    std::filesystem::path working_folder;          // empty: the test's own
    std::filesystem::path output_file;             // stdout and stderr together; empty: /dev/null
};

class ChildProcess {
public:
    // Starts the program; check started().
    ChildProcess(const std::filesystem::path& program, const ChildOptions& options);
    // Ends the child if it still runs (SIGTERM, then SIGKILL) and reaps it.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    int pid() const { return pid_; }

    // Asks the child to end (SIGTERM) without waiting.
    void request_stop();

    // The exit code once the child has ended within the time-out; nothing while it still runs (or when it was
    // ended by a signal, which counts as -signal).
    std::optional<int> wait_for_exit(std::chrono::milliseconds timeout);

private:
    int pid_ = -1;
    std::optional<int> exit_code_;
};

}  // namespace qo::test
