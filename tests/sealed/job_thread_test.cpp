#include "sealed/job_thread.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/https_server.h"
#include "support/release_builder.h"
#include "support/temp_dir.h"
#include "support/test_keys.h"
#include "util/sha256.h"

namespace qo {
namespace {

namespace fs = std::filesystem;

// The kinds of the events a job sent, in order, with the Progress events left out.
std::vector<std::string> event_kinds(UiEventReceiver& receiver, std::vector<UiEvent>* kept = nullptr) {
    std::vector<std::string> kinds;
    while (auto event = receiver.try_receive()) {
        if (std::holds_alternative<Progress>(*event)) continue;
        if (auto* finished = std::get_if<JobFinished>(&*event))
            kinds.push_back(finished->result ? (*finished->result ? "JobFinished(restart)" : "JobFinished(ok)")
                                             : "JobFinished(" + finished->result.error() + ")");
        else if (std::holds_alternative<ClientRelease>(*event))
            kinds.push_back("ClientRelease");
        else
            kinds.push_back("other");
        if (kept) kept->push_back(std::move(*event));
    }
    return kinds;
}

class UpdateJobThread : public ::testing::Test {
protected:
    void SetUp() override {
        exe = root / "QoTarmish.exe";
        test::write_file(exe, "launcher v1");
        release = test::build_test_release(test::sample_client("a"));
        test::publish_test_release(release, server_dir.path());
        server.serve_folder("/client", server_dir / "client");
    }

    void publish_launcher(const std::string& body) {
        server.set_body("/launcher.json", "{\"Launcher\": {\"Size\": " + std::to_string(body.size()) +
                                              ", \"Sha256\": \"" + hex_lower(sha256_bytes(body)) + "\"}}");
        server.set_body("/files/QoTarmish.exe", body);
    }

    std::vector<std::string> run(bool skip_self_update) {
        UiEventChannel channel = make_ui_event_channel();
        ReleaseUpdateJob job{.sender = channel.sender,
                      .game_folder = root.path(),
                      .active_folder = root.path(),
                      .cancel = std::make_shared<std::atomic<bool>>(false),
                      .skip_self_update = skip_self_update,
                      .self_update = {.update_base_url = server.base_url(),
                                      .extra_ca_file = test::HttpsServer::ca_file().string(),
                                      .exe = exe},
                      .release_update = {.update_base_url = server.base_url(),
                                         .extra_ca_file = test::HttpsServer::ca_file().string(),
                                         .key = test::test_release_key(),
                                         .sleep = [](std::chrono::milliseconds) {}}};
        channel.sender = {};
        sealed_job_thread(std::move(job));
        return event_kinds(channel.receiver, &kept);
    }

    test::TempDir root;
    test::TempDir server_dir;
    test::HttpsServer server;
    test::PublishedRelease release;
    fs::path exe;
    std::vector<UiEvent> kept;
};

TEST_F(UpdateJobThread, ReplacedLauncherEndsTheJobWithARestartAlone) {
    publish_launcher("launcher v2");
    EXPECT_EQ(run(false), std::vector<std::string>{"JobFinished(restart)"});
    EXPECT_TRUE(server.requests_to("/client/current.kxm").empty());
}

TEST_F(UpdateJobThread, ReleaseUpdateSendsTheReleaseThenTheEnd) {
    publish_launcher("launcher v1");  // already current
    EXPECT_EQ(run(false), (std::vector<std::string>{"ClientRelease", "JobFinished(ok)"}));
    EXPECT_EQ(std::get<ClientRelease>(kept[0]).release.folder, root / "Versions" / release.release_id);
}

TEST_F(UpdateJobThread, SkippedSelfUpdateNeverAsksForTheLauncher) {
    publish_launcher("launcher v2");
    EXPECT_EQ(run(true), (std::vector<std::string>{"ClientRelease", "JobFinished(ok)"}));
    EXPECT_TRUE(server.requests_to("/launcher.json").empty());
    EXPECT_EQ(test::read_file(exe), "launcher v1");
}

TEST_F(UpdateJobThread, FailedUpdateSendsOnlyTheErrorText) {
    server.set_status("/client/current.kxm", 404);
    EXPECT_EQ(run(true), std::vector<std::string>{"JobFinished(o servidor respondeu 404)"});
}

TEST_F(UpdateJobThread, TransferFailureReachesTheWindowInPortugueseWithoutTheTransportsWording) {
    server.stop();
    EXPECT_EQ(run(true), std::vector<std::string>{"JobFinished(a conexão com o servidor foi recusada)"});
}

}  // namespace
}  // namespace qo
