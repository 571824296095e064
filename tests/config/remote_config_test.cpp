#include "config/remote_config.h"

#include <gtest/gtest.h>

#include "support/https_server.h"

namespace qo {
namespace {

using test::HttpReply;
using test::HttpsServer;

constexpr std::uint64_t SOME_TICKS = 639'012'345'678'900'000;

// {"ServerName":"xxx...x"} padded to exactly `size` bytes.
std::string document_of_size(std::size_t size) {
    const std::string head = R"({"ServerName":")";
    const std::string tail = R"("})";
    return head + std::string(size - head.size() - tail.size(), 'x') + tail;
}

class RemoteConfigTest : public ::testing::Test {
protected:
    std::optional<LauncherConfig> download(std::uint64_t ticks = SOME_TICKS) {
        return download_remote_config(server.base_url(), HttpsServer::ca_file().string(), ticks);
    }

    HttpsServer server;
};

TEST_F(RemoteConfigTest, ParsesTheDocumentWithoutDefaultsAndSkipsUnknownKeys) {
    server.set_body("/launcher.json", R"({
        "ServerName": "  ",
        "Launcher": {"Size": 1024, "Sha256": "ab"},
        "News": [{"Tag": "EVENTO", "Text": "Hoje"}],
        "SomethingNew": [1, {"a": null}]
    })");

    auto config = download();

    ASSERT_TRUE(config.has_value());
    EXPECT_EQ(config->server_name, "  ") << "blank texts stay as sent";
    ASSERT_TRUE(config->news.has_value());
    ASSERT_EQ(config->news->size(), 1u);
    EXPECT_EQ((*config->news)[0].tag, "EVENTO");
    EXPECT_EQ(config->info, std::nullopt);
    EXPECT_EQ(config->update, std::nullopt);
    EXPECT_FALSE(config->close_after_start);
}

TEST_F(RemoteConfigTest, NumberBeyondADoubleUnderAnUnknownKeyIsSkipped) {
    server.set_body("/launcher.json", R"({"ServerName": "S", "Launcher": {"Size": 1, "Build": 1e999}, "Next": -2e308})");
    auto config = download();
    ASSERT_TRUE(config.has_value());
    EXPECT_EQ(config->server_name, "S");

    server.set_body("/launcher.json", R"({"ServerName": "S", "CloseAfterStart": 1e999})");
    EXPECT_FALSE(download().has_value());
}

TEST_F(RemoteConfigTest, EmptyObjectGivesAConfigurationWithEverythingAbsent) {
    server.set_body("/launcher.json", "{}");

    auto config = download();

    ASSERT_TRUE(config.has_value());
    EXPECT_EQ(*config, LauncherConfig{});
}

TEST_F(RemoteConfigTest, SendsTheTicksAndTheUserAgent) {
    server.set_body("/launcher.json", "{}");

    ASSERT_TRUE(download(SOME_TICKS).has_value());
    ASSERT_TRUE(download(SOME_TICKS + 10'000).has_value());

    auto seen = server.requests_to("/launcher.json");
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].query, "t=639012345678900000");
    EXPECT_EQ(seen[1].query, "t=639012345678910000");
    EXPECT_EQ(seen[0].header("User-Agent"), "QoTarmishLauncher/1.1");
}

TEST_F(RemoteConfigTest, BodyOfExactlyTheLimitIsReadWhole) {
    server.set_body("/launcher.json", document_of_size(REMOTE_CONFIG_BODY_LIMIT));

    auto config = download();

    ASSERT_TRUE(config.has_value());
    ASSERT_TRUE(config->server_name.has_value());
    EXPECT_EQ(config->server_name->size(), REMOTE_CONFIG_BODY_LIMIT - 17);
}

TEST_F(RemoteConfigTest, LongerBodyIsCutAndNoLongerParses) {
    server.set_body("/launcher.json", document_of_size(REMOTE_CONFIG_BODY_LIMIT + 1));

    EXPECT_FALSE(download().has_value());
}

TEST_F(RemoteConfigTest, FailuresGiveNothing) {
    server.set_reply("/launcher.json", HttpReply{.status = 404, .body = "{}"});
    EXPECT_FALSE(download().has_value()) << "404";

    server.set_reply("/launcher.json", HttpReply{.status = 500, .body = "{}"});
    EXPECT_FALSE(download().has_value()) << "500";

    server.set_body("/launcher.json", R"({"ServerName": "A", "ServerName": "B"})");
    EXPECT_FALSE(download().has_value()) << "invalid document";

    server.set_body("/launcher.json", "{}");
    EXPECT_FALSE(download_remote_config(server.base_url(), "", SOME_TICKS).has_value()) << "untrusted server";
    EXPECT_FALSE(download_remote_config(server.base_url(), "/nonexistent/ca.pem", SOME_TICKS).has_value())
        << "TLS set-up fails";
    EXPECT_EQ(server.requests_to("/launcher.json").size(), 3u);
}

TEST(RemoteConfigUrl, AppendsTheDocumentName) {
    EXPECT_EQ(remote_config_url("https://update.example"), "https://update.example/launcher.json");
}

}  // namespace
}  // namespace qo
