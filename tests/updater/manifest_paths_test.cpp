#include "updater/manifest_paths.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "updater/manifest_format.h"

namespace qo {
namespace {

using test::TempDir;

ManifestFile entry(std::optional<std::string> path) {
    ManifestFile f;
    f.path = std::move(path);
    return f;
}

TEST(ManifestPaths, DropsUnsafeOrBlankPaths) {
    for (const char* bad : {"", "   ", "\t\r\n", "../x", "a/../b", "a..b", "Data/..", "/etc/passwd", "\\abs",
                            "C:/x", "C:\\x", "a:b", "Data\\..\\..\\x"})
        EXPECT_FALSE(sanitize_manifest_path(std::string(bad))) << bad;
    EXPECT_FALSE(sanitize_manifest_path(std::nullopt));
    // A control character would cut the native name short (NUL) or could not name a file of the game.
    for (const std::string& bad : {std::string("Data/CameraSession.ini\0junk", 27), std::string("a\x01b"),
                                   std::string("Data/\x1f.bin"), std::string("Data/a\tb.bin"), std::string("a\x7f")})
        EXPECT_FALSE(sanitize_manifest_path(bad)) << bad;
}

TEST(ManifestPaths, KeepsSafePathsWithSlashesAndUntrimmed) {
    EXPECT_EQ(sanitize_manifest_path(std::string("Data\\Sub\\a.bin")), "Data/Sub/a.bin");
    EXPECT_EQ(sanitize_manifest_path(std::string(" Main.exe ")), " Main.exe ");
    EXPECT_EQ(sanitize_manifest_path(std::string("Ação/.hidden")), "Ação/.hidden");
}

TEST(ManifestPaths, SanitizingEntriesKeepsOrderAndConvertsPaths) {
    std::vector<ManifestFile> in;
    in.push_back(entry("b\\2.txt"));
    in.push_back(entry(std::nullopt));
    in.push_back(entry("../escape"));
    in.push_back(entry("a/1.txt"));
    in.back().only_if_missing = true;
    const auto out = sanitize_manifest_paths(std::move(in));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].path, "b/2.txt");
    EXPECT_EQ(out[1].path, "a/1.txt");
    EXPECT_TRUE(out[1].only_if_missing);
}

TEST(ManifestPaths, JoinSkipsEmptyComponentsAndSplitsAtBothSeparators) {
    const std::filesystem::path root = "/game";
    EXPECT_EQ(join_relative_path(root, "Data//Sub\\\\x.bin"), std::filesystem::path("/game/Data/Sub/x.bin"));
    EXPECT_EQ(join_relative_path(root, "Main.exe/"), std::filesystem::path("/game/Main.exe"));
    EXPECT_EQ(join_relative_path(root, ""), root);
}

TEST(ManifestPaths, SameNormalizedPathResolvesLinksAndDots) {
    TempDir dir;
    test::write_file(dir / "Launcher.bin", "x");
    std::filesystem::create_directories(dir / "sub");
    std::filesystem::create_symlink(dir / "Launcher.bin", dir / "link.bin");
    EXPECT_TRUE(same_normalized_path(dir / "sub/../Launcher.bin", dir / "Launcher.bin"));
    EXPECT_TRUE(same_normalized_path(dir / "link.bin", dir / "Launcher.bin"));
    EXPECT_FALSE(same_normalized_path(dir / "launcher.bin", dir / "Launcher.bin"));  // case counts here
    EXPECT_FALSE(same_normalized_path(dir / "missing", dir / "Launcher.bin"));
}

TEST(ManifestPaths, RetainDropsOnlyTheEntryNamingTheExecutable) {
    TempDir dir;
    test::write_file(dir / "bin/QoTarmish", "exe");
    test::write_file(dir / "Main.exe", "game");
    std::vector<ManifestFile> entries;
    entries.push_back(entry("Main.exe"));
    entries.push_back(entry("bin\\QoTarmish"));
    entries.push_back(entry("bin/QoTarmish.part"));
    retain_entries_not_same_path(entries, dir.path(), dir / "bin/QoTarmish");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].path, "Main.exe");
    EXPECT_EQ(entries[1].path, "bin/QoTarmish.part");
}

}  // namespace
}  // namespace qo
