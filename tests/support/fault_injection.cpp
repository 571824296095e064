#include "support/fault_injection.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string_view>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace qo::test {
namespace {

constexpr const char* NTH_VARIABLE = "QO_FAULT_NTH";
constexpr const char* CHANGES_VARIABLE = "QO_FAULT_CHANGES";
constexpr const char* UNDER_VARIABLE = "QO_FAULT_UNDER";
constexpr const char* VALUES_VARIABLE = "QO_FAULT_VALUES";  // "name=value" lines

// Set once by armed_child_values() in the child, before its operation starts any thread.
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

std::string canonical_text(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::weakly_canonical(path, ec).string();
}

bool lies_under(std::string_view path) {
    if (armed.under.empty()) return true;
    return path.starts_with(armed.under) && (path.size() == armed.under.size() || path[armed.under.size()] == '/');
}

std::string descriptor_path(int fd) {
    char buffer[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

void count_change(FsChange change, const char* path) {
    if (!armed.active || !(armed.changes & change) || !lies_under(canonical_text(path))) return;
    if (counted.fetch_add(1) + 1 >= armed.nth) ::kill(::getpid(), SIGKILL);
}

void count_copy(int out) {
    if (!armed.active || !(armed.changes & FS_COPY) || !lies_under(descriptor_path(out))) return;
    if (counted.fetch_add(1) + 1 >= armed.nth) ::kill(::getpid(), SIGKILL);
}

template <typename F>
F next_definition(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

std::string encode(const ChildValues& values) {
    std::string text;
    for (const auto& [name, value] : values) text += name + "=" + value + "\n";
    return text;
}

ChildValues decode(std::string_view text) {
    ChildValues values;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        const auto equals = line.find('=');
        if (equals != std::string_view::npos)
            values[std::string(line.substr(0, equals))] = std::string(line.substr(equals + 1));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
    return values;
}

}  // namespace

int temporary_file_removals() { return temporary_removals.load(); }

ChildEnd run_until_killed(const KillPoint& point, const ChildValues& values) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    TempDir scratch;  // the child's own temporary folders, removed with whatever the kill left in them
    ChildOptions options;
    options.arguments = {std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name()};
    options.set_env = {{NTH_VARIABLE, std::to_string(point.nth)},
                       {CHANGES_VARIABLE, std::to_string(point.changes)},
                       {UNDER_VARIABLE, point.under.string()},
                       {VALUES_VARIABLE, encode(values)},
                       {"TMPDIR", scratch.path().string()}};
    options.output_file = scratch / "output.txt";
    ChildProcess child(std::filesystem::read_symlink("/proc/self/exe"), options);
    if (!child.started()) return ChildEnd::failed;
    const auto code = child.wait_for_exit(std::chrono::minutes(4));
    if (code == -SIGKILL) return ChildEnd::killed;
    if (code == 0) return ChildEnd::finished;
    ADD_FAILURE() << "armed child ended with " << (code ? std::to_string(*code) : "no exit in time") << ":\n"
                  << read_file(scratch / "output.txt");
    return ChildEnd::failed;
}

std::optional<ChildValues> armed_child_values() {
    const char* nth = std::getenv(NTH_VARIABLE);
    if (!nth) return std::nullopt;
    const char* under = std::getenv(UNDER_VARIABLE);
    const char* values = std::getenv(VALUES_VARIABLE);
    armed.changes = static_cast<unsigned>(std::strtoul(std::getenv(CHANGES_VARIABLE), nullptr, 10));
    armed.under = under && *under ? canonical_text(under) : std::string();
    armed.nth = std::atoi(nth);
    armed.active = true;
    return decode(values ? values : "");
}

void end_armed_child() {
    std::fflush(nullptr);
    ::_exit(0);
}

}  // namespace qo::test

extern "C" {

int rename(const char* from, const char* to) noexcept {
    qo::test::count_change(qo::test::FS_RENAME, to);
    static auto next = qo::test::next_definition<int (*)(const char*, const char*)>("rename");
    return next(from, to);
}

int link(const char* existing, const char* name) noexcept {
    qo::test::count_change(qo::test::FS_LINK, name);
    static auto next = qo::test::next_definition<int (*)(const char*, const char*)>("link");
    return next(existing, name);
}

int unlink(const char* name) noexcept {
    qo::test::note_removal(name);
    qo::test::count_change(qo::test::FS_REMOVE, name);
    static auto next = qo::test::next_definition<int (*)(const char*)>("unlink");
    return next(name);
}

int remove(const char* name) noexcept {
    qo::test::note_removal(name);
    qo::test::count_change(qo::test::FS_REMOVE, name);
    static auto next = qo::test::next_definition<int (*)(const char*)>("remove");
    return next(name);
}

ssize_t copy_file_range(int in, off64_t* in_offset, int out, off64_t* out_offset, size_t length,
                        unsigned int flags) {
    qo::test::count_copy(out);
    static auto next =
        qo::test::next_definition<ssize_t (*)(int, off64_t*, int, off64_t*, size_t, unsigned int)>("copy_file_range");
    return next(in, in_offset, out, out_offset, length, flags);
}

}  // extern "C"
