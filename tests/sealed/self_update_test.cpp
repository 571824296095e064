#include "sealed/self_update.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/fault_injection.h"
#include "support/https_server.h"
#include "support/temp_dir.h"
#include "util/sha256.h"

namespace qo {
namespace {

namespace fs = std::filesystem;

std::string document(std::string_view size, std::string_view sha) {
    return "{\"News\": [], \"Launcher\": {\"Size\": " + std::string(size) + ", \"Sha256\": \"" + std::string(sha) +
           "\"}}";
}

TEST(SelfUpdateDocument, AcceptsOnlyAWellFormedLauncherObject) {
    const std::string digest(64, 'a');
    auto good = parse_self_update_document(document("1024", digest));
    ASSERT_TRUE(good);
    EXPECT_EQ(good->size, 1024u);
    EXPECT_EQ(good->sha256, digest);

    // Upper case and blanks around the digest are accepted in their trimmed lower-case form.
    auto upper = parse_self_update_document("\xEF\xBB\xBF" + document("5", " " + std::string(64, 'A') + "\\t"));
    ASSERT_TRUE(upper);
    EXPECT_EQ(upper->sha256, digest);
    EXPECT_TRUE(parse_self_update_document(document("67108864", digest)));

    for (const std::string& bad : {document("0", digest), document("67108865", digest), document("1024.0", digest),
                                   document("-1", digest), document("1e3", digest), document("\"5\"", digest),
                                   document("5", std::string(63, 'a')), document("5", std::string(64, 'g')),
                                   "[" + document("5", digest) + "]", std::string("{\"Launcher\": \"x\"}"),
                                   document("5", digest) + " x", std::string("{}"), std::string("")})
        EXPECT_FALSE(parse_self_update_document(bad)) << bad;
}

class SelfUpdate : public ::testing::Test {
protected:
    void SetUp() override {
        exe = dir / "QoTarmish.exe";
        test::write_file(exe, "old launcher");
        fs::permissions(exe, fs::perms::owner_all);
    }
    void publish(const std::string& body, std::string_view announced_sha = {}) {
        std::string sha = announced_sha.empty() ? hex_lower(sha256_bytes(body)) : std::string(announced_sha);
        server.set_body("/launcher.json", document(std::to_string(body.size()), sha));
        server.set_body("/files/QoTarmish.exe", body);
    }
    bool run() { return update(exe, server.base_url()); }
    bool update(const fs::path& executable, const std::string& base_url) {
        SelfUpdateSettings settings{.update_base_url = base_url,
                                    .extra_ca_file = test::HttpsServer::ca_file().string(),
                                    .exe = executable,
                                    .connect_timeout = std::chrono::seconds{5},
                                    .io_timeout = std::chrono::seconds{10}};
        return self_update_launcher(cancel, settings);
    }
    fs::path with(std::string_view suffix) const { return fs::path(exe.string() + std::string(suffix)); }

    test::TempDir dir;
    test::HttpsServer server;
    fs::path exe;
    std::atomic<bool> cancel{false};
};

TEST_F(SelfUpdate, NewerExecutableIsSwappedInAndTheOldOneKeptAsOld) {
    publish("new launcher");
    ASSERT_TRUE(run());
    EXPECT_EQ(test::read_file(exe), "new launcher");
    EXPECT_EQ(test::read_file(with(".old")), "old launcher");
    EXPECT_FALSE(fs::exists(with(".part")));
    EXPECT_NE(fs::status(exe).permissions() & fs::perms::owner_exec, fs::perms::none);
    auto requests = server.requests_to("/files/QoTarmish.exe");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].query, "h=" + hex_lower(sha256_bytes(std::string("new launcher"))));
    auto document_requests = server.requests_to("/launcher.json");
    ASSERT_EQ(document_requests.size(), 1u);
    EXPECT_TRUE(document_requests[0].query.starts_with("t="));
    EXPECT_EQ(document_requests[0].header("User-Agent"), "QoTarmishLauncher/2.0");
}

TEST_F(SelfUpdate, KillAtAnyChangeOfTheSwapLeavesALauncherInPlace) {
    if (auto values = test::armed_child_values()) {  // the child: one self-update of the test's executable
        (void)update(values->at("exe"), values->at("server"));
        test::end_armed_child();
    }
    publish("new launcher");
    for (int nth = 1;; ++nth) {
        ASSERT_LE(nth, 10);
        const test::ChildEnd end = test::run_until_killed({.nth = nth, .under = dir.path()},
                                                          {{"exe", exe.string()}, {"server", server.base_url()}});
        ASSERT_NE(end, test::ChildEnd::failed);
        const std::string now = test::read_file(exe);
        EXPECT_TRUE(now == "old launcher" || now == "new launcher") << "kill " << nth << ": \"" << now << "\"";
        if (end == test::ChildEnd::finished) {
            EXPECT_EQ(now, "new launcher");
            EXPECT_EQ(test::read_file(with(".old")), "old launcher");
            break;
        }
        test::write_file(exe, "old launcher");
        fs::remove(with(".old"));
        fs::remove(with(".part"));
    }
}

TEST_F(SelfUpdate, PlantedLinkAtThePartNameIsNotWrittenThrough) {
    publish("new launcher");
    test::TempDir outside;
    test::write_file(outside / "victim", "not the launcher's");
    fs::create_symlink(outside / "victim", with(".part"));
    EXPECT_FALSE(run());
    EXPECT_EQ(test::read_file(outside / "victim"), "not the launcher's");
    EXPECT_EQ(test::read_file(exe), "old launcher");
}

TEST_F(SelfUpdate, CurrentExecutableIsNotDownloadedAgain) {
    publish("old launcher");
    EXPECT_FALSE(run());
    EXPECT_TRUE(server.requests_to("/files/QoTarmish.exe").empty());
}

TEST_F(SelfUpdate, BodyOfAnotherLengthOrDigestReplacesNothing) {
    publish("new launcher");
    server.set_body("/files/QoTarmish.exe", "new launcher!");  // one byte longer than announced
    EXPECT_FALSE(run());
    server.set_body("/files/QoTarmish.exe", "new launche");  // one byte shorter
    EXPECT_FALSE(run());
    server.set_body("/files/QoTarmish.exe", "New launcher");  // same length, other bytes
    EXPECT_FALSE(run());
    server.set_status("/files/QoTarmish.exe", 404);
    EXPECT_FALSE(run());
    EXPECT_EQ(test::read_file(exe), "old launcher");
    EXPECT_FALSE(fs::exists(with(".part")));
    EXPECT_FALSE(fs::exists(with(".old")));
}

TEST_F(SelfUpdate, FailedRenameOfTheRunningExecutableDeletesTheNewFile) {
    publish("new launcher");
    // A folder in the way of "<exe>.old" cannot be replaced by the executable.
    fs::create_directories(with(".old") / "busy");
    EXPECT_FALSE(run());
    EXPECT_EQ(test::read_file(exe), "old launcher");
    EXPECT_FALSE(fs::exists(with(".part")));
}

TEST_F(SelfUpdate, UnreachableServerReplacesNothing) {
    server.stop();
    EXPECT_FALSE(run());
    EXPECT_EQ(test::read_file(exe), "old launcher");
}

}  // namespace
}  // namespace qo
