#include "support/fault_injection.h"

#include <dlfcn.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <string_view>

namespace qo::test {
namespace {

// Written only by a freshly forked child before its body runs.
struct Armed {
    bool active = false;
    unsigned changes = 0;
    std::string under;
    int nth = 0;
};
Armed armed;
std::atomic<int> counted{0};
std::atomic<int> temporary_removals{0};  // names holding ".tmp-"

void note_removal(const char* path) {
    if (path != nullptr && std::string_view(path).find(".tmp-") != std::string_view::npos)
        temporary_removals.fetch_add(1);
}

bool lies_under(std::string_view path) {
    if (armed.under.empty()) return true;
    return path.starts_with(armed.under) &&
           (path.size() == armed.under.size() || path[armed.under.size()] == '/');
}

// The path with links resolved as far as it exists, as the armed folder is.
std::string absolute_text(const char* path) {
    if (!armed.active) return {};
    std::error_code ec;
    return std::filesystem::weakly_canonical(path, ec).string();
}

std::string descriptor_path(int fd) {
    if (!armed.active) return {};
    char buffer[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

void before_change(FsChange change, const std::string& path) {
    if (!armed.active || !(armed.changes & change) || !lies_under(path)) return;
    if (counted.fetch_add(1) + 1 >= armed.nth) ::kill(::getpid(), SIGKILL);
}

template <typename F>
F real(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

int temporary_file_removals() { return temporary_removals.load(); }

ChildEnd run_until_killed(const KillPoint& point, const std::function<void()>& body) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) return ChildEnd::failed;
    if (pid == 0) {
        std::error_code ec;
        armed = Armed{true, point.changes,
                      point.under.empty() ? std::string()
                                          : std::filesystem::weakly_canonical(point.under, ec).string(),
                      point.nth};
        int code = 0;
        try {
            body();
        } catch (...) {
            code = 2;
        }
        ::_exit(code);  // no destructors, no exit handlers: the test's own state belongs to the parent
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) return ChildEnd::killed;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return ChildEnd::finished;
    return ChildEnd::failed;
}

}  // namespace qo::test

using qo::test::before_change;

extern "C" {

int rename(const char* from, const char* to) noexcept {
    before_change(qo::test::FS_RENAME, qo::test::absolute_text(to));
    static auto next = qo::test::real<int (*)(const char*, const char*)>("rename");
    return next(from, to);
}

int link(const char* existing, const char* name) noexcept {
    before_change(qo::test::FS_LINK, qo::test::absolute_text(name));
    static auto next = qo::test::real<int (*)(const char*, const char*)>("link");
    return next(existing, name);
}

int unlink(const char* name) noexcept {
    qo::test::note_removal(name);
    before_change(qo::test::FS_REMOVE, qo::test::absolute_text(name));
    static auto next = qo::test::real<int (*)(const char*)>("unlink");
    return next(name);
}

int remove(const char* name) noexcept {
    qo::test::note_removal(name);
    before_change(qo::test::FS_REMOVE, qo::test::absolute_text(name));
    static auto next = qo::test::real<int (*)(const char*)>("remove");
    return next(name);
}

ssize_t copy_file_range(int in, off64_t* in_offset, int out, off64_t* out_offset, size_t length,
                        unsigned int flags) {
    before_change(qo::test::FS_COPY, qo::test::descriptor_path(out));
    static auto next =
        qo::test::real<ssize_t (*)(int, off64_t*, int, off64_t*, size_t, unsigned int)>("copy_file_range");
    return next(in, in_offset, out, out_offset, length, flags);
}

}  // extern "C"
