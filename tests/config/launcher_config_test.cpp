#include <gtest/gtest.h>

#include <filesystem>

#include "config/default_launcher_config.h"
#include "config/launcher_config_file.h"
#include "support/temp_dir.h"

namespace {

using namespace qo;
using qo::test::TempDir;

const Endpoints endpoints{"https://site.example", "https://update.example:8443"};

std::string expected_default_file() {
    return qo::test::read_file(std::filesystem::path(QO_SOURCE_DIR) / "tests/config/data/default_launcher.json");
}

// Loads a game folder whose launcher.json holds `document`.
LauncherConfig load_document(const TempDir& game, std::string_view document) {
    qo::test::write_file(launcher_json_path(game.path()), document);
    return load_launcher_config(game.path(), endpoints);
}

TEST(LauncherConfigDefaults, HoldTheBuiltInValuesMadeFromTheEndpoints) {
    const LauncherConfig d = default_launcher_config(endpoints);
    EXPECT_EQ(d.server_name, "QoFenro");
    EXPECT_TRUE(d.close_after_start);
    ASSERT_EQ(d.links->size(), 4u);
    EXPECT_EQ((*d.links)[0].url, "https://site.example");
    EXPECT_EQ((*d.links)[1].url, "");
    EXPECT_EQ((*d.news)[2].url, "https://site.example/info#eventos");
    EXPECT_EQ(d.update->manifest_url, "https://update.example:8443/manifest.json");
    EXPECT_EQ(d.info->size(), 5u);
    EXPECT_FALSE(d.abertura);
    EXPECT_EQ(make_news_item("T", "#000000", "d", "x", "u"), (LauncherNews{"T", "#000000", "x", "u", "d"}));
}

TEST(LauncherConfigFile, FirstStartWritesTheDefaultsAndReadsThemBack) {
    TempDir game;
    const LauncherConfig first = load_launcher_config(game.path(), endpoints);
    EXPECT_EQ(first, default_launcher_config(endpoints));
    const auto path = game / "Data/Launcher/launcher.json";
    EXPECT_EQ(launcher_json_path(game.path()), path);
    EXPECT_EQ(qo::test::read_file(path), expected_default_file());

    // The written file loads as the same configuration: the empty Discord address stays present.
    EXPECT_EQ(load_launcher_config(game.path(), endpoints), first);
}

TEST(LauncherConfigFile, FailedFirstStartWriteLeavesNoFile) {
    TempDir game;
    qo::test::write_file(game / "Data", "a file where the folder should be");
    EXPECT_EQ(load_launcher_config(game.path(), endpoints), default_launcher_config(endpoints));
    EXPECT_FALSE(std::filesystem::exists(game / "Data/Launcher/launcher.json"));
}

TEST(LauncherConfigFile, EmptyDocumentTakesEachFieldsAbsentRule) {
    TempDir game;
    const LauncherConfig c = load_document(game, "{}");
    const LauncherConfig d = default_launcher_config(endpoints);
    EXPECT_EQ(c.server_name, "QoFenro");
    EXPECT_EQ(c.game_exe, "Main.exe");
    EXPECT_FALSE(c.close_after_start);
    EXPECT_EQ(c.background_video, "Data\\SS.mp4");
    EXPECT_EQ(c.links, std::vector<LauncherLink>{});
    EXPECT_EQ(c.news, std::vector<LauncherNews>{});
    EXPECT_EQ(c.update, d.update);
    EXPECT_EQ(c.info, d.info);
    EXPECT_FALSE(c.abertura);
    // A loaded document is not written back.
    EXPECT_EQ(qo::test::read_file(launcher_json_path(game.path())), "{}");
}

TEST(LauncherConfigFile, BlankTextsFallBackAndOthersAreTakenUntrimmed) {
    TempDir game;
    const LauncherConfig c = load_document(
        game, R"({"ServerName": "   ", "GameExe": "\u3000", "BackgroundVideo": "", "Abertura": " 2026 "})");
    EXPECT_EQ(c.server_name, "QoFenro");
    EXPECT_EQ(c.game_exe, "Main.exe");
    EXPECT_EQ(c.background_video, "");
    EXPECT_EQ(c.abertura, " 2026 ");
    EXPECT_EQ(load_document(game, R"({"ServerName": " X ", "GameExe": "g.exe"})").server_name, " X ");
}

TEST(LauncherConfigFile, UpdateBlockIsKeptOnlyWithAManifestUrl) {
    TempDir game;
    const auto defaults = default_launcher_config(endpoints).update;
    EXPECT_EQ(load_document(game, R"({"Update": {"Enabled": false}})").update, defaults);
    EXPECT_EQ(load_document(game, R"({"Update": {"Enabled": false, "ManifestUrl": " \t"}})").update, defaults);
    EXPECT_EQ(load_document(game, R"({"Update": null})").update, defaults);
    EXPECT_EQ(load_document(game, R"({"Update": {"ManifestUrl": "x"}})").update, (UpdateConfig{false, "x", {}}));
    EXPECT_EQ(load_document(game, R"({"Update": [true, "m", "f"]})").update, (UpdateConfig{true, "m", "f"}));
}

TEST(LauncherConfigFile, NumberBeyondADoubleIsSkippedUnderAnUnknownKeyAndRejectedInAField) {
    TempDir game;
    EXPECT_EQ(load_document(game, R"({"Update":{"Enabled":false,"ManifestUrl":"https://m"},"Extra":1e999})").update,
              (UpdateConfig{false, "https://m", {}}));
    EXPECT_EQ(load_document(game, R"({"CloseAfterStart": 1e999, "ServerName": "S"})"),
              default_launcher_config(endpoints));
    EXPECT_EQ(deserialize_launcher_config(R"({"News": [{"Tag": 1E400}]})").error(),
              "number out of range at line 1 column 23");
}

TEST(LauncherConfigFile, PresentListsAreKeptEvenWhenEmpty) {
    TempDir game;
    const LauncherConfig c = load_document(game, R"({"Info": [], "Links": [{"Url": "u"}], "News": []})");
    EXPECT_EQ(c.info, std::vector<LauncherInfo>{});
    EXPECT_EQ(c.links, (std::vector<LauncherLink>{{std::nullopt, "u"}}));
    EXPECT_EQ(c.news, std::vector<LauncherNews>{});
}

TEST(LauncherConfigFile, ArrayFormDocument) {
    TempDir game;
    const LauncherConfig c = load_document(game, R"(["Servidor"])");
    EXPECT_EQ(c.server_name, "Servidor");
    EXPECT_EQ(c.game_exe, "Main.exe");
    EXPECT_FALSE(c.close_after_start);
    EXPECT_EQ(c.info, default_launcher_config(endpoints).info);
    EXPECT_EQ(load_document(game, R"(["  "])").server_name, "QoFenro");
}

TEST(LauncherConfigFile, InvalidDocumentsGiveTheWholeDefaultsAndStayUntouched) {
    TempDir game;
    const LauncherConfig defaults = default_launcher_config(endpoints);
    for (const char* bad : {
             R"({"CloseAfterStart": null, "ServerName": "S"})",
             R"({"News": [{"Tag": "a", "Tag": "b"}], "ServerName": "S"})",
             R"({"ServerName": "S"} x)",
             R"({"ServerName": "S", "Links": [["a", "b", "c"]]})",
             R"({"ServerName": 5})",
             "{\"ServerName\": \"S\xff\"}",
             "",
         }) {
        EXPECT_EQ(load_document(game, bad), defaults) << bad;
        EXPECT_EQ(qo::test::read_file(launcher_json_path(game.path())), bad);
    }
}

TEST(LauncherConfigFile, ByteOrderMarkIsSkipped) {
    TempDir game;
    EXPECT_EQ(load_document(game, "\xEF\xBB\xBF{\"ServerName\": \"S\"}").server_name, "S");
}

TEST(LauncherConfigFile, UnreadableFileGivesDefaultsAndIsLeftAlone) {
    TempDir game;
    std::filesystem::create_directories(launcher_json_path(game.path()));
    EXPECT_EQ(load_launcher_config(game.path(), endpoints), default_launcher_config(endpoints));
    EXPECT_TRUE(std::filesystem::is_directory(launcher_json_path(game.path())));
}

TEST(LauncherConfigFile, SaveAndDeserializeRoundTrip) {
    TempDir game;
    LauncherConfig c;
    c.server_name = "Nome \"com\" aspas\\barra/e\tcontrole\x01";
    c.links = std::vector<LauncherLink>{};
    c.news = std::vector<LauncherNews>{make_news_item("A", "#FFFFFF", "hoje", "Notícia", "https://x/y")};
    c.update = UpdateConfig{false, "https://m", std::nullopt};
    c.abertura = "2026-12-05T20:00:00-03:00";
    const auto path = game / "nested/folders/launcher.json";
    save_launcher_config(c, path);
    const std::string bytes = qo::test::read_file(path);
    EXPECT_NE(bytes.find("\"Links\": [],"), std::string::npos);
    EXPECT_NE(bytes.find("\"GameExe\": null,"), std::string::npos);
    EXPECT_NE(bytes.find("Notícia"), std::string::npos);
    auto back = deserialize_launcher_config(bytes);
    ASSERT_TRUE(back) << back.error();
    EXPECT_EQ(*back, c);
}

TEST(LauncherConfigFile, FailedSaveLeavesThePreviousFileWhole) {
    TempDir game;
    const auto path = launcher_json_path(game.path());
    qo::test::write_file(path, "{}");
    // A folder where the temporary file would go makes the write fail before anything is replaced.
    std::filesystem::create_directories(path.string() + ".next");
    save_launcher_config(default_launcher_config(endpoints), path);
    EXPECT_EQ(qo::test::read_file(path), "{}");

    std::filesystem::remove(path.string() + ".next");
    save_launcher_config(default_launcher_config(endpoints), path);
    EXPECT_EQ(qo::test::read_file(path), expected_default_file());
    EXPECT_FALSE(std::filesystem::exists(path.string() + ".next"));
}

TEST(LauncherConfigFile, PlantedLinkAtTheNextNameIsNotWrittenThrough) {
    TempDir game;
    TempDir outside;
    const auto path = launcher_json_path(game.path());
    qo::test::write_file(path, "{}");
    qo::test::write_file(outside / "victim", "outside the game");
    std::filesystem::create_symlink(outside / "victim", path.string() + ".next");
    save_launcher_config(default_launcher_config(endpoints), path);
    EXPECT_EQ(qo::test::read_file(outside / "victim"), "outside the game");
    EXPECT_FALSE(std::filesystem::is_symlink(path));
}

TEST(DeserializeLauncherConfig, KeepsAbsentFieldsAbsentAndReportsPositions) {
    auto empty = deserialize_launcher_config("{}");
    ASSERT_TRUE(empty);
    EXPECT_EQ(*empty, LauncherConfig{});

    auto remote = deserialize_launcher_config(
        R"({"Launcher": {"Size": 10, "Sha256": "ab"}, "ServerName": " ", "News": [{"Tag": "T", "Extra": 1}]})");
    ASSERT_TRUE(remote) << remote.error();
    EXPECT_EQ(remote->server_name, " ");
    EXPECT_EQ(remote->news->at(0).tag, "T");

    EXPECT_EQ(deserialize_launcher_config("{\"News\": [],\n\"News\": []}").error(),
              "duplicate field `News` at line 2 column 6");
    EXPECT_EQ(deserialize_launcher_config(R"({"Update": "x"})").error(),
              "invalid type: string \"x\", expected struct UpdateConfig at line 1 column 14");
    EXPECT_EQ(deserialize_launcher_config(R"({"Info": [1]})").error(),
              "invalid type: integer `1`, expected struct LauncherInfo at line 1 column 11");
    EXPECT_EQ(deserialize_launcher_config("7").error(),
              "invalid type: integer `7`, expected struct LauncherConfig at line 1 column 1");
}

}  // namespace
