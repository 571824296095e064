#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

extern char** environ;

namespace qo::test {
namespace {

std::vector<std::string> child_environment(const ChildOptions& options) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        const bool dropped = options.set_env.contains(name) ||
                             std::ranges::find(options.unset_env, name) != options.unset_env.end();
        if (!dropped) env.push_back(entry);
    }
    for (const auto& [name, value] : options.set_env) env.push_back(name + "=" + value);
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> out;
    for (auto& t : texts) out.push_back(t.data());
    out.push_back(nullptr);
    return out;
}

}  // namespace

ChildProcess::ChildProcess(const std::filesystem::path& program, const ChildOptions& options) {
    std::vector<std::string> argv_texts{program.string()};
    argv_texts.insert(argv_texts.end(), options.arguments.begin(), options.arguments.end());
    std::vector<std::string> env_texts = child_environment(options);
    auto argv = pointers(argv_texts);
    auto envp = pointers(env_texts);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string output = options.output_file.empty() ? "/dev/null" : options.output_file.string();
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!options.working_folder.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, options.working_folder.c_str());
    }
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0) pid_ = pid;
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess() {
    if (pid_ <= 0 || exit_code_) return;
    // Ask first, so that servers clean up after themselves; insist when they do not end.
    ::kill(pid_, SIGTERM);
    if (wait_for_exit(std::chrono::seconds(3))) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
}

void ChildProcess::request_stop() {
    if (pid_ > 0 && !exit_code_) ::kill(pid_, SIGTERM);
}

std::optional<int> ChildProcess::wait_for_exit(std::chrono::milliseconds timeout) {
    if (exit_code_ || pid_ <= 0) return exit_code_;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
            return exit_code_;
        }
        if (done < 0 || std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace qo::test
