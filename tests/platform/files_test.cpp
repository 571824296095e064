#include "platform/files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <functional>
#include <thread>

#include "platform/file_lock.h"
#include "platform/process.h"
#include "support/temp_dir.h"

namespace qo {
namespace {
namespace fs = std::filesystem;
using test::TempDir;
using test::write_file;
using test::read_file;

// The walk the listing must reproduce: readdir order, folders expanded where they are met.
void expected_walk(const fs::path& folder, std::vector<fs::path>& out) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_directory() && !entry.is_symlink())
            expected_walk(entry.path(), out);
        else
            out.push_back(entry.path());
    }
}

// Polls a condition for at most a few seconds.
bool eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 500; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

TEST(ListFilesRecursive, WalksDepthFirstInListingOrderWithoutFollowingLinkedFolders) {
    TempDir dir;
    write_file(dir / "a.txt", "a");
    write_file(dir / "Data/x.bin", "x");
    write_file(dir / "Data/Deep/y.bin", "y");
    write_file(dir / "Data/z.bin", "z");
    write_file(dir / "outside/secret.txt", "s");
    fs::create_directory(dir / "Empty");
    fs::create_directory_symlink(dir / "outside", dir / "Data/linked");
    fs::create_symlink(dir / "a.txt", dir / "alias.txt");

    std::vector<fs::path> listed{"already/there"};
    list_files_recursive(dir / "Data", listed);

    std::vector<fs::path> expected{"already/there"};
    expected_walk(dir / "Data", expected);
    EXPECT_EQ(listed, expected);
    // The linked folder is one entry of its own, and nothing behind it is listed.
    EXPECT_EQ(std::count(listed.begin(), listed.end(), dir / "Data/linked"), 1);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), dir / "Data/linked/secret.txt"), 0);
    EXPECT_EQ(listed.size(), 5u);

    std::vector<fs::path> whole;
    list_files_recursive(dir.path(), whole);
    EXPECT_EQ(std::count(whole.begin(), whole.end(), dir / "alias.txt"), 1);
    EXPECT_EQ(std::count(whole.begin(), whole.end(), dir / "Empty"), 0);
}

TEST(ListFilesRecursive, MissingFolderOrFileAddsNothing) {
    TempDir dir;
    write_file(dir / "file", "x");
    std::vector<fs::path> listed;
    list_files_recursive(dir / "missing", listed);
    list_files_recursive(dir / "file", listed);
    EXPECT_TRUE(listed.empty());
}

TEST(ReparsePoint, LinksAndMountPointsButNotPlainEntries) {
    TempDir dir;
    write_file(dir / "plain/file", "x");
    fs::create_directory_symlink(dir / "plain", dir / "link");
    fs::create_symlink(dir / "nowhere", dir / "dangling");
    EXPECT_TRUE(is_reparse_point(dir / "link"));
    EXPECT_TRUE(is_reparse_point(dir / "dangling"));
    EXPECT_FALSE(is_reparse_point(dir / "plain"));
    EXPECT_FALSE(is_reparse_point(dir / "plain/file"));
    EXPECT_FALSE(is_reparse_point(dir / "missing"));
    // /proc is always a file system of its own mounted on the root's.
    EXPECT_TRUE(is_reparse_point("/proc"));
    EXPECT_FALSE(is_reparse_point("/"));
}

TEST(LastWriteTicks, CountsHundredNanosecondsSince1601) {
    TempDir dir;
    write_file(dir / "f", "x");
    const timespec times[2] = {{1'700'000'000, 0}, {1'700'000'000, 123'456'789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "f").c_str(), times, 0), 0);
    EXPECT_EQ(last_write_ticks_1601(dir / "f"), (1'700'000'000ull + 11'644'473'600ull) * 10'000'000ull + 1'234'567ull);

    const timespec epoch[2] = {{0, 0}, {0, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "f").c_str(), epoch, 0), 0);
    EXPECT_EQ(last_write_ticks_1601(dir / "f"), 116'444'736'000'000'000ull);
    EXPECT_EQ(last_write_ticks_1601(dir / "missing"), std::nullopt);
}

TEST(CopyFile, ReplacesTargetAndKeepsModeAndTime) {
    TempDir dir;
    write_file(dir / "src", std::string(200'000, 'q'));
    write_file(dir / "dst", "old and longer content that must disappear");
    fs::permissions(dir / "src", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::owner_write);
    const timespec times[2] = {{1'600'000'000, 0}, {1'600'000'000, 500}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "src").c_str(), times, 0), 0);

    ASSERT_TRUE(copy_file_replacing(dir / "src", dir / "dst"));
    EXPECT_EQ(read_file(dir / "dst"), read_file(dir / "src"));
    EXPECT_EQ(fs::status(dir / "dst").permissions(), fs::status(dir / "src").permissions());
    EXPECT_EQ(last_write_ticks_1601(dir / "dst"), last_write_ticks_1601(dir / "src"));
}

TEST(CopyFile, RefusesToCopyOntoItselfOrFromNothing) {
    TempDir dir;
    write_file(dir / "f", "keep me");
    ASSERT_TRUE(hard_link(dir / "f", dir / "same"));
    auto onto_itself = copy_file_replacing(dir / "f", dir / "same");
    EXPECT_FALSE(onto_itself);
    EXPECT_EQ(read_file(dir / "f"), "keep me");

    auto missing = copy_file_replacing(dir / "missing", dir / "out");
    ASSERT_FALSE(missing);
    EXPECT_FALSE(missing.error().empty());
    EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST(FileWriters, NeverWriteThroughAPlantedLink) {
    TempDir dir;
    TempDir outside;
    write_file(dir / "source", "new");
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> write;
        bool link_replaced;  // renamed over (the link goes) rather than refused (the link stays)
    };
    const std::vector<Case> cases = {
        {"whole", [](const fs::path& p) { (void)write_whole_file(p, "new"); }, false},
        {"output", [](const fs::path& p) { if (auto f = OutputFile::create(p)) (void)f->write("new"); }, false},
        {"lock", [](const fs::path& p) { (void)try_lock_exclusive(p); }, false},
        {"replacing", [](const fs::path& p) { (void)write_file_replacing(p, "new"); }, true},
        {"copy", [&](const fs::path& p) { (void)copy_file_replacing(dir / "source", p); }, true},
    };
    for (const Case& c : cases) {
        write_file(outside / "victim", "outside");
        const fs::path link = dir / c.name;
        fs::create_symlink(outside / "victim", link);
        c.write(link);
        EXPECT_EQ(read_file(outside / "victim"), "outside") << c.name;
        EXPECT_EQ(fs::is_symlink(link), !c.link_replaced) << c.name;
        if (c.link_replaced) {
            EXPECT_EQ(read_file(link), "new") << c.name;
        }
    }
}

TEST(FileOperations, LinkRenameRemoveAndReadOnly) {
    TempDir dir;
    write_file(dir / "a", "one");
    ASSERT_TRUE(hard_link(dir / "a", dir / "b"));
    EXPECT_TRUE(fs::equivalent(dir / "a", dir / "b"));
    EXPECT_FALSE(hard_link(dir / "a", dir / "b"));  // the name is taken

    write_file(dir / "c", "two");
    ASSERT_TRUE(rename_replace(dir / "c", dir / "a"));
    EXPECT_EQ(read_file(dir / "a"), "two");
    EXPECT_EQ(read_file(dir / "b"), "one");
    EXPECT_FALSE(fs::exists(dir / "c"));

    ASSERT_TRUE(remove_file(dir / "b"));
    EXPECT_FALSE(fs::exists(dir / "b"));
    EXPECT_FALSE(remove_file(dir / "b"));
    fs::create_directory(dir / "folder");
    EXPECT_FALSE(remove_file(dir / "folder"));

    fs::permissions(dir / "a", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    EXPECT_TRUE(is_read_only(dir / "a"));
    ASSERT_TRUE(clear_read_only(dir / "a"));
    EXPECT_FALSE(is_read_only(dir / "a"));
    EXPECT_FALSE(is_read_only(dir / "missing"));
    EXPECT_FALSE(clear_read_only(dir / "missing"));
}

// Neither a FIFO nor a device is ever read (nor waited on), and no read goes past the cap.
TEST(ReadWholeFile, OnlyRegularFilesWithinTheCap) {
    TempDir dir;
    write_file(dir / "four", "abcd");
    write_file(dir / "five", "abcde");
    fs::create_symlink(dir / "four", dir / "link");
    fs::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    const struct {
        fs::path file;
        std::optional<std::string> read;
    } cases[] = {
        {dir / "four", "abcd"},       // exactly the cap
        {dir / "five", std::nullopt}, // one byte over it
        {dir / "link", "abcd"},       // a link to a regular file
        {dir / "folder", std::nullopt},
        {dir / "fifo", std::nullopt}, // no writer: opening or reading would wait for ever
        {"/dev/zero", std::nullopt},  // endless
        {dir / "missing", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto read = read_whole_file(c.file, 4);
        EXPECT_EQ(read ? std::optional(*read) : std::nullopt, c.read) << c.file;
    }
}

TEST(FreeDiskSpace, KnownForExistingFoldersOnly) {
    TempDir dir;
    auto space = free_disk_space(dir.path());
    ASSERT_TRUE(space);
    EXPECT_GT(*space, 0u);
    EXPECT_EQ(free_disk_space(dir / "missing"), std::nullopt);
}

TEST(FolderIsBusy, ProcessWorkingInsideOrRunningFromInside) {
    TempDir dir;
    fs::create_directories(dir / "release/Data");
    fs::create_directories(dir / "other");
    fs::create_directories(dir / "release-2");
    EXPECT_FALSE(folder_is_busy(dir / "release"));

    auto child = spawn_detached("sleep", {"30"}, dir / "release/Data");
    ASSERT_TRUE(child) << child.error();
    EXPECT_TRUE(folder_is_busy(dir / "release"));
    EXPECT_TRUE(folder_is_busy(dir / "release/Data"));
    EXPECT_FALSE(folder_is_busy(dir / "other"));
    EXPECT_FALSE(folder_is_busy(dir / "release-2"));  // a longer name is not inside
    ::kill(*child, SIGKILL);
    EXPECT_TRUE(eventually([&] { return !folder_is_busy(dir / "release"); }));

    // An executable started from the folder keeps it busy even when its working folder lies elsewhere.
    ASSERT_TRUE(copy_file_replacing("/usr/bin/sleep", dir / "release/sleeper"));
    auto runner = spawn_detached(dir / "release/sleeper", {"30"}, dir / "other");
    ASSERT_TRUE(runner) << runner.error();
    EXPECT_TRUE(folder_is_busy(dir / "release"));
    ::kill(*runner, SIGKILL);
    EXPECT_TRUE(eventually([&] { return !folder_is_busy(dir / "release"); }));
}

}  // namespace
}  // namespace qo
