#pragma once
// Crashes on demand, on real files: the code under test runs in a child process that is killed with SIGKILL just
// before its n-th file-system change (a rename, a link, a removal or a kernel copy of file bytes), as a power cut
// or a kill -9 would, and the test then looks at what was left on disk. The test executable's own definitions of
// rename, link, unlink, remove and copy_file_range stand in front of the C library's to count the changes; until
// a child is armed they only pass the call on.
//
// The child is a new process of the test executable running the same test again (not a fork: the test's own
// threads, an HTTPS server, could leave a lock held in a forked copy). The test tells the two apart:
//
//     if (auto values = test::armed_child_values()) {   // the child: one operation, then gone
//         do_the_operation(values->at("root"));
//         test::end_armed_child();
//     }
//     ... test::run_until_killed({.nth = 2}, {{"root", root.string()}}) ...   // the test itself
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace qo::test {

enum FsChange : unsigned {
    FS_RENAME = 1u << 0,
    FS_LINK = 1u << 1,
    FS_REMOVE = 1u << 2,  // unlink and remove
    FS_COPY = 1u << 3,    // copy_file_range, counted by the file it writes
    FS_ANY_CHANGE = FS_RENAME | FS_LINK | FS_REMOVE | FS_COPY,
};

struct KillPoint {
    int nth = 1;                       // the process dies before this counted change
    unsigned changes = FS_ANY_CHANGE;  // which calls count
    std::filesystem::path under{};     // only changes of paths inside this folder count (empty: every path)
};

enum class ChildEnd { killed, finished, failed };

using ChildValues = std::map<std::string, std::string>;

// Removals (unlink, remove) in this process of paths holding ".tmp-" (the download workers' temporary names),
// counted from the start.
int temporary_file_removals();

// Runs the current test again in a child process armed with `point` and handed `values`, and waits for it.
// `failed` means it ended any other way than by the kill or by end_armed_child().
ChildEnd run_until_killed(const KillPoint& point, const ChildValues& values);

// In the child: the values handed over, and from this call on the process is armed. In the test itself: nothing.
std::optional<ChildValues> armed_child_values();

// Ends the child at once after its operation (no clean-up: the test that started it removes what it left).
[[noreturn]] void end_armed_child();

}  // namespace qo::test
