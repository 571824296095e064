#pragma once
// Crashes on demand, on real files: a test runs the code under test in a forked child that is killed with
// SIGKILL just before its n-th file-system change (a rename, a link, a removal or a kernel copy of file bytes),
// as a power cut or a kill -9 would, and then looks at what was left on disk. The test executable's own
// definitions of rename, link, unlink, remove and copy_file_range stand in front of the C library's to count the
// changes; until a child arms them they only pass the call on. They also count removals of temporary names in
// the test process itself.
#include <filesystem>
#include <functional>

namespace qo::test {

enum FsChange : unsigned {
    FS_RENAME = 1u << 0,
    FS_LINK = 1u << 1,
    FS_REMOVE = 1u << 2,  // unlink and remove
    FS_COPY = 1u << 3,    // copy_file_range, counted by the file it writes
    FS_ANY_CHANGE = FS_RENAME | FS_LINK | FS_REMOVE | FS_COPY,
};

struct KillPoint {
    int nth = 1;                      // the process dies before this counted change
    unsigned changes = FS_ANY_CHANGE; // which calls count
    std::filesystem::path under{};    // only changes of paths inside this folder count (empty: every path)
};

enum class ChildEnd { killed, finished, failed };

// Removals (unlink, remove) in this process of paths holding ".tmp-" (the download workers' temporary names),
// counted from the start.
int temporary_file_removals();

// Runs `body` in a forked child armed with `point`; the child never returns into the test. `failed` means the
// body threw or the child ended some other way.
ChildEnd run_until_killed(const KillPoint& point, const std::function<void()>& body);

}  // namespace qo::test
