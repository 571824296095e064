#include "platform/process.h"

#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
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

namespace {

// Where a child started from an open executable finds that executable's descriptor.
constexpr int CHILD_EXECUTABLE_FD = 3;

// The child keeps standard input, output and error, and the executable's descriptor when one is given (moved to
// CHILD_EXECUTABLE_FD); every other descriptor of this process, close-on-exec or not, is closed in the child.
int pass_only_standard_descriptors(posix_spawn_file_actions_t& actions, int executable_fd) {
    if (executable_fd < 0) return ::posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    if (int err = ::posix_spawn_file_actions_adddup2(&actions, executable_fd, CHILD_EXECUTABLE_FD)) return err;
    return ::posix_spawn_file_actions_addclosefrom_np(&actions, CHILD_EXECUTABLE_FD + 1);
}

// Starts `executable` (looked up in PATH when `search_path`) with argv[0] = `name` in a session of its own, so it
// outlives this process and its terminal, with default signal handling and nothing blocked. With an
// `executable_fd`, `executable` names CHILD_EXECUTABLE_FD in the child's /proc/self/fd.
std::expected<int, std::string> spawn_in_session(const std::string& executable, bool search_path,
                                                 const std::string& name, const std::vector<std::string>& arguments,
                                                 const fs::path& working_folder, int executable_fd = -1) {
    SpawnSetup setup;
    if (!working_folder.empty()) {
        if (int err = ::posix_spawn_file_actions_addchdir_np(&setup.actions_, working_folder.c_str()))
            return std::unexpected(os_error_text(err));
    }
    if (int err = pass_only_standard_descriptors(setup.actions_, executable_fd))
        return std::unexpected(os_error_text(err));
    ::posix_spawnattr_setflags(&setup.attributes_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    sigset_t signals;
    sigemptyset(&signals);
    ::posix_spawnattr_setsigmask(&setup.attributes_, &signals);
    sigfillset(&signals);
    ::posix_spawnattr_setsigdefault(&setup.attributes_, &signals);

    std::vector<std::string> words;
    words.reserve(arguments.size() + 1);
    words.push_back(name);
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    int err = search_path ? ::posix_spawnp(&pid, executable.c_str(), &setup.actions_, &setup.attributes_,
                                           argv.data(), environ)
                          : ::posix_spawn(&pid, executable.c_str(), &setup.actions_, &setup.attributes_,
                                          argv.data(), environ);
    if (err != 0) return std::unexpected(os_error_text(err));
    reap_in_background(pid);
    return static_cast<int>(pid);
}

bool found_in_path(std::string_view program) {
    const char* path = std::getenv("PATH");
    std::string_view folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const auto colon = folders.find(':');
        std::string_view folder = folders.substr(0, colon);
        const fs::path candidate = fs::path(folder.empty() ? "." : folder) / program;
        if (::access(candidate.c_str(), X_OK) == 0) return true;
        if (colon == std::string_view::npos) return false;
        folders.remove_prefix(colon + 1);
    }
}

}  // namespace

std::expected<int, std::string> spawn_detached(const fs::path& program, const std::vector<std::string>& arguments,
                                               const fs::path& working_folder) {
    const std::string text = program.string();
    return spawn_in_session(text, text.find('/') == std::string::npos, text, arguments, working_folder);
}

std::expected<int, std::string> spawn_detached_from_file(std::FILE* file, const fs::path& path,
                                                         const std::vector<std::string>& arguments,
                                                         const fs::path& working_folder) {
    const int fd = file ? ::fileno(file) : -1;
    if (fd < 0) return std::unexpected(os_error_text(EBADF));
    char magic[2] = {};
    if (::pread(fd, magic, sizeof magic, 0) == 2 && magic[0] == 'M' && magic[1] == 'Z') {
        if (!found_in_path("wine"))
            return std::unexpected(std::string("o jogo é um programa do Windows e o wine não está instalado"));
        std::vector<std::string> wine_arguments{path.string()};
        wine_arguments.insert(wine_arguments.end(), arguments.begin(), arguments.end());
        return spawn_in_session("wine", true, "wine", wine_arguments, working_folder);
    }
    // Executing the descriptor's /proc entry runs the very file behind the handle, even when its path has been
    // renamed or replaced since it was opened. The descriptor stays open in the child, since a script's
    // interpreter reads the script through that same entry.
    return spawn_in_session("/proc/self/fd/" + std::to_string(CHILD_EXECUTABLE_FD), false, path.string(), arguments,
                            working_folder, fd);
}

void open_url(const std::string& url) { (void)spawn_detached("xdg-open", {url}); }

}  // namespace qo
