#include "events/remote_config_thread.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/https_server.h"

namespace qo {
namespace {

class RemoteConfigThreadConcurrent : public ::testing::Test {
protected:
    // Runs the thread body to its end on a thread of its own, as the window shell does.
    void run_fetch() {
        RemoteConfigFetch fetch{channel_.sender, server_.base_url(), test::HttpsServer::ca_file().string()};
        channel_.sender.channel.reset();
        std::thread(fetch_remote_config, std::move(fetch)).join();
    }

    test::HttpsServer server_;
    UiEventChannel channel_ = make_ui_event_channel();
};

TEST_F(RemoteConfigThreadConcurrent, SendsTheParsedDocumentOnceAndLetsGoOfItsSender) {
    server_.set_body("/launcher.json", R"({"ServerName":"Servidor Remoto","Launcher":{"Size":1}})");
    run_fetch();
    auto event = channel_.receiver.try_receive();
    ASSERT_TRUE(event && std::holds_alternative<RemoteConfig>(*event));
    const auto& config = std::get<RemoteConfig>(*event).config;
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->server_name, "Servidor Remoto");
    EXPECT_FALSE(config->news.has_value());
    EXPECT_FALSE(channel_.receiver.try_receive().has_value());
    EXPECT_FALSE(channel_.receiver.has_senders());
    ASSERT_EQ(server_.requests_to("/launcher.json").size(), 1u);
    EXPECT_TRUE(server_.requests_to("/launcher.json")[0].query.starts_with("t="));
}

TEST_F(RemoteConfigThreadConcurrent, FailuresSendNothing) {
    server_.set_status("/launcher.json", 404);
    run_fetch();
    EXPECT_FALSE(channel_.receiver.try_receive().has_value());

    channel_ = make_ui_event_channel();
    server_.set_body("/launcher.json", "{\"ServerName\": ");
    run_fetch();
    EXPECT_FALSE(channel_.receiver.try_receive().has_value());
}

TEST_F(RemoteConfigThreadConcurrent, EndsQuietlyWhenTheWindowIsGone) {
    server_.set_body("/launcher.json", "{}");
    { auto gone = std::move(channel_.receiver); }
    run_fetch();
    EXPECT_EQ(server_.requests_to("/launcher.json").size(), 1u);
}

}  // namespace
}  // namespace qo
