#include "platform/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/files.h"
#include "platform/random.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace qo {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

TEST(CurrentExe, IsThisTestProgramAndItsFolder) {
    const fs::path exe = current_exe_path();
    EXPECT_TRUE(exe.is_absolute());
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

bool wait_for_file(const fs::path& file) {
    for (int i = 0; i < 500 && !fs::exists(file); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return fs::exists(file);
}

TEST(SpawnDetachedFromFile, RunsTheBytesBehindTheHandleEvenAfterThePathWasReplaced) {
    TempDir dir;
    ASSERT_TRUE(copy_file_replacing("/bin/sh", dir / "game"));
    std::FILE* held = std::fopen((dir / "game").c_str(), "rb");
    ASSERT_NE(held, nullptr);
    ASSERT_TRUE(copy_file_replacing("/bin/false", dir / "replacement"));
    ASSERT_TRUE(rename_replace(dir / "replacement", dir / "game"));

    auto pid = spawn_detached_from_file(held, dir / "game", {"-c", "echo \"$0\" > ran.tmp && mv ran.tmp ran.txt"},
                                        dir / ".");
    std::fclose(held);
    ASSERT_TRUE(pid) << pid.error();
    ASSERT_TRUE(wait_for_file(dir / "ran.txt"));
    EXPECT_EQ(test::read_file(dir / "ran.txt"), (dir / "game").string() + "\n");  // its own name as given
}

TEST(SpawnDetachedFromFile, WindowsExecutablesGoThroughWine) {
    TempDir dir;
    test::write_file(dir / "Main.exe", "MZ\x90\x00 not really a program");
    std::FILE* held = std::fopen((dir / "Main.exe").c_str(), "rb");
    ASSERT_NE(held, nullptr);
    {
        test::ScopedEnv path("PATH", (dir / "empty-bin").string());
        auto refused = spawn_detached_from_file(held, dir / "Main.exe", {"-launcher"}, dir.path());
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.error(), "o jogo é um programa do Windows e o wine não está instalado");
    }
    // A stand-in for wine that records how it was called.
    test::write_file(dir / "bin/wine", "#!/bin/sh\npwd > called.tmp; echo \"$@\" >> called.tmp; mv called.tmp called.txt\n");
    fs::permissions(dir / "bin/wine", fs::perms::owner_all);
    {
        test::ScopedEnv path("PATH", (dir / "bin").string() + ":/usr/bin:/bin");
        auto started = spawn_detached_from_file(held, dir / "Main.exe", {"-launcher"}, dir.path());
        ASSERT_TRUE(started) << started.error();
    }
    std::fclose(held);
    ASSERT_TRUE(wait_for_file(dir / "called.txt"));
    EXPECT_EQ(test::read_file(dir / "called.txt"),
              fs::canonical(dir.path()).string() + "\n" + (dir / "Main.exe").string() + " -launcher\n");
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
