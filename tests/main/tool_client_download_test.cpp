// "--baixar-cliente" run as its own process from a temporary game folder against the HTTPS test server, and the
// client download's log record.
#include "main/tool_client_download.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "sealed/release_store.h"
#include "support/child_process.h"
#include "support/https_server.h"
#include "support/release_builder.h"
#include "support/temp_dir.h"
#include "support/test_keys.h"

namespace qo {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> split_crlf(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string_view::npos; start = end + 2)
        lines.emplace_back(text.substr(start, end - start));
    return lines;
}

TEST(ProgressLogRecord, OneLinePerStatusPrefixOrTenthOfProgress) {
    ProgressLog log;
    const auto t0 = std::chrono::steady_clock::now();
    auto record = [&](std::string text, double fraction, double speed = 0) {
        progress_log_record(log, t0, JobProgress{.total_fraction = fraction, .bytes_per_second = speed,
                                                 .text = std::move(text), .detail = {}});
    };
    record("Baixando: a.bin", 0.12);
    record("Baixando: b.bin", 0.15);               // same prefix and tenth: nothing
    record("Baixando: c.bin", 0.21, 1'572'864);    // next tenth
    record("Baixando: c.bin", 0.95);
    record("Baixando: c.bin", 1.0);                // decile 10 after 9
    record("Cliente pronto para jogar.", 1.0);
    ASSERT_EQ(log.lines.size(), 5u);
    EXPECT_TRUE(log.lines[0].ends_with(" s  Baixando: a.bin  12%  ")) << log.lines[0];
    EXPECT_TRUE(log.lines[1].ends_with(" s  Baixando: c.bin  21%  1,5 MB/s")) << log.lines[1];
    EXPECT_EQ(log.lines[0].substr(0, 8), "   0.0 s");  // right-aligned in six characters
    EXPECT_TRUE(log.lines[4].ends_with("Cliente pronto para jogar.  100%  "));
}

class ClientDownloadMode : public ::testing::Test {
protected:
    void SetUp() override {
        fs::copy_file(QO_DEV_EXE, exe);
        release = test::build_test_release(test::sample_client("a"));
        test::publish_test_release(release, server_dir.path());
        server.serve_folder("/client", server_dir / "client");
        server.set_status("/launcher.json", 404);
    }

    test::ChildOptions options(std::vector<std::string> arguments) const {
        return {.arguments = std::move(arguments),
                .set_env = {{"QO_DEV_UPDATE_URL", server.base_url()},
                            {"QO_DEV_CA_FILE", test::HttpsServer::ca_file().string()},
                            {"QO_DEV_RELEASE_KEY", test::test_public_key_blob_path().string()}},
                .unset_env = {},
                .working_folder = game.path(),
                .output_file = game / "output.txt"};
    }

    int run(std::vector<std::string> arguments) {
        test::ChildProcess child(exe, options(std::move(arguments)));
        auto code = child.wait_for_exit(std::chrono::seconds(60));
        return code.value_or(-1000);
    }

    std::vector<std::string> log_lines() const {
        return split_crlf(test::read_file(game / "Data/Launcher/cliente_teste.log"));
    }

    test::TempDir game;
    test::TempDir server_dir;
    test::HttpsServer server;
    test::PublishedRelease release;
    fs::path exe = game / "QoTarmish-dev";
};

TEST_F(ClientDownloadMode, DownloadsTheClientAndLogsEveryStep) {
    EXPECT_EQ(run({"--Baixar-Cliente"}), 0);
    std::string raw = test::read_file(game / "Data/Launcher/cliente_teste.log");
    ASSERT_TRUE(raw.ends_with("\r\n"));
    auto lines = log_lines();
    ASSERT_GE(lines.size(), 7u) << raw;
    EXPECT_EQ(lines[0], "pasta: " + game.path().string());
    EXPECT_EQ(lines[1], "canal criptografado: true");
    EXPECT_EQ(lines[2], "launcher trocado: false");
    EXPECT_EQ(lines[3], "geração atual: " + game.path().string());
    EXPECT_TRUE(lines[4].ends_with("s  Buscando atualizações...  0%  ")) << lines[4];
    const fs::path folder = game / "Versions" / release.release_id;
    EXPECT_TRUE(lines[lines.size() - 2].starts_with("OK em ")) << raw;
    EXPECT_TRUE(lines[lines.size() - 2].ends_with(" s, jogo em " + folder.string())) << raw;
    EXPECT_EQ(lines.back(), "assinatura do Main: OK");
    EXPECT_EQ(test::read_file(game / "active-release"), release.release_id);
}

TEST_F(ClientDownloadMode, TesteSkipsTheSelfUpdateAndFailuresExitWithOne) {
    server.set_status("/client/current.kxm", 500);
    EXPECT_EQ(run({"--baixar-cliente", "--TESTE"}), 1);
    auto lines = log_lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[2], "geração atual: " + game.path().string());
    EXPECT_EQ(lines.back(), "ERRO: o servidor respondeu 500");
    EXPECT_TRUE(server.requests_to("/launcher.json").empty());
}

TEST_F(ClientDownloadMode, ProcessKilledMidDownloadIsFollowedByACleanRerun) {
    // Slow every file down so the first run is surely in the middle of its downloads when it is killed.
    for (const auto& file : release.files)
        server.set_fault("/client/releases/" + release.release_id + "/" + file.path,
                         {.chunk_size = 2000, .chunk_delay = std::chrono::milliseconds(200), .times = 1});
    {
        test::ChildProcess child(exe, options({"--baixar-cliente", "--teste"}));
        for (int i = 0; i < 500 && server.requests_to("/client/releases/" + release.release_id + "/Main.exe").empty();
             ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }  // killed here, mid-download
    EXPECT_FALSE(fs::exists(game / "active-release"));

    EXPECT_EQ(run({"--baixar-cliente", "--teste"}), 0);
    EXPECT_EQ(test::read_file(game / "active-release"), release.release_id);
    const fs::path folder = game / "Versions" / release.release_id;
    for (const auto& file : release.files) EXPECT_EQ(test::read_file(folder / file.path), file.bytes) << file.path;
    for (auto& entry : fs::recursive_directory_iterator(game.path()))
        EXPECT_FALSE(is_tmp_file_name(entry.path().filename().string())) << entry.path();
}

}  // namespace
}  // namespace qo
