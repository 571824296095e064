#include "sealed/release_store.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/process.h"
#include "sealed/release_list.h"
#include "support/release_builder.h"
#include "support/temp_dir.h"
#include "support/test_keys.h"

namespace qo {
namespace {

namespace fs = std::filesystem;
using test::test_release_key;

constexpr const char* OUTSIDE = "o arquivo está fora da pasta do QoFenro.";
constexpr const char* REDIRECTED = "a pasta do QoFenro não aceita redirecionamentos locais.";
const std::string TMP_HEX(24, 'a');

std::string guard(const fs::path& root, const fs::path& path) {
    auto result = ensure_inside_root(root, path);
    return result ? "inside" : result.error();
}

// ---- active release ----

class ActiveReleaseStore : public ::testing::Test {
protected:
    void SetUp() override { release = test::build_test_release(test::sample_client("a")); }
    fs::path load() const { return load_active_release(root.path(), test_release_key()).folder; }
    void record(const std::string& text) const { test::write_file(root / "active-release", text); }
    test::TempDir root;
    test::PublishedRelease release;
};

TEST_F(ActiveReleaseStore, RecordedReleaseWithItsVerifiedListIsActive) {
    fs::path folder = test::install_test_release(release, root.path());
    EXPECT_EQ(folder, root / ("Versions/" + release.release_id));
    EXPECT_EQ(load(), folder);
}

TEST_F(ActiveReleaseStore, DamagedOrMissingRecordFallsBackToTheRoot) {
    EXPECT_EQ(load(), root.path());  // nothing recorded
    test::install_test_release(release, root.path());
    for (const std::string& bad : std::vector<std::string>{release.release_id + "\n", release.release_id.substr(1),
                                   "0123456789ABCDEF0123456789ABCDEF", std::string(32, 'g')}) {
        record(bad);
        EXPECT_EQ(load(), root.path()) << bad;
    }
}

TEST_F(ActiveReleaseStore, FolderMustHoldAVerifiedListOfTheSameRelease) {
    test::install_test_release(release, root.path());
    const fs::path list = root / ("Versions/" + release.release_id + "/release.kxm");

    auto other = test::build_test_release(test::sample_client("b"));
    test::write_file(list, other.list_bytes);  // verifies, but names another release
    EXPECT_EQ(load(), root.path());

    std::string tampered = release.list_bytes;
    tampered[12] ^= 0x01;
    test::write_file(list, tampered);
    EXPECT_EQ(load(), root.path());

    fs::remove(list);
    EXPECT_EQ(load(), root.path());

    record(other.release_id);  // a record naming a folder that does not exist
    EXPECT_EQ(load(), root.path());
}

TEST_F(ActiveReleaseStore, LinksOnTheWayAreNotFollowed) {
    test::TempDir elsewhere;
    test::install_test_release(release, elsewhere.path());
    // The record itself is a link to a valid record elsewhere.
    fs::create_directory_symlink(elsewhere / "Versions", root / "Versions");
    fs::create_symlink(elsewhere / "active-release", root / "active-release");
    EXPECT_EQ(load(), root.path());
    // A real record, but the Versions folder is a link.
    fs::remove(root / "active-release");
    record(release.release_id);
    EXPECT_EQ(load(), root.path());
}

// ---- path guard ----

TEST(PathGuard, InsideOutsideAndCommonPrefixes) {
    test::TempDir dir;
    const fs::path root = dir / "Jogo";
    fs::create_directories(root);
    EXPECT_EQ(guard(root, root), "inside");
    EXPECT_EQ(guard(root, root / "Versions/abc/Data/missing.txt"), "inside");  // not existing yet is fine
    EXPECT_EQ(guard(root, dir / "Jogo2/x"), OUTSIDE);
    EXPECT_EQ(guard(root, dir / "Jogo2"), OUTSIDE);
    EXPECT_EQ(guard(root, dir.path()), OUTSIDE);
    EXPECT_EQ(guard(root, dir / "Jogo/../Jogo2/x"), OUTSIDE);
    EXPECT_EQ(guard(root, dir / "Jogo/a/../../Jogo2"), OUTSIDE);
    EXPECT_EQ(guard(root, dir / "Jogo/./a"), OUTSIDE);
    // Separators are compared after collapsing repeats and trailing ones.
    EXPECT_EQ(guard(root.string() + "/", root.string() + "//Data///x/"), "inside");
    // File names are case-sensitive here: another spelling is another folder.
    EXPECT_EQ(guard(root, dir / "JOGO/x"), OUTSIDE);
    EXPECT_EQ(normalize_path_for_compare("/a//b///c/"), "/a/b/c");
    EXPECT_EQ(normalize_path_for_compare("/"), "");
}

TEST(PathGuard, SymbolicLinkAnywhereOnTheWayIsRefusedEvenWhenItPointsInside) {
    test::TempDir root;
    fs::create_directories(root / "Versions/real/Data");
    test::write_file(root / "Versions/real/Data/file.txt", "x");
    fs::create_directory_symlink(root / "Versions/real", root / "Versions/link");
    EXPECT_EQ(guard(root.path(), root / "Versions/link/Data/file.txt"), REDIRECTED);
    EXPECT_EQ(guard(root.path(), root / "Versions/link"), REDIRECTED);
    EXPECT_EQ(guard(root.path(), root / "Versions/link/new-file"), REDIRECTED);
    fs::create_symlink(root / "Versions/real/Data/file.txt", root / "Versions/real/Data/alias.txt");
    EXPECT_EQ(guard(root.path(), root / "Versions/real/Data/alias.txt"), REDIRECTED);
    EXPECT_EQ(guard(root.path(), root / "Versions/real/Data/file.txt"), "inside");
}

TEST(PathGuard, RootItselfMayBeReachedThroughALink) {
    // The root is never inspected: a game folder that is itself a link still works.
    test::TempDir dir;
    fs::create_directories(dir / "real");
    fs::create_directory_symlink(dir / "real", dir / "game");
    EXPECT_EQ(guard(dir / "game", dir / "game/Data/x"), "inside");
}

TEST(ReleasePaths, ListPathsBecomeNativeComponents) {
    const fs::path base = "/games/qo";
    EXPECT_EQ(release_path_to_pathbuf(base, "Data/Custom/config.ini"), fs::path("/games/qo/Data/Custom/config.ini"));
    EXPECT_EQ(release_path_to_pathbuf(base, "/Data//Macro.txt/"), fs::path("/games/qo/Data/Macro.txt"));
    EXPECT_EQ(release_path_to_pathbuf(base, "Main.exe"), fs::path("/games/qo/Main.exe"));
    EXPECT_EQ(release_folder_path(base, "0123"), fs::path("/games/qo/Versions/0123"));
}

// ---- clean-up of temporary files ----

TEST(TmpCleanup, NameRules) {
    EXPECT_TRUE(is_tmp_file_name("Main.exe.tmp-" + TMP_HEX));
    EXPECT_TRUE(is_tmp_file_name("a.tmp-x.tmp-0123456789abcdef01234567"));  // the last marker decides
    EXPECT_FALSE(is_tmp_file_name("Main.exe.tmp-" + TMP_HEX.substr(1)));
    EXPECT_FALSE(is_tmp_file_name("Main.exe.tmp-" + TMP_HEX + "a"));
    EXPECT_FALSE(is_tmp_file_name("Main.exe.tmp-" + TMP_HEX.substr(1) + "A"));
    EXPECT_FALSE(is_tmp_file_name("Main.exe.tmp-" + TMP_HEX + ".tmp-1"));
    EXPECT_FALSE(is_tmp_file_name("Main.exe"));
}

TEST(TmpCleanup, RemovesLeftoversWhereDownloadsHappenAndNothingElse) {
    test::TempDir root;
    const std::string tmp = ".tmp-" + TMP_HEX;
    const fs::path folder = root / "release";
    const std::vector<std::string> removed = {
        "Main.exe" + tmp, "Data/Macro.txt" + tmp, "Assets/a/b/c/deep.kxd" + tmp, "Data/a/b/c/deep" + tmp};
    const std::vector<std::string> kept = {
        "Main.exe",
        "Main.exe.tmp-" + TMP_HEX.substr(1),
        "Main.exe.tmp-" + TMP_HEX + "0",
        "Main.exe.tmp-" + TMP_HEX.substr(1) + "F",
        "Logs/Main.exe" + tmp,          // only Data and Assets are entered
        "assets/x" + tmp,               // exact case
        "Data/a/b/c/d/too-deep" + tmp,  // five levels below the release folder
    };
    for (const auto& name : removed) test::write_file(folder / name, "x");
    for (const auto& name : kept) test::write_file(folder / name, "x");
    // A link inside Data to a folder with leftovers is not followed, and the link itself stays.
    test::write_file(root / ("outside/victim" + tmp), "x");
    fs::create_directory_symlink(root / "outside", folder / "Data/link");
    test::write_file(root / "outside-file", "x");
    fs::create_symlink(root / "outside-file", folder / ("Data/file-link" + tmp));

    cleanup_tmp_files(folder);
    for (const auto& name : removed) EXPECT_FALSE(fs::exists(folder / name)) << name;
    for (const auto& name : kept) EXPECT_TRUE(fs::exists(folder / name)) << name;
    EXPECT_TRUE(fs::exists(root / ("outside/victim" + tmp)));
    EXPECT_TRUE(fs::is_symlink(folder / ("Data/file-link" + tmp)));
    EXPECT_TRUE(fs::exists(root / "outside-file"));
}

// ---- pruning ----

// A process that keeps its current folder inside `folder` until it is stopped.
class ProcessInside {
public:
    explicit ProcessInside(const fs::path& folder) {
        auto pid = spawn_detached("sleep", {"300"}, folder);
        if (pid) pid_ = *pid;
        for (int i = 0; i < 500 && pid_ > 0 && !folder_is_busy(folder); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~ProcessInside() {
        if (pid_ > 0) (void)spawn_detached("kill", {std::to_string(pid_)});
    }
    bool running() const { return pid_ > 0; }

private:
    int pid_ = -1;
};

TEST(PruneReleases, RemovesOldReleasesAndKeepsBusyKeptAndForeignFolders) {
    test::TempDir root;
    const std::string keep(32, 'a');
    const std::string idle(32, 'b');
    const std::string busy(32, 'c');
    const fs::path versions = root / "Versions";
    for (const std::string& id : {keep, idle, busy}) test::write_file(versions / id / "Main.exe", "game " + id);
    test::write_file(versions / idle / "Data/deep/file.txt", "x");
    test::write_file(versions / "notes/readme.txt", "x");
    test::write_file(versions / std::string(32, 'D') / "Main.exe", "x");
    test::write_file(versions / (std::string(31, 'e')) / "Main.exe", "x");
    test::write_file(versions / "plain-file", "x");

    fs::create_directories(versions / busy / "Data");
    ProcessInside game_in_data(versions / busy / "Data");
    ASSERT_TRUE(game_in_data.running());
    ASSERT_TRUE(folder_is_busy(versions / busy));

    prune_release_folders(root.path(), keep);
    EXPECT_TRUE(fs::exists(versions / keep / "Main.exe"));
    EXPECT_FALSE(fs::exists(versions / idle));
    EXPECT_TRUE(fs::exists(versions / busy / "Main.exe"));  // its game still runs
    EXPECT_TRUE(fs::exists(versions / "notes/readme.txt"));
    EXPECT_TRUE(fs::exists(versions / std::string(32, 'D') / "Main.exe"));
    EXPECT_TRUE(fs::exists(versions / std::string(31, 'e') / "Main.exe"));
    EXPECT_TRUE(fs::exists(versions / "plain-file"));
}

TEST(PruneReleases, NeverReachesThroughLinks) {
    test::TempDir root;
    test::TempDir outside;
    test::write_file(outside / "precious/Main.exe", "not ours");
    test::write_file(outside / "precious/data.bin", "not ours");
    const fs::path versions = root / "Versions";
    fs::create_directories(versions);
    // A release-named link to a foreign folder fails the guard and is left alone.
    fs::create_directory_symlink(outside / "precious", versions / std::string(32, '1'));
    // An old release holding a link to a foreign folder: the link goes, the foreign files stay.
    test::write_file(versions / std::string(32, '2') / "Main.exe", "old");
    fs::create_directory_symlink(outside / "precious", versions / std::string(32, '2') / "Data");

    prune_release_folders(root.path(), std::string(32, 'f'));
    EXPECT_TRUE(fs::is_symlink(versions / std::string(32, '1')));
    EXPECT_FALSE(fs::exists(versions / std::string(32, '2')));
    EXPECT_TRUE(fs::exists(outside / "precious/Main.exe"));
    EXPECT_TRUE(fs::exists(outside / "precious/data.bin"));
}

TEST(PruneReleases, MissingVersionsFolderIsQuiet) {
    test::TempDir root;
    prune_release_folders(root.path(), std::string(32, 'a'));
    EXPECT_FALSE(fs::exists(root / "Versions"));
}

// ---- records, lock ----

TEST(ReleaseRecords, ReplacedWholeThroughANextFile) {
    test::TempDir root;
    const std::string id(32, '7');
    ASSERT_TRUE(write_active_release(root.path(), id));
    EXPECT_EQ(test::read_file(root / "active-release"), id);
    ASSERT_TRUE(write_active_release(root.path(), std::string(32, '8')));
    EXPECT_EQ(test::read_file(root / "active-release"), std::string(32, '8'));
    EXPECT_FALSE(fs::exists(root / "active-release.next"));

    const fs::path folder = release_folder_path(root.path(), id);
    fs::create_directories(folder);
    ASSERT_TRUE(write_release_list(root.path(), folder, "list bytes"));
    EXPECT_EQ(test::read_file(folder / "release.kxm"), "list bytes");
    EXPECT_FALSE(fs::exists(folder / "release.kxm.next"));
}

TEST(ReleaseRecords, GuardedAgainstLinksAndMissingFolders) {
    test::TempDir root;
    test::TempDir outside;
    fs::create_directories(root / "Versions");
    fs::create_directory_symlink(outside.path(), root / "Versions/linked");
    EXPECT_EQ(write_release_list(root.path(), root / "Versions/linked", "x").error(), REDIRECTED);
    EXPECT_FALSE(fs::exists(outside / "release.kxm.next"));
    EXPECT_EQ(write_release_list(root.path(), outside.path(), "x").error(), OUTSIDE);

    auto missing = write_release_list(root.path(), root / "Versions/absent", "x");
    ASSERT_FALSE(missing);
    EXPECT_FALSE(missing.error().empty());  // the system's text
}

TEST(ReleaseRecords, PlantedLinkAtTheNextNameIsNotWrittenThrough) {
    test::TempDir root;
    test::TempDir outside;
    test::write_file(outside / "victim", "outside the game");
    fs::create_symlink(outside / "victim", root / "active-release.next");
    EXPECT_FALSE(write_active_release(root.path(), std::string(32, '7')));
    EXPECT_EQ(test::read_file(outside / "victim"), "outside the game");
    EXPECT_FALSE(fs::exists(root / "active-release"));
}

TEST(UpdateLock, PlantedLinkIsNotFollowed) {
    test::TempDir root;
    test::TempDir outside;
    fs::create_symlink(outside / "made-by-the-lock", root / "update.lock");
    EXPECT_FALSE(acquire_update_lock(root.path()));
    EXPECT_FALSE(fs::exists(outside / "made-by-the-lock"));
}

TEST(UpdateLock, SecondHolderFailsAtOnce) {
    test::TempDir dir;
    const fs::path root = dir / "new/game";
    auto first = acquire_update_lock(root);
    ASSERT_TRUE(first) << first.error();
    EXPECT_TRUE(fs::exists(root / "update.lock"));
    auto second = acquire_update_lock(root);
    ASSERT_FALSE(second);
    EXPECT_EQ(second.error(), "outra atualização do QoFenro está em andamento.");
    { FileLock released = std::move(*first); }
    EXPECT_TRUE(acquire_update_lock(root));
}

}  // namespace
}  // namespace qo
