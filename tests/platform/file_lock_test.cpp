#include "platform/file_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/temp_dir.h"

namespace qo {
namespace {
using test::TempDir;

TEST(FileLock, SecondOpenerFailsAtOnceUntilTheHolderLetsGo) {
    TempDir dir;
    const auto file = dir / "update.lock";
    test::write_file(file, "content stays");
    {
        auto held = try_lock_exclusive(file);
        ASSERT_TRUE(held) << held.error();
        auto second = try_lock_exclusive(file);
        ASSERT_FALSE(second);
        EXPECT_FALSE(second.error().empty());

        FileLock moved = std::move(*held);  // the lock travels with the handle
        EXPECT_FALSE(try_lock_exclusive(file));
    }
    EXPECT_TRUE(try_lock_exclusive(file));
    EXPECT_EQ(test::read_file(file), "content stays");  // never truncated
}

TEST(FileLock, CreatesAMissingFileAndFailsWhereNoneCanBeMade) {
    TempDir dir;
    EXPECT_TRUE(try_lock_exclusive(dir / "new.lock"));
    EXPECT_TRUE(std::filesystem::exists(dir / "new.lock"));
    EXPECT_FALSE(try_lock_exclusive(dir / "missing-folder/new.lock"));
}

TEST(FileLock, LockHeldByAnotherProcessFailsAtOnce) {
    TempDir dir;
    const auto file = dir / "update.lock";
    int to_parent[2], to_child[2];
    ASSERT_EQ(::pipe(to_parent), 0);
    ASSERT_EQ(::pipe(to_child), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto lock = try_lock_exclusive(file);
        char report = lock ? 'y' : 'n';
        (void)!::write(to_parent[1], &report, 1);
        char done;
        (void)!::read(to_child[0], &done, 1);  // hold the lock until the parent has tried
        ::_exit(0);
    }
    char report = 0;
    ASSERT_EQ(::read(to_parent[0], &report, 1), 1);
    ASSERT_EQ(report, 'y');
    EXPECT_FALSE(try_lock_exclusive(file));

    char done = 'd';
    ASSERT_EQ(::write(to_child[1], &done, 1), 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(try_lock_exclusive(file));  // the child's exit released it
    for (int fd : {to_parent[0], to_parent[1], to_child[0], to_child[1]}) ::close(fd);
}

}  // namespace
}  // namespace qo
