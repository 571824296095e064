#include "platform/process.h"

#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/error_text.h"

extern char** environ;

namespace qo {
namespace fs = std::filesystem;

namespace {

fs::path read_exe_link() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return "QoTarmish.exe";
    return exe;
}

const fs::path& exe_path_at_start() {
    static const fs::path path = read_exe_link();
    return path;
}

// Read while the program starts, before anything can rename the executable.
[[maybe_unused]] const bool g_exe_path_read_at_start = (exe_path_at_start(), true);

// Collects the child's exit status so that no finished child is left behind as a zombie.
void reap_in_background(pid_t pid) {
    try {
        std::thread([pid] {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: the finished child stays a zombie until this process ends.
    }
}

class SpawnSetup {
public:
    SpawnSetup() {
        ::posix_spawn_file_actions_init(&actions_);
        ::posix_spawnattr_init(&attributes_);
    }
    ~SpawnSetup() {
        ::posix_spawnattr_destroy(&attributes_);
        ::posix_spawn_file_actions_destroy(&actions_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

}  // namespace

fs::path current_exe_path() { return exe_path_at_start(); }

fs::path launcher_dir() {
    fs::path parent = current_exe_path().parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

unsigned processor_count() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        int count = CPU_COUNT(&set);
        if (count > 0) return static_cast<unsigned>(count);
    }
    long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<unsigned>(online) : 1u;
}

std::expected<int, std::string> spawn_detached(const fs::path& program, const std::vector<std::string>& arguments,
                                               const fs::path& working_folder) {
    SpawnSetup setup;
    if (!working_folder.empty()) {
        if (int err = ::posix_spawn_file_actions_addchdir_np(&setup.actions_, working_folder.c_str()))
            return std::unexpected(os_error_text(err));
    }
    // A session of its own: the child outlives this process and its terminal.
    ::posix_spawnattr_setflags(&setup.attributes_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
    sigset_t no_signals;
    sigemptyset(&no_signals);
    ::posix_spawnattr_setsigmask(&setup.attributes_, &no_signals);

    std::string program_text = program.string();
    std::vector<char*> argv;
    argv.push_back(program_text.data());
    std::vector<std::string> copies(arguments);
    for (auto& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    const bool search_path = program_text.find('/') == std::string::npos;
    int err = search_path ? ::posix_spawnp(&pid, program_text.c_str(), &setup.actions_, &setup.attributes_,
                                           argv.data(), environ)
                          : ::posix_spawn(&pid, program_text.c_str(), &setup.actions_, &setup.attributes_,
                                          argv.data(), environ);
    if (err != 0) return std::unexpected(os_error_text(err));
    reap_in_background(pid);
    return static_cast<int>(pid);
}

void open_url(const std::string& url) { (void)spawn_detached("xdg-open", {url}); }

}  // namespace qo
