// "--testar-atualizacao" run as its own process from a temporary game folder against the HTTPS fixture.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <regex>

#include "support/https_server.h"
#include "support/temp_dir.h"
#include "updater/manifest_format.h"
#include "util/sha256.h"

namespace qo {
namespace {

using test::HttpsServer;
using test::TempDir;

std::string quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string digest_of(std::string_view bytes) {
    const auto d = sha256_bytes(bytes);
    return hex_lower(std::span<const std::uint8_t>(d));
}

ManifestFile listed(std::string path, std::string_view content) {
    return ManifestFile{.path = std::move(path), .size = content.size(), .sha256 = digest_of(content)};
}

std::vector<std::string> split_crlf(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const auto end = text.find("\r\n");
        if (end == std::string_view::npos) {
            lines.emplace_back(text);
            break;
        }
        lines.emplace_back(text.substr(0, end));
        text.remove_prefix(end + 2);
    }
    return lines;
}

class UpdateTestMode : public ::testing::Test {
protected:
    HttpsServer server;
    TempDir game;
    std::filesystem::path exe = game / "QoTarmish-dev";

    void SetUp() override { std::filesystem::copy_file(QO_DEV_EXE, exe); }

    void configure(const std::string& update_block) {
        test::write_file(game / "Data/Launcher/launcher.json", "{\"Update\": " + update_block + "}");
    }
    std::string enabled_block() const {
        return "{\"Enabled\": true, \"ManifestUrl\": \"" + server.url("/m/manifest.json") +
               "\", \"FilesBaseUrl\": \"" + server.url("/m/files") + "\"}";
    }
    void publish(std::vector<ManifestFile> files) {
        server.set_body("/m/manifest.json", write_manifest(UpdateManifest{.version = "1", .files = std::move(files)}));
    }

    int run_mode() {
        const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QO_DEV_CA_FILE=" +
                                    quoted(HttpsServer::ca_file().string()) +
                                    " QO_DEV_UPDATE_URL=" + quoted(server.base_url()) + " " + quoted(exe.string()) +
                                    " --Testar-Atualizacao >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string log_text() const { return test::read_file(game / "Data/Launcher/atualizacao_teste.log"); }
};

TEST_F(UpdateTestMode, SuccessLogsEachStepOnceAndTheTimeWithADecimalComma) {
    configure(enabled_block());
    std::vector<ManifestFile> files;
    for (int i = 0; i < 5; ++i) {
        const std::string path = "Data/f" + std::to_string(i) + ".bin";
        const std::string content(100000 + i, static_cast<char>('a' + i));  // two chunks or more each
        files.push_back(listed(path, content));
        server.set_body("/m/files/" + path, content);
    }
    publish(files);

    ASSERT_EQ(run_mode(), 0) << log_text();
    const std::string text = log_text();
    ASSERT_TRUE(text.ends_with("\r\n"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(text.begin(), text.end(), '\r'));
    const auto lines = split_crlf(text);
    ASSERT_EQ(lines.size(), 9u) << text;
    EXPECT_EQ(lines[0], "Buscando atualizações...");
    EXPECT_EQ(lines[1], "Verificando arquivos...");
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(lines[2 + i], "Baixando atualização... Data/f" + std::to_string(i) + ".bin");
    EXPECT_EQ(lines[7], "Atualização concluída.");
    EXPECT_TRUE(std::regex_match(lines[8], std::regex("OK em [0-9]+,[0-9] s"))) << lines[8];
    EXPECT_EQ(test::read_file(game / "Data/f4.bin"), std::string(100004, 'e'));

    // Nothing left to do on the next run.
    ASSERT_EQ(run_mode(), 0);
    const auto again = split_crlf(log_text());
    ASSERT_EQ(again.size(), 4u) << log_text();
    EXPECT_EQ(again[2], "Cliente atualizado.");
}

TEST_F(UpdateTestMode, FailureEndsWithTheErrorAndExitCodeOne) {
    configure(enabled_block());
    server.set_status("/m/manifest.json", 404);
    EXPECT_EQ(run_mode(), 1);
    EXPECT_EQ(log_text(), "Buscando atualizações...\r\nERRO: o servidor respondeu 404\r\n");

    configure("{\"Enabled\": true, \"ManifestUrl\": \"" + server.url("/m/manifest.json") +
              "\", \"FilesBaseUrl\": \"http://127.0.0.1/files\"}");
    EXPECT_EQ(run_mode(), 1);
    EXPECT_EQ(log_text(), "ERRO: endereço de atualização inválido (precisa ser https).\r\n");
}

TEST_F(UpdateTestMode, TransferFailureIsLoggedInPortugueseWithTheTransportsWording) {
    configure(enabled_block());
    const std::string port = std::to_string(server.port());
    server.stop();
    EXPECT_EQ(run_mode(), 1);
    const std::string log = log_text();
    EXPECT_TRUE(log.starts_with("Buscando atualizações...\r\nERRO: a conexão com o servidor foi recusada (Failed to "
                                "connect to 127.0.0.1 port " + port))
        << log;
    EXPECT_TRUE(log.ends_with(")\r\n")) << log;
}

TEST_F(UpdateTestMode, DisabledBlockSucceedsWithoutRequests) {
    configure("{\"Enabled\": false, \"ManifestUrl\": \"" + server.url("/m/manifest.json") + "\"}");
    EXPECT_EQ(run_mode(), 0);
    EXPECT_TRUE(std::regex_match(log_text(), std::regex("OK em [0-9]+,[0-9] s\r\n"))) << log_text();
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(UpdateTestMode, DefaultsUseTheDeploymentsUpdateServer) {
    // No launcher.json: the built-in block points at <update server>/manifest.json and /files.
    server.set_body("/manifest.json", write_manifest(UpdateManifest{.version = "1", .files = std::vector{listed("a.txt", "A")}}));
    server.set_body("/files/a.txt", "A");
    EXPECT_EQ(run_mode(), 0) << log_text();
    EXPECT_EQ(test::read_file(game / "a.txt"), "A");
}

TEST_F(UpdateTestMode, RunningLauncherIsSwappedThroughItsOldName) {
    configure(enabled_block());
    const std::string original = test::read_file(exe);
    const std::string replacement = "#!/bin/sh\nexit 0\n";
    publish({listed("QoTarmish-dev", replacement)});
    server.set_body("/m/files/QoTarmish-dev", replacement);
    ASSERT_EQ(run_mode(), 0) << log_text();
    EXPECT_EQ(test::read_file(exe), replacement);
    EXPECT_EQ(test::read_file(game / "QoTarmish-dev.old"), original);
    const auto perms = std::filesystem::status(exe).permissions();
    EXPECT_NE(perms & std::filesystem::perms::owner_exec, std::filesystem::perms::none);
}

}  // namespace
}  // namespace qo
