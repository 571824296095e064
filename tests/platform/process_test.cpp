#include "platform/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/random.h"
#include "support/temp_dir.h"

namespace qo {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

TEST(CurrentExe, IsThisTestProgramAndItsFolder) {
    const fs::path exe = current_exe_path();
    EXPECT_TRUE(exe.is_absolute());
    EXPECT_EQ(exe.filename(), "qo_platform_tests");
    EXPECT_TRUE(fs::equivalent(exe, "/proc/self/exe"));
    EXPECT_EQ(launcher_dir(), exe.parent_path());
    EXPECT_GE(processor_count(), 1u);
}

TEST(SpawnDetached, RunsInTheWorkingFolderWithTheArgumentsAsGiven) {
    TempDir dir;
    auto pid = spawn_detached("/bin/sh", {"-c", "printf %s \"$1\" > arg.tmp && mv arg.tmp arg.txt", "sh", "a \"b\" c"},
                              dir.path());
    ASSERT_TRUE(pid) << pid.error();
    EXPECT_GT(*pid, 0);
    for (int i = 0; i < 500 && !fs::exists(dir / "arg.txt"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(test::read_file(dir / "arg.txt"), "a \"b\" c");
}

TEST(SpawnDetached, ReportsWhatKeptTheProgramFromStarting) {
    TempDir dir;
    auto missing = spawn_detached(dir / "no-such-program", {});
    ASSERT_FALSE(missing);
    EXPECT_FALSE(missing.error().empty());
    auto bad_folder = spawn_detached("/bin/true", {}, dir / "no-such-folder");
    EXPECT_FALSE(bad_folder);
}

TEST(RandomBytes, FillsEveryByteWithFreshValues) {
    std::array<std::uint8_t, 64> a{}, b{};
    ASSERT_TRUE(fill_random_bytes(a));
    ASSERT_TRUE(fill_random_bytes(b));
    EXPECT_NE(a, b);
    EXPECT_TRUE(fill_random_bytes({}));
}

}  // namespace
}  // namespace qo
