#include "sealed/sealed_update.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

#include "platform/file_lock.h"
#include "sealed/release_store.h"
#include "support/fault_injection.h"
#include "support/https_server.h"
#include "support/release_builder.h"
#include "support/temp_dir.h"
#include "support/test_keys.h"

namespace qo {
namespace {

namespace fs = std::filesystem;
using test::ClientFile;
using test::PublishedRelease;

// Records every progress text and every pause instead of sleeping.
struct Recorder {
    std::mutex mutex;
    std::vector<JobProgress> reports;
    std::vector<std::chrono::milliseconds> pauses;

    ProgressSink sink() {
        return make_recording_progress_sink([this](JobProgress p) {
            std::lock_guard lock(mutex);
            reports.push_back(std::move(p));
        });
    }
    Sleeper sleeper() {
        return [this](std::chrono::milliseconds d) {
            std::lock_guard lock(mutex);
            pauses.push_back(d);
        };
    }
    std::vector<std::string> texts() {
        std::lock_guard lock(mutex);
        std::vector<std::string> out;
        for (const auto& r : reports) out.push_back(r.text);
        return out;
    }
};

std::vector<fs::path> temporary_files(const fs::path& folder) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (is_tmp_file_name(it->path().filename().string())) found.push_back(it->path());
    return found;
}

std::string blob_path_of(const PublishedRelease& release, std::string_view content_start) {
    for (const ClientFile& f : release.files)
        if (is_blob_path(f.path) && f.bytes.starts_with(content_start)) return f.path;
    ADD_FAILURE() << "no blob starting with " << content_start;
    return {};
}

class SealedUpdate : public ::testing::Test {
protected:
    void publish(const PublishedRelease& release) {
        fs::remove_all(server_dir / "client");
        test::publish_test_release(release, server_dir.path());
        server.serve_folder("/client", server_dir / "client");
    }

    std::expected<ActiveRelease, std::string> run(const fs::path& active_folder) {
        return update(root.path(), active_folder, server.base_url());
    }
    std::expected<ActiveRelease, std::string> run() { return run(load_active_release(root.path(), key()).folder); }

    // The child of run_until_killed: one update of the test's game folder from the test's server.
    void update_in_armed_child() {
        if (auto values = test::armed_child_values()) {
            const fs::path game = values->at("root");
            (void)update(game, load_active_release(game, key()).folder, values->at("server"));
            test::end_armed_child();
        }
    }
    test::ChildEnd update_until_killed(const test::KillPoint& point) {
        return test::run_until_killed(point, {{"root", root.path().string()}, {"server", server.base_url()}});
    }

    std::expected<ActiveRelease, std::string> update(const fs::path& game, const fs::path& active_folder,
                                                     const std::string& base_url) {
        SealedUpdateSettings settings{.update_base_url = base_url,
                                      .extra_ca_file = test::HttpsServer::ca_file().string(),
                                      .key = test::test_release_key(),
                                      .connect_timeout = std::chrono::seconds{5},
                                      .io_timeout = std::chrono::seconds{10},
                                      .speed_floor = speed_floor,
                                      .sleep = recorder.sleeper()};
        ProgressSink sink = recorder.sink();
        return update_sealed_client(game, active_folder, sink, cancel, settings);
    }

    static const ReleaseKey& key() { return test::test_release_key(); }
    std::string active_record() const { return test::read_file(root / "active-release"); }
    fs::path folder_of(const PublishedRelease& r) const { return root / "Versions" / r.release_id; }
    std::string url_path(const PublishedRelease& r, std::string_view path) const {
        return "/client/releases/" + r.release_id + "/" + std::string(path);
    }

    void expect_installed(const PublishedRelease& r) {
        for (const ClientFile& f : r.files)
            EXPECT_EQ(test::read_file(folder_of(r) / f.path), f.bytes) << f.path;
        EXPECT_EQ(test::read_file(folder_of(r) / "release.kxm"), r.list_bytes);
        EXPECT_EQ(active_record(), r.release_id);
        EXPECT_TRUE(temporary_files(root.path()).empty());
    }

    test::TempDir root;
    test::TempDir server_dir;
    test::HttpsServer server;
    Recorder recorder;
    std::atomic<bool> cancel{false};
    SpeedFloor speed_floor{};
};

// ---- whole runs ----

TEST_F(SealedUpdate, FirstInstallDownloadsEverythingAndSwitchesTheActiveRelease) {
    PublishedRelease release = test::build_test_release(test::sample_client("a"));
    publish(release);

    auto result = run();
    ASSERT_TRUE(result) << result.error();
    EXPECT_EQ(result->folder, folder_of(release));
    expect_installed(release);
    EXPECT_NE(fs::status(folder_of(release) / "Main.exe").permissions() & fs::perms::owner_exec, fs::perms::none);

    auto texts = recorder.texts();
    ASSERT_GE(texts.size(), 4u);
    EXPECT_EQ(texts[0], "Buscando atualizações...");
    EXPECT_EQ(texts[1], "Preparando o download...");
    auto first_download = std::find_if(texts.begin(), texts.end(), [](auto& t) { return t.starts_with("Baixando"); });
    ASSERT_NE(first_download, texts.end());
    EXPECT_EQ(*first_download, "Baixando o QoFenro: 0 MB de 1 MB");
    EXPECT_EQ(texts.back(), "Cliente pronto para jogar.");
    EXPECT_EQ(recorder.reports.back().total_fraction, 1.0);
    for (const auto& request : server.requests()) EXPECT_EQ(request.header("User-Agent"), "QoTarmishLauncher/2.0");
}

TEST_F(SealedUpdate, NewReleaseReusesUnchangedFilesByHardLinkAndDownloadsOnlyTheChangedOnes) {
    auto files = test::sample_client("a");
    PublishedRelease first = test::build_test_release(files);
    test::install_test_release(first, root.path());
    test::set_client_file(files, "FONT.ini", "[Font]\nName=Changed\n");
    PublishedRelease second = test::build_test_release(files);
    publish(second);

    struct stat before {};
    ASSERT_EQ(::stat((folder_of(first) / "glew32.dll").c_str(), &before), 0);
    auto result = run();
    ASSERT_TRUE(result) << result.error();
    expect_installed(second);

    struct stat after {};
    ASSERT_EQ(::stat((folder_of(second) / "glew32.dll").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // the same file, linked, not copied
    EXPECT_FALSE(fs::exists(folder_of(first)));  // the old release was pruned

    std::vector<std::string> downloaded;
    for (const auto& request : server.requests())
        if (request.path.starts_with("/client/releases/")) downloaded.push_back(request.path);
    // The index carries the release identifier, so it and its signature change with every release.
    std::sort(downloaded.begin(), downloaded.end());
    EXPECT_EQ(downloaded, (std::vector<std::string>{url_path(second, "Assets/assets.idx"),
                                                    url_path(second, "Assets/assets.idx.sig"),
                                                    url_path(second, "FONT.ini")}));
    EXPECT_EQ(recorder.texts()[1], "Verificando arquivos...");
}

TEST_F(SealedUpdate, SameReleaseLooksOnlyAtExecutableIndexAndUserFilesAndPrunesOtherReleases) {
    PublishedRelease release = test::build_test_release(test::sample_client("a"));
    fs::path folder = test::install_test_release(release, root.path());
    publish(release);
    // Damage a blob (not looked at again) and the executable (always checked).
    const std::string blob = blob_path_of(release, "stone");
    test::write_file(folder / blob, "damaged");
    test::write_file(folder / "Main.exe", "damaged");
    test::write_file(folder / "Data/Macro.txt", "the player's macros");
    fs::create_directories(root / "Versions" / std::string(32, 'b'));

    auto result = run();
    ASSERT_TRUE(result) << result.error();
    EXPECT_EQ(result->folder, folder);
    EXPECT_EQ(test::read_file(folder / "Main.exe"), release.find("Main.exe")->bytes);
    EXPECT_EQ(test::read_file(folder / blob), "damaged");
    EXPECT_EQ(test::read_file(folder / "Data/Macro.txt"), "the player's macros");
    EXPECT_FALSE(fs::exists(root / "Versions" / std::string(32, 'b')));  // neither active nor busy
    std::vector<std::string> downloaded;
    for (const auto& request : server.requests())
        if (request.path.starts_with("/client/releases/")) downloaded.push_back(request.path);
    EXPECT_EQ(downloaded, std::vector<std::string>{url_path(release, "Main.exe")});
}

// A game executable whose bytes are right but whose execute permission was taken away (the game could not be
// started) is made executable again by the next check, without a download, in place or where it is reused.
TEST_F(SealedUpdate, ExecutableThatLostItsExecutePermissionGetsItBackWithoutADownload) {
    auto files = test::sample_client("a");
    PublishedRelease first = test::build_test_release(files);
    test::set_client_file(files, "FONT.ini", "[Font]\nName=Changed\n");
    PublishedRelease second = test::build_test_release(files);  // the same game executable
    const std::pair<const char*, const PublishedRelease*> cases[] = {{"same release", &first},
                                                                     {"next release", &second}};
    for (const auto& [name, next] : cases) {
        fs::remove_all(root / "Versions");
        const fs::path installed = test::install_test_release(first, root.path());
        fs::permissions(installed / "Main.exe", fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                        fs::perm_options::remove);
        publish(*next);
        server.clear_requests();

        auto result = run();
        ASSERT_TRUE(result) << name << ": " << result.error();
        const fs::perms perms = fs::status(folder_of(*next) / "Main.exe").permissions();
        EXPECT_NE(perms & fs::perms::owner_exec, fs::perms::none) << name;
        EXPECT_TRUE(server.requests_to(url_path(*next, "Main.exe")).empty()) << name;
    }
}

TEST_F(SealedUpdate, TargetIsTheRootWhenTheRootHoldsTheSameRelease) {
    PublishedRelease release = test::build_test_release(test::sample_client("a"));
    ASSERT_TRUE(release::write_release_folder(release, root.path()));
    publish(release);

    auto result = run(root.path());
    ASSERT_TRUE(result) << result.error();
    EXPECT_EQ(result->folder, root.path());
    EXPECT_FALSE(fs::exists(root / "active-release"));
}

TEST_F(SealedUpdate, UserFilesAreKeptCopiedFromTheActiveReleaseOrDownloaded) {
    auto files = test::sample_client("a");
    PublishedRelease first = test::build_test_release(files);
    fs::path old_folder = test::install_test_release(first, root.path());
    test::write_file(old_folder / "Data/Macro.txt", "player macro");  // differs from every list
    fs::remove(old_folder / "Data/CameraSession.ini");                // missing in the active release too
    PublishedRelease second = test::build_test_release(test::sample_client("b"));
    publish(second);
    // A user file already in the new folder stays as the player left it.
    test::write_file(folder_of(second) / "Data/Resolutions.xml", "<mine/>");

    auto result = run();
    ASSERT_TRUE(result) << result.error();
    EXPECT_EQ(test::read_file(folder_of(second) / "Data/Macro.txt"), "player macro");
    EXPECT_EQ(test::read_file(folder_of(second) / "Data/Resolutions.xml"), "<mine/>");
    EXPECT_EQ(test::read_file(folder_of(second) / "Data/CameraSession.ini"),
              second.find("Data/CameraSession.ini")->bytes);
    EXPECT_TRUE(server.requests_to(url_path(second, "Data/Macro.txt")).empty());
    EXPECT_EQ(server.requests_to(url_path(second, "Data/CameraSession.ini")).size(), 1u);
}

TEST_F(SealedUpdate, KillDuringTheCopyOfAUserFileNeverLeavesItCutShort) {
    // Killed before one of the kernel copies into the new release folder, then run again: every user file
    // arrives whole from the active release (a cut copy would be kept as the player's file and the old release,
    // which held the original, pruned).
    update_in_armed_child();
    PublishedRelease first = test::build_test_release(test::sample_client("a"));
    PublishedRelease second = test::build_test_release(test::sample_client("b"));
    publish(second);
    std::vector<std::string> user_files;
    for (const ClientFile& f : second.files)
        if (is_user_file_path(f.path)) user_files.push_back(f.path);
    ASSERT_EQ(user_files.size(), 4u);
    for (int nth = 1; nth <= 4; ++nth) {
        fs::remove_all(root / "Versions");
        const fs::path old_folder = test::install_test_release(first, root.path());
        for (const std::string& path : user_files) test::write_file(old_folder / path, "player's " + path);
        const test::KillPoint point{.nth = nth, .changes = test::FS_COPY, .under = folder_of(second)};
        ASSERT_EQ(update_until_killed(point), test::ChildEnd::killed) << nth;

        auto result = run();
        ASSERT_TRUE(result) << result.error();
        for (const std::string& path : user_files)
            EXPECT_EQ(test::read_file(folder_of(second) / path), "player's " + path) << "kill " << nth;
        EXPECT_TRUE(temporary_files(root.path()).empty());
    }
}

TEST_F(SealedUpdate, ReleaseLeftHalfPrunedByAKillIsPrunedByTheNextSameReleaseRun) {
    update_in_armed_child();
    PublishedRelease first = test::build_test_release(test::sample_client("a"));
    test::install_test_release(first, root.path());
    PublishedRelease second = test::build_test_release(test::sample_client("b"));
    publish(second);
    const test::KillPoint point{.nth = 3, .changes = test::FS_REMOVE, .under = folder_of(first)};
    ASSERT_EQ(update_until_killed(point), test::ChildEnd::killed);
    ASSERT_EQ(active_record(), second.release_id);
    ASSERT_TRUE(fs::exists(folder_of(first)));

    auto result = run();
    ASSERT_TRUE(result) << result.error();
    EXPECT_EQ(result->folder, folder_of(second));
    EXPECT_FALSE(fs::exists(folder_of(first)));
    EXPECT_TRUE(fs::exists(folder_of(second) / "Main.exe"));
}

using SealedUpdateConcurrent = SealedUpdate;

TEST_F(SealedUpdateConcurrent, TwelveWorkersPlaceAndDownloadManyFilesTogether) {
    auto files = test::sample_client("a");
    for (int i = 0; i < 60; ++i)
        test::set_client_file(files, "Assets/many/" + std::to_string(i) + ".bin", std::string(3000 + i, char('a' + i % 26)));
    PublishedRelease first = test::build_test_release(files);
    publish(first);
    ASSERT_TRUE(run());
    for (int i = 0; i < 60; i += 2)
        test::set_client_file(files, "Assets/many/" + std::to_string(i) + ".bin", std::string(2000 + i, 'z'));
    PublishedRelease second = test::build_test_release(files);
    publish(second);
    auto result = run();
    ASSERT_TRUE(result) << result.error();
    expect_installed(second);
}

TEST_F(SealedUpdate, DownloadedFilesAreRenamedIntoPlaceWithoutAnotherRemoval) {
    auto files = test::sample_client("a");
    for (int i = 0; i < 20; ++i)
        test::set_client_file(files, "Assets/many/" + std::to_string(i) + ".bin", std::string(1000 + i, 'm'));
    PublishedRelease release = test::build_test_release(files);
    publish(release);
    const int removals_before = test::temporary_file_removals();

    auto result = run(root.path());
    ASSERT_TRUE(result) << result.error();
    expect_installed(release);
    EXPECT_EQ(test::temporary_file_removals(), removals_before);
}

// ---- the list ----

TEST_F(SealedUpdate, ListFetchIsTriedFourTimesWithGrowingPauses) {
    PublishedRelease release = test::build_test_release(test::sample_client("a"));
    publish(release);
    server.set_fault("/client/current.kxm", {.status = 503, .times = 3});
    auto result = run();
    ASSERT_TRUE(result) << result.error();
    using std::chrono::milliseconds;
    std::vector<milliseconds> list_pauses(recorder.pauses.begin(), recorder.pauses.begin() + 3);
    EXPECT_EQ(list_pauses, (std::vector<milliseconds>{milliseconds(1000), milliseconds(2000), milliseconds(3000)}));

    server.set_fault("/client/current.kxm", {.status = 503, .times = 4});
    EXPECT_EQ(run().error(), "o servidor respondeu 503");
}

TEST_F(SealedUpdate, OversizedListIsRefusedByItsLengthOrItsBody) {
    server.set_reply("/client/current.kxm", {.body = std::string(10, 'x'), .headers = {}});
    server.set_fault("/client/current.kxm", {.content_length = "5242881"});
    EXPECT_EQ(run().error(), "lista de atualização excede o tamanho permitido.");

    server.clear_fault("/client/current.kxm");
    server.set_reply("/client/current.kxm", {.body = std::string(5'242'881, 'x')});
    EXPECT_EQ(run().error(), "lista de atualização excede o tamanho permitido.");

    server.set_reply("/client/current.kxm", {.body = std::string(5'242'880, 'x')});
    EXPECT_EQ(run().error(), "a lista de atualização não tem uma assinatura válida.");
}

// ---- faults in the download phase: the active release stays as it was ----

class SealedUpdateFaults : public SealedUpdate {
protected:
    void SetUp() override {
        auto files = test::sample_client("a");
        first = test::build_test_release(files);
        test::install_test_release(first, root.path());
        second = test::build_test_release(test::sample_client("b"));
        publish(second);
        blob = blob_path_of(second, std::string(70'000, 'w'));
    }
    void expect_untouched() {
        EXPECT_EQ(active_record(), first.release_id);
        EXPECT_EQ(load_active_release(root.path(), key()).folder, folder_of(first));
        EXPECT_TRUE(temporary_files(root.path()).empty());
    }
    std::string blob_url() const { return url_path(second, blob); }
    PublishedRelease first, second;
    std::string blob;
};

TEST_F(SealedUpdateFaults, ContentLengthOtherThanTheEntrySizeFailsBeforeAnyFileExists) {
    const std::string& bytes = second.find(blob)->bytes;
    server.set_fault(blob_url(), {.content_length = std::to_string(bytes.size() + 1)});
    EXPECT_EQ(run().error(), "tamanho divergente de " + blob);
    EXPECT_FALSE(fs::exists(folder_of(second) / blob));
    EXPECT_EQ(server.requests_to(blob_url()).size(), 4u);
    expect_untouched();
}

TEST_F(SealedUpdateFaults, ContentLengthThatIsNoNumberIsIgnoredAndAPlusSignIsAccepted) {
    const std::string& bytes = second.find(blob)->bytes;
    server.set_fault(blob_url(), {.content_length = "+" + std::to_string(bytes.size())});
    ASSERT_TRUE(run());
    EXPECT_EQ(test::read_file(folder_of(second) / blob), bytes);
}

TEST_F(SealedUpdateFaults, BodyOneByteLongerOrShorterThanTheEntry) {
    const std::string& bytes = second.find(blob)->bytes;
    server.set_reply(blob_url(), {.body = bytes + "x"});
    server.set_fault(blob_url(), {.no_content_length = true});
    EXPECT_EQ(run().error(), "tamanho divergente de " + blob);
    expect_untouched();

    server.set_reply(blob_url(), {.body = bytes.substr(0, bytes.size() - 1)});
    EXPECT_EQ(run().error(), "arquivo corrompido no download: " + blob);
    expect_untouched();
}

TEST_F(SealedUpdateFaults, WrongDigestIsRetriedFourTimesWithGrowingPauses) {
    std::string wrong = second.find(blob)->bytes;
    wrong[0] ^= 1;
    server.set_body(blob_url(), wrong);
    EXPECT_EQ(run().error(), "arquivo corrompido no download: " + blob);
    EXPECT_EQ(server.requests_to(blob_url()).size(), 4u);
    using std::chrono::milliseconds;
    std::vector<milliseconds> pauses = recorder.pauses;
    EXPECT_EQ(pauses, (std::vector<milliseconds>{milliseconds(800), milliseconds(1600), milliseconds(2400)}));
    expect_untouched();
}

TEST_F(SealedUpdateFaults, TricklingServerFailsAnAttemptLikeATimeOutAndTheRetryGoesOn) {
    // 40 bytes every 100 ms: about 400 bytes/s, under a floor of 1 KiB/s over any 1.5 s (in production 120 s).
    // The window must leave the other, tiny files time for their handshakes on a busy machine.
    speed_floor = SpeedFloor{.bytes_per_second = 1024, .window = std::chrono::milliseconds(1500)};
    server.set_fault(blob_url(), {.chunk_size = 40, .chunk_delay = std::chrono::milliseconds(100), .times = 1});
    const int removals_before = test::temporary_file_removals();

    auto result = run();
    ASSERT_TRUE(result) << result.error();
    EXPECT_EQ(server.requests_to(blob_url()).size(), 2u);
    EXPECT_EQ(recorder.pauses, (std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(800)}));
    EXPECT_EQ(test::temporary_file_removals(), removals_before + 1) << "the cut attempt removed its file";
    EXPECT_EQ(test::read_file(folder_of(second) / blob), second.find(blob)->bytes);
    EXPECT_EQ(active_record(), second.release_id);
    EXPECT_TRUE(temporary_files(root.path()).empty());
}

TEST_F(SealedUpdateFaults, ServerErrorOnOneFileStopsTheUpdateWithItsText) {
    server.set_status(blob_url(), 500);
    EXPECT_EQ(run().error(), "o servidor respondeu 500");
    expect_untouched();
}

TEST_F(SealedUpdateFaults, FailedRetryStepsTheSharedByteCountBack) {
    // The first attempt delivers a full body with a wrong digest slowly enough to be reported; the retry
    // starts again from zero, so the reported bytes go down before the end.
    std::string wrong = second.find(blob)->bytes;
    wrong.back() ^= 1;
    server.set_body(blob_url(), wrong);
    server.set_fault(blob_url(), {.chunk_size = 7000, .chunk_delay = std::chrono::milliseconds(30)});
    ASSERT_FALSE(run());
    std::vector<double> fractions;
    {
        std::lock_guard lock(recorder.mutex);
        for (const auto& r : recorder.reports)
            if (r.text.starts_with("Baixando")) fractions.push_back(r.total_fraction);
    }
    bool stepped_back = false;
    for (std::size_t i = 1; i < fractions.size(); ++i) stepped_back |= fractions[i] < fractions[i - 1];
    EXPECT_TRUE(stepped_back);
}

TEST_F(SealedUpdateFaults, CancelDuringADownloadStopsAndRemovesTheTemporaryFile) {
    server.set_fault(blob_url(), {.chunk_size = 1000, .chunk_delay = std::chrono::milliseconds(20)});
    std::jthread canceller([&] {
        for (int i = 0; i < 500 && server.requests_to(blob_url()).empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        cancel = true;
    });
    EXPECT_EQ(run().error(), "cancelado");
    expect_untouched();
}

TEST_F(SealedUpdateFaults, IndexOfAnotherReleaseLeavesTheActiveReleaseUntouched) {
    // A list that names a new identifier but carries the files (and so the index) of another release.
    std::vector<release::ListEntry> entries;
    for (const ClientFile& f : second.files) entries.push_back(release::entry_for(f));
    PublishedRelease forged = second;
    forged.release_id = std::string(32, 'c');
    forged.list_bytes = test::sign_with_test_key(release::make_list_body(forged.release_id, entries));
    publish(forged);
    EXPECT_EQ(run().error(), "o índice não pertence à versão assinada.");
    expect_untouched();
}

TEST_F(SealedUpdateFaults, SecondUpdateFailsAtOnceOnTheLock) {
    auto lock = try_lock_exclusive(root / "update.lock");
    ASSERT_TRUE(lock);
    EXPECT_EQ(run().error(), "outra atualização do QoFenro está em andamento.");
    EXPECT_FALSE(fs::exists(folder_of(second)));
    EXPECT_TRUE(server.requests_to(blob_url()).empty());
    expect_untouched();
}

TEST(SealedUpdateHelpers, FreeSpaceMustCoverTheDownloadAndTheMargin) {
    const std::uint64_t need = 5'000'000;
    EXPECT_TRUE(check_free_space(need + DISK_SPACE_MARGIN, need));
    EXPECT_EQ(check_free_space(need + DISK_SPACE_MARGIN - 1, need).error(),
              "espaço insuficiente no disco: o jogo precisa de 205 MB livres.");
    EXPECT_TRUE(check_free_space(std::nullopt, need));  // unknown free space does not stop the update
}

TEST(SealedUpdateHelpers, SizesAndDownloadTexts) {
    EXPECT_EQ(format_download_progress(true, 0, 12'897'485), "Baixando o QoFenro: 0 MB de 13 MB");
    EXPECT_EQ(format_download_progress(false, 1'610'612'736, 1'610'612'736),
              "Baixando atualização: 1,50 GB de 1,50 GB");
}

}  // namespace
}  // namespace qo
