#include "main/tool_manifest_generator.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "support/temp_dir.h"
#include "util/sha256.h"

namespace qo {
namespace {

using test::TempDir;

std::string quoted(const std::filesystem::path& p) {
    std::string out = "'";
    for (char c : p.string()) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs the development launcher headless with the generator's arguments; returns the exit code.
struct GeneratorRun {
    int exit_code = -1;
    std::string messages;  // the message box's text, sent to standard error without a display
};

GeneratorRun generate(const TempDir& scratch, const std::filesystem::path& folder,
                      const std::filesystem::path& output = {}) {
    const auto err = scratch / "generator-stderr.txt";
    std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=offscreen " + quoted(QO_DEV_EXE) +
                          " --GERAR-manifesto " + quoted(folder);
    if (!output.empty()) command += " " + quoted(output);
    command += " 2>" + quoted(err) + " >/dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::read_file(err)};
}

UpdateManifest read_manifest(const std::filesystem::path& file) {
    auto manifest = read_manifest_record(test::read_file(file));
    EXPECT_TRUE(manifest) << (manifest ? "" : manifest.error());
    return manifest.value_or(UpdateManifest{});
}

std::vector<std::string> listed_paths(const UpdateManifest& manifest) {
    std::vector<std::string> out;
    for (const auto& f : manifest.files.value_or(std::vector<ManifestFile>{})) out.push_back(f.path.value_or("?"));
    std::sort(out.begin(), out.end());
    return out;
}

const ManifestFile* find(const UpdateManifest& manifest, std::string_view path) {
    for (const auto& f : *manifest.files)
        if (f.path == path) return &f;
    return nullptr;
}

TEST(ManifestRules, ExclusionsIgnoreAsciiCase) {
    for (const char* excluded :
         {"Data\\Launcher\\launcher.json", "DATA\\LAUNCHER\\x", "ScreenShots\\a.png", "crash\\x", "Data\\Cache\\y",
          "LOGS\\a.txt", "log\\b.txt", "QoError.log", "Sub\\unins000.EXE", "Unins000.dat", "manifest.json",
          "Data\\MANIFEST.JSON", "PostProcess.log", "Main.Old.Exe", "x.part", "y.OLD", "z.Log", "w.dmp"})
        EXPECT_TRUE(manifest_excludes(excluded)) << excluded;
    for (const char* kept : {"Main.exe", "Data\\Launcher.txt", "logs2\\a.txt", "Data\\launcherx\\a", "partial.bin",
                             "old.txt", "Data\\SS.mp4", "catalog", "dmp"})
        EXPECT_FALSE(manifest_excludes(kept)) << kept;
}

TEST(ManifestRules, PlayerSettingsFilesAreOnlyIfMissingAtTheirPlaceOnly) {
    for (const char* own : {"data\\macro.txt", "DATA\\Macro.txt", "Data\\Resolutions.xml", "data\\custom\\config.ini",
                            "Data\\CameraSession.INI"})
        EXPECT_TRUE(manifest_only_if_missing(own)) << own;
    for (const char* other : {"macro.txt", "Data\\Sub\\macro.txt", "Data/macro.txt", "Data\\Custom\\config.ini.bak"})
        EXPECT_FALSE(manifest_only_if_missing(other)) << other;
}

TEST(ManifestRules, VersionIsTheUtcMinute) {
    using namespace std::chrono;
    const sys_days day = year{2026} / 3 / 7;
    EXPECT_EQ(manifest_version_stamp(day + hours(4) + minutes(5) + seconds(59)), "202603070405");
    EXPECT_EQ(manifest_version_stamp(sys_days{year{1999} / 12 / 31} + hours(23) + minutes(59)), "199912312359");
}

TEST(ManifestGenerator, EmptyFolderGivesAnEmptyListAndTheDefaultOutput) {
    TempDir scratch;
    const auto folder = scratch / "game";
    std::filesystem::create_directories(folder);
    const auto run = generate(scratch, folder);
    EXPECT_EQ(run.exit_code, 0) << run.messages;
    EXPECT_NE(run.messages.find("0 arquivos no manifesto:\n" + (folder / "manifest.json").string()),
              std::string::npos)
        << run.messages;
    const auto manifest = read_manifest(folder / "manifest.json");
    ASSERT_TRUE(manifest.files);
    EXPECT_TRUE(manifest.files->empty());
    ASSERT_TRUE(manifest.version);
    EXPECT_EQ(manifest.version->size(), 12u);
    EXPECT_EQ(manifest.version->find_first_not_of("0123456789"), std::string::npos);
}

TEST(ManifestGenerator, ListsFilesWithSizesDigestsAndTheFileSystemsNames) {
    TempDir scratch;
    const auto folder = scratch / "game";
    test::write_file(folder / "Main.exe", "game binary");
    test::write_file(folder / "Data/Map/Área 1.bin", std::string(70000, 'x'));
    test::write_file(folder / "DATA/Macro.txt", "macros");
    test::write_file(folder / "data/RESOLUTIONS.XML", "<r/>");
    test::write_file(folder / "Data/custom/Config.INI", "[FPS]");
    test::write_file(folder / "data/camerasession.ini", "cam");
    test::write_file(folder / "Data/Sub/macro.txt", "not the player's");
    // Left out: the launcher's folder, logs, dumps, caches and tool leftovers, whatever their case.
    for (const char* skipped : {"Data/Launcher/launcher.json", "data/LAUNCHER/hashes.cache", "Screenshots/s.png",
                                "Crash/c.bin", "Data/Cache/c.bin", "logs/a.txt", "Log/b.txt", "QOERROR.LOG",
                                "unins000.exe", "Unins000.DAT", "PostProcess.log", "Main.old.exe", "a.part",
                                "b.Old", "Data/c.log", "d.DMP", "Sub/manifest.json"})
        test::write_file(folder / skipped, "skip me");
    test::write_file(folder / "logs2/kept.txt", "kept");

    const auto output = scratch / "out.json";
    const auto run = generate(scratch, folder, output);
    ASSERT_EQ(run.exit_code, 0) << run.messages;
    EXPECT_NE(run.messages.find("8 arquivos no manifesto:\n" + output.string()), std::string::npos) << run.messages;
    const auto manifest = read_manifest(output);
    EXPECT_EQ(listed_paths(manifest),
              (std::vector<std::string>{"DATA/Macro.txt", "Data/Map/Área 1.bin", "Data/Sub/macro.txt",
                                        "Data/custom/Config.INI", "Main.exe", "data/RESOLUTIONS.XML",
                                        "data/camerasession.ini", "logs2/kept.txt"}))
        << test::read_file(output);

    const ManifestFile* map = find(manifest, "Data/Map/Área 1.bin");
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->size, 70000u);
    const auto digest = sha256_bytes(std::string(70000, 'x'));
    EXPECT_EQ(map->sha256, hex_lower(std::span<const std::uint8_t>(digest)));
    EXPECT_FALSE(map->only_if_missing);
    for (const char* own : {"DATA/Macro.txt", "data/RESOLUTIONS.XML", "Data/custom/Config.INI",
                            "data/camerasession.ini"})
        EXPECT_TRUE(find(manifest, own)->only_if_missing) << own;
    EXPECT_FALSE(find(manifest, "Data/Sub/macro.txt")->only_if_missing);
    // The flag is written only where it is set.
    const std::string text = test::read_file(output);
    EXPECT_EQ(text.find("\"OnlyIfMissing\": false"), std::string::npos);
    EXPECT_NE(text.find("\"OnlyIfMissing\": true"), std::string::npos);
}

TEST(ManifestGenerator, SecondRunDoesNotListItsOwnManifest) {
    TempDir scratch;
    const auto folder = scratch / "game";
    test::write_file(folder / "Main.exe", "game");
    ASSERT_EQ(generate(scratch, folder).exit_code, 0);
    ASSERT_EQ(generate(scratch, folder).exit_code, 0);
    EXPECT_EQ(listed_paths(read_manifest(folder / "manifest.json")), (std::vector<std::string>{"Main.exe"}));
    // No temporary file is left beside the output.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++entries;
    EXPECT_EQ(entries, 2u);
}

TEST(ManifestGenerator, UnreadableFileFailsWithoutTouchingTheManifest) {
    TempDir scratch;
    const auto folder = scratch / "game";
    test::write_file(folder / "Main.exe", "game");
    test::write_file(folder / "manifest.json", "previous manifest");
    // A link whose target is gone is listed but cannot be read, even by a privileged user.
    std::filesystem::create_symlink(scratch / "nowhere", folder / "broken.bin");
    const auto run = generate(scratch, folder);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.messages.find("Erro ao gerar o manifesto:\n"), std::string::npos) << run.messages;
    EXPECT_NE(run.messages.find("broken.bin"), std::string::npos) << run.messages;
    EXPECT_EQ(test::read_file(folder / "manifest.json"), "previous manifest");
}

TEST(ManifestGenerator, FileWithoutReadPermissionFails) {
    TempDir scratch;
    const auto folder = scratch / "game";
    test::write_file(folder / "manifest.json", "previous manifest");
    test::write_file(folder / "secret.bin", "locked");
    std::filesystem::permissions(folder / "secret.bin", std::filesystem::perms::none);
    if (!test::read_file(folder / "secret.bin").empty()) GTEST_SKIP() << "privileged user reads any file";
    EXPECT_EQ(generate(scratch, folder).exit_code, 1);
    EXPECT_EQ(test::read_file(folder / "manifest.json"), "previous manifest");
}

TEST(ManifestGenerator, LinksAreListedAsFilesAndNeverDescended) {
    TempDir scratch;
    const auto folder = scratch / "game";
    test::write_file(folder / "Main.exe", "game");
    test::write_file(scratch / "elsewhere/inner.bin", "inner");
    std::filesystem::create_symlink(scratch / "elsewhere/inner.bin", folder / "file-link.bin");
    auto run = generate(scratch, folder);
    ASSERT_EQ(run.exit_code, 0) << run.messages;
    const auto manifest = read_manifest(folder / "manifest.json");
    EXPECT_EQ(listed_paths(manifest), (std::vector<std::string>{"Main.exe", "file-link.bin"}));
    EXPECT_EQ(find(manifest, "file-link.bin")->size, 5u);  // the content it points at

    // A linked folder is listed as one file, which cannot be hashed: the run fails instead of walking into it.
    std::filesystem::create_symlink(scratch / "elsewhere", folder / "linked");
    run = generate(scratch, folder);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.messages.find("linked"), std::string::npos) << run.messages;
    EXPECT_EQ(run.messages.find("inner.bin"), std::string::npos) << run.messages;
}

TEST(ManifestGenerator, MissingFolderOrAFileInItsPlaceIsAnError) {
    TempDir scratch;
    const auto run = generate(scratch, scratch / "no-such-folder", scratch / "out.json");
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.messages.find("Erro ao gerar o manifesto:\n"), std::string::npos) << run.messages;
    EXPECT_FALSE(std::filesystem::exists(scratch / "out.json"));

    test::write_file(scratch / "a-file", "not a folder");
    EXPECT_EQ(generate(scratch, scratch / "a-file", scratch / "out.json").exit_code, 1);
    EXPECT_FALSE(std::filesystem::exists(scratch / "out.json"));
}

}  // namespace
}  // namespace qo
