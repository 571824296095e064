#include "updater/manifest_update.h"

#include <gtest/gtest.h>

#include <future>
#include <mutex>

#include "platform/files.h"
#include "support/https_server.h"
#include "support/temp_dir.h"
#include "updater/hash_cache.h"
#include "updater/manifest_format.h"
#include "updater/verify_workers.h"
#include "util/sha256.h"

namespace qo {
namespace {

using test::HttpsServer;
using test::TempDir;

std::string digest_of(std::string_view bytes) {
    const auto d = sha256_bytes(bytes);
    return hex_lower(std::span<const std::uint8_t>(d));
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

ManifestFile listed(std::string path, std::string_view content, bool only_if_missing = false) {
    return ManifestFile{.path = std::move(path),
                        .size = content.size(),
                        .sha256 = digest_of(content),
                        .only_if_missing = only_if_missing};
}

// Records every progress report, from whatever thread it comes.
struct Reports {
    std::mutex mutex;
    std::vector<JobProgress> list;
    std::function<void(const JobProgress&)> on_report;

    ProgressSink sink() {
        return [this](UiEvent event) {
            auto* progress = std::get_if<Progress>(&event);
            ASSERT_NE(progress, nullptr) << "only Progress events are expected";
            std::lock_guard lock(mutex);
            list.push_back(progress->progress);
            if (on_report) on_report(progress->progress);
        };
    }
    std::vector<std::string> texts() {
        std::lock_guard lock(mutex);
        std::vector<std::string> out;
        for (const auto& p : list) out.push_back(p.text);
        return out;
    }
};

class ManifestUpdate : public ::testing::Test {
protected:
    HttpsServer server;
    TempDir game;
    Reports reports;
    std::atomic<bool> cancel{false};

    void publish(std::vector<ManifestFile> files) {
        server.set_body("/manifest.json", write_manifest(UpdateManifest{.version = "1", .files = std::move(files)}));
    }
    // Serves content at the files URL of a manifest path.
    void serve(const std::string& path, std::string content) { server.set_body("/files/" + path, std::move(content)); }

    UpdateJob job() {
        return UpdateJob{.game_dir = game.path(),
                         .update = UpdateConfig{.enabled = true,
                                                .manifest_url = server.url("/manifest.json"),
                                                .files_base_url = server.url("/files/")},
                         .extra_ca_file = HttpsServer::ca_file().string(),
                         .launcher_exe = game / "QoTarmish"};
    }
    std::expected<void, std::string> run(UpdateJob& j) { return run_update(j, reports.sink(), cancel); }
    std::expected<void, std::string> run() {
        auto j = job();
        return run(j);
    }
    std::size_t file_requests() {
        std::size_t n = 0;
        for (const auto& r : server.requests())
            if (r.path.starts_with("/files/")) ++n;
        return n;
    }
};

TEST_F(ManifestUpdate, DisabledOrBlankManifestAddressDoesNothing) {
    auto j = job();
    j.update.enabled = false;
    EXPECT_TRUE(run(j));
    j.update.enabled = true;
    j.update.manifest_url = " \t";
    EXPECT_TRUE(run(j));
    j.update.manifest_url.reset();
    EXPECT_TRUE(run(j));
    EXPECT_TRUE(reports.list.empty());
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(ManifestUpdate, PlainHttpIsRejectedBeforeAnyRequest) {
    const std::string error = "endereço de atualização inválido (precisa ser https).";
    auto j = job();
    j.update.files_base_url = "http://127.0.0.1:1/files";
    EXPECT_EQ(run(j).error(), error);
    j = job();
    j.update.manifest_url = "http://127.0.0.1:1/manifest.json";
    EXPECT_EQ(run(j).error(), error);
    j = job();
    j.update.files_base_url.reset();
    EXPECT_EQ(run(j).error(), error);
    EXPECT_TRUE(reports.list.empty());
    EXPECT_TRUE(server.requests().empty());

    publish({});
    j = job();
    j.update.manifest_url = "HTTPS" + j.update.manifest_url->substr(5);  // the scheme is compared without case
    EXPECT_TRUE(run(j));
}

TEST_F(ManifestUpdate, ManifestRequestCarriesTickQueryAndUserAgent) {
    publish({});
    auto j = job();
    j.update.manifest_url = server.url("/manifest.json?canal=beta");
    ASSERT_TRUE(run(j));
    ASSERT_TRUE(run());
    const auto requests = server.requests_to("/manifest.json");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].query.starts_with("canal=beta&t=")) << requests[0].query;
    EXPECT_TRUE(requests[1].query.starts_with("t=")) << requests[1].query;
    const std::string ticks = requests[1].query.substr(2);
    EXPECT_GE(ticks.size(), 18u);
    EXPECT_EQ(ticks.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(requests[0].header("User-Agent"), "QoTarmishLauncher/1.0");
}

TEST_F(ManifestUpdate, UrlsAreBuiltWithTheirQueries) {
    EXPECT_EQ(manifest_request_url("https://h/m.json", 7), "https://h/m.json?t=7");
    EXPECT_EQ(manifest_request_url("https://h/m.json?a=b", 7), "https://h/m.json?a=b&t=7");
    EXPECT_EQ(file_request_url("https://h/files///", "Data\\a b.bin", "ab"), "https://h/files/Data/a%20b.bin?h=ab");
    EXPECT_EQ(encode_url_path("Mapa/ação #1?%.txt"), "Mapa/a%C3%A7%C3%A3o%20%231%3F%25.txt");
    EXPECT_EQ(encode_url_path("Data/-_.~!$&'()*+,;=@[].bin"), "Data/-_.~!$&'()*+,;=@[].bin");
    EXPECT_EQ(format_invalid_manifest("x at line 1 column 2"), "manifesto inválido: x at line 1 column 2");
}

TEST_F(ManifestUpdate, DownloadsWhatDiffersAndLeavesTheRest) {
    test::write_file(game / "Main.exe", "game v1");
    test::write_file(game / "Data/same.bin", "unchanged");
    test::write_file(game / "Data/macro.txt", "the player's own macros");
    publish({listed("Main.exe", "game v2"), listed("Data/same.bin", "unchanged"),
             listed("Data/New/deep.bin", "new file"), listed("Data/macro.txt", "default macros", true),
             listed("Data/Resolutions.xml", "<r/>", true)});
    serve("Main.exe", "game v2");
    serve("Data/New/deep.bin", "new file");
    serve("Data/Resolutions.xml", "<r/>");

    ASSERT_TRUE(run());
    EXPECT_EQ(test::read_file(game / "Main.exe"), "game v2");
    EXPECT_EQ(test::read_file(game / "Data/New/deep.bin"), "new file");
    EXPECT_EQ(test::read_file(game / "Data/Resolutions.xml"), "<r/>");
    EXPECT_EQ(test::read_file(game / "Data/macro.txt"), "the player's own macros");
    EXPECT_EQ(file_requests(), 3u);
    EXPECT_TRUE(server.requests_to("/files/Data/macro.txt").empty());
    const auto main_request = server.requests_to("/files/Main.exe");
    ASSERT_EQ(main_request.size(), 1u);
    EXPECT_EQ(main_request[0].query, "h=" + digest_of("game v2"));
    EXPECT_FALSE(std::filesystem::exists(game / "Main.exe.part"));

    const auto texts = reports.texts();
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts.front(), "Buscando atualizações...");
    EXPECT_EQ(texts[1], "Verificando arquivos...");
    EXPECT_EQ(texts.back(), "Atualização concluída.");
    EXPECT_EQ(reports.list.back().total_fraction, 1.0);

    // Everything hashed or installed is remembered, so a second run reads and fetches nothing.
    const HashCache cache = load_hash_cache(game.path());
    EXPECT_GE(cache.size(), 4u);
    for (const auto& [key, value] : cache) EXPECT_FALSE(key.starts_with("Data/macro.txt|")) << key;
    reports.list.clear();
    server.clear_requests();
    ASSERT_TRUE(run());
    EXPECT_EQ(file_requests(), 0u);
    EXPECT_EQ(reports.texts().back(), "Cliente atualizado.");
    EXPECT_EQ(reports.list.back().file_fraction, 1.0);
}

TEST_F(ManifestUpdate, UnsafePathsAreDroppedAndBackslashesBecomeSlashes) {
    TempDir outside;
    const std::string escape = "../" + outside.path().filename().string() + "/x.bin";
    publish({listed(escape, "bad"), listed("/etc/qo-test", "bad"), listed("\\abs.bin", "bad"),
             listed("C:evil.bin", "bad"), listed("   ", "bad"), listed("Sub\\b.txt", "good")});
    serve("Sub/b.txt", "good");
    ASSERT_TRUE(run());
    EXPECT_EQ(test::read_file(game / "Sub/b.txt"), "good");
    EXPECT_EQ(file_requests(), 1u);
    EXPECT_TRUE(std::filesystem::is_empty(outside.path()));
}

TEST_F(ManifestUpdate, PathWithANulIsDroppedAndTheFileItNamesSurvives) {
    test::write_file(game / "Data/CameraSession.ini", "the player's camera");
    const std::string nul_path("Data/CameraSession.ini\0junk", 27);
    server.set_body("/manifest.json", "{\"Files\": [{\"Path\": \"Data/CameraSession.ini\\u0000junk\", \"Size\": 3, "
                                      "\"Sha256\": \"" + digest_of("new") + "\"}]}");
    serve(nul_path, "bad");
    const auto result = run();
    EXPECT_TRUE(result) << result.error();
    EXPECT_EQ(test::read_file(game / "Data/CameraSession.ini"), "the player's camera");
    EXPECT_EQ(file_requests(), 0u);
}

TEST_F(ManifestUpdate, CachedDigestIsTrustedWithoutReadingTheFile) {
    // The file's bytes differ from the manifest, but its path, size and time match a cache entry holding the
    // manifest's digest: the entry is believed, so the file cannot have been read.
    test::write_file(game / "Data/a.bin", "hello");
    const auto ticks = last_write_ticks_1601(game / "Data/a.bin");
    ASSERT_TRUE(ticks);
    save_hash_cache(game.path(), {{hash_cache_key("Data/a.bin", 5, *ticks), digest_of("world")}});
    publish({listed("Data/a.bin", "world")});
    serve("Data/a.bin", "world");
    ASSERT_TRUE(run());
    EXPECT_EQ(test::read_file(game / "Data/a.bin"), "hello");
    EXPECT_EQ(file_requests(), 0u);

    // A cache entry for another time does not count: the file is hashed and replaced.
    save_hash_cache(game.path(), {{hash_cache_key("Data/a.bin", 5, *ticks + 1), digest_of("world")}});
    ASSERT_TRUE(run());
    EXPECT_EQ(test::read_file(game / "Data/a.bin"), "world");
}

TEST_F(ManifestUpdate, DigestsCompareWithoutCaseOrSurroundingBlanks) {
    test::write_file(game / "local.bin", "local");
    auto local = listed("local.bin", "local");
    local.sha256 = "  " + upper(*local.sha256) + " \t";
    auto remote = listed("remote.bin", "remote");
    remote.sha256 = upper(*remote.sha256);
    auto blanks = listed("blanks.bin", "blanks");
    blanks.sha256 = " " + upper(*blanks.sha256) + "\t ";
    publish({local, remote, blanks});
    serve("remote.bin", "remote");
    serve("blanks.bin", "blanks");
    const auto result = run();
    ASSERT_TRUE(result) << result.error();
    EXPECT_EQ(file_requests(), 2u);
    EXPECT_EQ(server.requests_to("/files/remote.bin").at(0).query, "h=" + digest_of("remote"));
    EXPECT_EQ(server.requests_to("/files/blanks.bin").at(0).query, "h=" + digest_of("blanks"));
    EXPECT_EQ(test::read_file(game / "remote.bin"), "remote");
    EXPECT_EQ(test::read_file(game / "blanks.bin"), "blanks");
}

TEST_F(ManifestUpdate, CorruptDownloadIsRemovedAndReported) {
    test::write_file(game / "Data/x.bin", "old byte");  // same size as the listed file: it gets hashed
    publish({listed("Data/ok.bin", "fine"), listed("Data/x.bin", "expected")});
    serve("Data/ok.bin", "fine");
    serve("Data/x.bin", "tampered");
    const auto result = run();
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), "Arquivo corrompido no download: Data/x.bin");
    EXPECT_EQ(test::read_file(game / "Data/x.bin"), "old byte");
    EXPECT_EQ(test::read_file(game / "Data/ok.bin"), "fine");  // installed before the failure: kept
    EXPECT_FALSE(std::filesystem::exists(game / "Data/x.bin.part"));
    EXPECT_FALSE(load_hash_cache(game.path()).empty());  // the verify phase's cache was saved
}

TEST_F(ManifestUpdate, ServerAndManifestErrorsComeBackAsTexts) {
    server.set_status("/manifest.json", 500);
    EXPECT_EQ(run().error(), "o servidor respondeu 500");

    server.set_body("/manifest.json", "{\"Files\": [{\"Size\": null}]}");
    const auto invalid = run();
    ASSERT_FALSE(invalid);
    EXPECT_TRUE(invalid.error().starts_with("manifesto inválido: ")) << invalid.error();

    server.set_body("/manifest.json", R"({"Files": [{"Size": 1e999}]})");
    EXPECT_EQ(run().error(), "manifesto inválido: number out of range at line 1 column 25");

    server.set_body("/manifest.json", "\xEF\xBB\xBF{\"Files\": [{\"Path\": \"gone.bin\", \"Size\": 1}]}");
    EXPECT_EQ(run().error(), "o servidor respondeu 404");
    EXPECT_FALSE(std::filesystem::exists(game / "gone.bin.part"));

    server.set_body("/manifest.json", "{}");  // no Files at all: nothing to do
    EXPECT_TRUE(run());
}

TEST_F(ManifestUpdate, ManifestOver64MiBIsRefusedBeforeItIsParsed) {
    constexpr std::size_t cap = 64u << 20;
    const std::string manifest = "{\"Files\": []}";
    server.set_body("/manifest.json", manifest + std::string(cap - manifest.size(), ' '));
    ASSERT_TRUE(run());  // exactly the cap: read and parsed

    server.set_body("/manifest.json", manifest + std::string(cap + 1 - manifest.size(), ' '));
    const auto long_body = run();
    ASSERT_FALSE(long_body);
    EXPECT_TRUE(long_body.error().starts_with("manifesto inválido: ")) << long_body.error();

    server.set_body("/manifest.json", manifest);
    server.set_fault("/manifest.json", {.content_length = std::to_string(cap + 1)});
    EXPECT_EQ(run().error(), long_body.error());  // announced too long: refused before the body
}

TEST_F(ManifestUpdate, BodyLongerThanItsSizeIsCutAsACorruptDownload) {
    test::write_file(game / "Data/x.bin", "old");
    const std::string content = "eighteen byte file";
    publish({listed("Data/x.bin", content)});
    // A body that goes on past its size and then stalls, as an endless one would.
    serve("Data/x.bin", content + std::string(1 << 20, 'x'));
    server.set_fault("/files/Data/x.bin", {.chunk_size = 4096, .stall_after = 200'000});
    const auto part = game / "Data/x.bin.part";
    std::uintmax_t largest_part = 0;
    reports.on_report = [&](const JobProgress&) {
        std::error_code ec;
        largest_part = std::max(largest_part, std::filesystem::file_size(part, ec) * !ec);
    };
    auto running = std::async(std::launch::async, [this] { return run(); });
    const bool ended = running.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    if (!ended) server.stop();
    const auto result = running.get();
    EXPECT_TRUE(ended) << "the body was read on past its size";
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), "Arquivo corrompido no download: Data/x.bin");
    EXPECT_LE(largest_part, content.size() + 1);
    EXPECT_EQ(test::read_file(game / "Data/x.bin"), "old");
    EXPECT_FALSE(std::filesystem::exists(part));
}

TEST_F(ManifestUpdate, PlantedLinkAtThePartNameIsNotWrittenThrough) {
    TempDir outside;
    test::write_file(outside / "victim", "outside the game");
    std::filesystem::create_symlink(outside / "victim", game / "a.bin.part");
    publish({listed("a.bin", "new bytes")});
    serve("a.bin", "new bytes");
    EXPECT_FALSE(run());
    EXPECT_EQ(test::read_file(outside / "victim"), "outside the game");
    EXPECT_FALSE(std::filesystem::exists(game / "a.bin"));
}

TEST_F(ManifestUpdate, ZeroSizeEntryDownloadsEmptyAndRefusesABody) {
    publish({listed("empty.bin", "")});
    serve("empty.bin", "");
    ASSERT_TRUE(run());
    ASSERT_TRUE(std::filesystem::exists(game / "empty.bin"));
    EXPECT_EQ(std::filesystem::file_size(game / "empty.bin"), 0u);

    // Any byte behind a listed Size of 0 is one too many, even when the bytes match the digest.
    auto odd = listed("odd.bin", "some bytes");
    odd.size = 0;
    publish({odd});
    serve("odd.bin", "some bytes");
    EXPECT_EQ(run().error(), "Arquivo corrompido no download: odd.bin");
    EXPECT_FALSE(std::filesystem::exists(game / "odd.bin"));
    EXPECT_FALSE(std::filesystem::exists(game / "odd.bin.part"));
}

TEST_F(ManifestUpdate, RunningLauncherIsReplacedThroughTheOldName) {
    test::write_file(game / "QoTarmish", "launcher v1");
    test::write_file(game / "QoTarmish.old", "leftover");
    std::filesystem::permissions(game / "QoTarmish", std::filesystem::perms(0755));
    publish({listed("QoTarmish", "launcher v2")});
    serve("QoTarmish", "launcher v2");

    auto skipping = job();
    skipping.skip_launcher_exe = true;
    ASSERT_TRUE(run(skipping));
    EXPECT_EQ(file_requests(), 0u);
    EXPECT_FALSE(skipping.launcher_replaced);

    auto j = job();
    ASSERT_TRUE(run(j));
    EXPECT_TRUE(j.launcher_replaced);
    EXPECT_EQ(test::read_file(game / "QoTarmish"), "launcher v2");
    EXPECT_EQ(test::read_file(game / "QoTarmish.old"), "launcher v1");
    const auto perms = std::filesystem::status(game / "QoTarmish").permissions();
    EXPECT_NE(perms & std::filesystem::perms::owner_exec, std::filesystem::perms::none);
}

TEST_F(ManifestUpdate, ReadOnlyFilesFoldersAndLinksAreReplaced) {
    test::write_file(game / "ro.bin", "old");
    std::filesystem::permissions(game / "ro.bin", std::filesystem::perms(0444));
    test::write_file(game / "real.bin", "target of a link");
    std::filesystem::create_symlink(game / "real.bin", game / "link.bin");
    std::filesystem::create_directories(game / "folder.bin");
    publish({listed("ro.bin", "new"), listed("link.bin", "target of a link"), listed("folder.bin", "x")});
    serve("ro.bin", "new");
    serve("link.bin", "target of a link");
    serve("folder.bin", "x");

    const auto result = run();
    EXPECT_EQ(test::read_file(game / "ro.bin"), "new");
    EXPECT_FALSE(is_read_only(game / "ro.bin"));
    EXPECT_FALSE(std::filesystem::is_symlink(game / "link.bin"));  // a link is never trusted as the file
    EXPECT_EQ(test::read_file(game / "real.bin"), "target of a link");
    // A folder in the file's place cannot be replaced: the error is the system's and the download stays.
    ASSERT_FALSE(result);
    EXPECT_TRUE(std::filesystem::exists(game / "folder.bin.part"));
}

TEST_F(ManifestUpdate, CancelStopsDownloadsAndRemovesThePart) {
    publish({listed("big.bin", std::string(1 << 20, 'b'))});
    serve("big.bin", std::string(1 << 20, 'b'));
    reports.on_report = [this](const JobProgress& p) {
        if (p.text == "Baixando atualização...") cancel = true;
    };
    EXPECT_EQ(run().error(), "cancelado");
    EXPECT_FALSE(std::filesystem::exists(game / "big.bin.part"));
    EXPECT_FALSE(std::filesystem::exists(game / "big.bin"));

    reports.on_report = nullptr;
    EXPECT_EQ(run().error(), "cancelado");  // already set: ends after the verify phase
    EXPECT_EQ(reports.texts().back(), "Verificando arquivos...");
}

TEST(VerifyWorkers, CountFollowsProcessorsWithinTwoToEight) {
    EXPECT_EQ(verify_worker_count(1u), 2u);
    EXPECT_EQ(verify_worker_count(2u), 2u);
    EXPECT_EQ(verify_worker_count(5u), 5u);
    EXPECT_EQ(verify_worker_count(8u), 8u);
    EXPECT_EQ(verify_worker_count(9u), 8u);
    EXPECT_EQ(verify_worker_count(16u), 8u);
    EXPECT_EQ(verify_worker_count(std::nullopt), 4u);
}

TEST(VerifyWorkersConcurrent, EveryEntryIsJudgedOnceAndCached) {
    TempDir game;
    std::vector<ManifestFile> entries;
    std::vector<bool> expected;
    for (int i = 0; i < 300; ++i) {
        const std::string path = "d" + std::to_string(i % 7) + "/f" + std::to_string(i) + ".bin";
        const std::string content = "content " + std::to_string(i);
        if (i % 3 != 0) test::write_file(game / path, i % 5 == 0 ? content + "!" : content);
        entries.push_back(listed(path, content));
        expected.push_back(i % 3 == 0 || i % 5 == 0);
    }
    HashCache cache;
    std::atomic<int> reports{0};
    const ProgressSink sink = [&reports](UiEvent) { ++reports; };
    const std::atomic<bool> cancel{false};
    EXPECT_EQ(verify_entries(entries, game.path(), cache, 8, sink, cancel), expected);
    // Only files of the right size are hashed; those with an extra byte are judged by size alone.
    std::size_t hashed = 0;
    for (int i = 0; i < 300; ++i) hashed += (i % 3 != 0 && i % 5 != 0);
    EXPECT_EQ(cache.size(), hashed);
    EXPECT_EQ(verify_entries(entries, game.path(), cache, 3, sink, cancel), expected);
    EXPECT_EQ(cache.size(), hashed);
}

}  // namespace
}  // namespace qo

namespace qo {
namespace {

TEST_F(ManifestUpdate, PathsWithBlanksAndAccentsDownload) {
    publish({listed("Data/Mapa Novo/ação #2.bin", "accented")});
    serve("Data/Mapa Novo/ação #2.bin", "accented");
    const auto result = run();
    ASSERT_TRUE(result) << result.error();
    EXPECT_EQ(test::read_file(game / "Data/Mapa Novo/ação #2.bin"), "accented");
}

}  // namespace
}  // namespace qo
