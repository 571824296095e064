#include "util/http_agent.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <thread>

#include "support/https_server.h"
#include "support/temp_dir.h"
#include "util/tls_trust.h"

namespace qo {
namespace {

using test::HttpFault;
using test::HttpReply;
using test::HttpsServer;

std::string pattern_bytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    return bytes;
}

HttpAgentOptions trusting_options(std::chrono::seconds io_timeout = std::chrono::seconds(5)) {
    HttpAgentOptions options;
    options.connect_timeout = std::chrono::seconds(5);
    options.io_timeout = io_timeout;
    options.user_agent = "QoTarmishLauncher/9.9";
    options.extra_ca_file = HttpsServer::ca_file().string();
    return options;
}

// Options trusting a copy of the test CA written into `dir` under a new name: a trust no other test has built.
HttpAgentOptions options_with_a_new_trust(const test::TempDir& dir) {
    test::write_file(dir / "ca.pem", test::read_file(HttpsServer::ca_file()));
    HttpAgentOptions options = trusting_options();
    options.extra_ca_file = (dir / "ca.pem").string();
    return options;
}

HttpAgent make_agent(const HttpAgentOptions& options = trusting_options()) {
    auto agent = HttpAgent::create(options);
    EXPECT_TRUE(agent.has_value()) << agent.error();
    return std::move(*agent);
}

// What one GET delivered to the handlers.
struct Received {
    std::vector<HttpResponseHead> heads;
    std::string body;
    std::size_t largest_chunk = 0;
    std::expected<HttpOutcome, std::string> outcome;
};

Received fetch(HttpAgent& agent, const std::string& url) {
    Received got;
    got.outcome = agent.get(
        url,
        [&](const HttpResponseHead& head) {
            got.heads.push_back(head);
            return HttpFlow::proceed;
        },
        [&](std::string_view chunk) {
            EXPECT_EQ(got.heads.size(), 1u) << "the head comes before the body";
            got.body.append(chunk);
            got.largest_chunk = std::max(got.largest_chunk, chunk.size());
            return HttpFlow::proceed;
        });
    return got;
}

class HttpAgentTest : public ::testing::Test {
protected:
    HttpsServer server;
};

TEST_F(HttpAgentTest, StreamsABodyInBoundedChunksAfterTheHead) {
    const std::string body = pattern_bytes(300'000);
    server.set_body("/big.bin", body);
    HttpAgent agent = make_agent();

    Received got = fetch(agent, server.url("/big.bin?h=abc"));

    ASSERT_TRUE(got.outcome.has_value()) << got.outcome.error();
    EXPECT_EQ(got.outcome->status, 200);
    EXPECT_FALSE(got.outcome->stopped);
    ASSERT_EQ(got.heads.size(), 1u);
    EXPECT_EQ(got.heads[0].status, 200);
    EXPECT_EQ(got.heads[0].content_length, "300000");
    EXPECT_EQ(got.body, body);
    EXPECT_LE(got.largest_chunk, HTTP_CHUNK_MAX);
}

TEST_F(HttpAgentTest, EmptyBodyStillDeliversTheHead) {
    server.set_body("/empty", "");
    HttpAgent agent = make_agent();

    Received got = fetch(agent, server.url("/empty"));

    ASSERT_TRUE(got.outcome.has_value()) << got.outcome.error();
    ASSERT_EQ(got.heads.size(), 1u);
    EXPECT_EQ(got.heads[0].content_length, "0");
    EXPECT_TRUE(got.body.empty());
}

TEST_F(HttpAgentTest, ContentLengthIsPassedAsSentOrAbsent) {
    server.set_body("/plus", "hello");
    server.set_fault("/plus", HttpFault{.content_length = "+5"});
    server.set_body("/none", "hello, no length");
    server.set_fault("/none", HttpFault{.no_content_length = true});
    HttpAgent agent = make_agent();

    Received plus = fetch(agent, server.url("/plus"));
    ASSERT_TRUE(plus.outcome.has_value()) << plus.outcome.error();
    EXPECT_EQ(plus.heads.at(0).content_length, "+5");
    EXPECT_EQ(plus.body, "hello");

    Received none = fetch(agent, server.url("/none"));
    ASSERT_TRUE(none.outcome.has_value()) << none.outcome.error();
    EXPECT_EQ(none.heads.at(0).content_length, std::nullopt);
    EXPECT_EQ(none.body, "hello, no length");
}

TEST_F(HttpAgentTest, ErrorStatusesDeliverNoBody) {
    server.set_reply("/missing", HttpReply{.status = 404, .body = "not here"});
    server.set_reply("/broken", HttpReply{.status = 503, .body = "down"});
    HttpAgent agent = make_agent();

    for (auto [path, status] : {std::pair{"/missing", 404}, std::pair{"/broken", 503}}) {
        Received got = fetch(agent, server.url(path));
        ASSERT_TRUE(got.outcome.has_value()) << got.outcome.error();
        EXPECT_EQ(got.outcome->status, status);
        EXPECT_TRUE(got.outcome->is_error_status());
        EXPECT_TRUE(got.heads.empty());
        EXPECT_TRUE(got.body.empty());
    }
    auto body = agent.get_body(server.url("/missing"), 1000);
    ASSERT_TRUE(body.has_value()) << body.error();
    EXPECT_EQ(body->status, 404);
    EXPECT_TRUE(body->bytes.empty());
    EXPECT_EQ(http_status_error_text(404), "o servidor respondeu 404");

    // The agent stays usable after an answer it cut off.
    server.set_body("/ok", "fine");
    EXPECT_EQ(fetch(agent, server.url("/ok")).body, "fine");
}

TEST_F(HttpAgentTest, FollowsFiveRedirectsButNotSix) {
    // /hop1 -> /hop2 -> ... -> /hop6 -> /end
    for (int i = 1; i <= 6; ++i) {
        std::string next = i == 6 ? "/end" : "/hop" + std::to_string(i + 1);
        server.set_redirect("/hop" + std::to_string(i), next, i % 2 == 0 ? 301 : 302);
    }
    server.set_body("/end", "arrived");
    HttpAgent agent = make_agent();

    Received five = fetch(agent, server.url("/hop2"));
    ASSERT_TRUE(five.outcome.has_value()) << five.outcome.error();
    EXPECT_EQ(five.outcome->status, 200);
    ASSERT_EQ(five.heads.size(), 1u);
    EXPECT_EQ(five.heads[0].content_length, "7") << "the head is the final answer's";
    EXPECT_EQ(five.body, "arrived");

    Received six = fetch(agent, server.url("/hop1"));
    EXPECT_FALSE(six.outcome.has_value());
    EXPECT_TRUE(six.heads.empty());
    EXPECT_TRUE(six.body.empty());
}

TEST_F(HttpAgentTest, RedirectToPlainHttpIsRefused) {
    server.set_redirect("/downgrade", "http://127.0.0.1:" + std::to_string(server.port()) + "/end");
    HttpAgent agent = make_agent();

    auto got = agent.get_body(server.url("/downgrade"), 100);
    ASSERT_FALSE(got.has_value());
    EXPECT_NE(got.error().find("http"), std::string::npos) << got.error();
}

TEST_F(HttpAgentTest, SendsTheUserAgentAndTheQuery) {
    server.set_body("/doc.json", "{}");
    HttpAgent agent = make_agent();

    ASSERT_TRUE(agent.get_body(server.url("/doc.json?t=42"), 100).has_value());

    auto seen = server.requests_to("/doc.json");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].header("User-Agent"), "QoTarmishLauncher/9.9");
    EXPECT_EQ(seen[0].query, "t=42");
}

TEST_F(HttpAgentTest, HandlersCanStopTheTransfer) {
    const std::string body = pattern_bytes(2'000'000);
    server.set_body("/large", body);
    server.set_fault("/large", HttpFault{.chunk_size = 16384, .chunk_delay = std::chrono::milliseconds(2)});
    HttpAgent agent = make_agent();

    std::size_t chunks = 0;
    auto by_chunk = agent.get(
        server.url("/large"), {}, [&](std::string_view) { return ++chunks == 2 ? HttpFlow::stop : HttpFlow::proceed; });
    ASSERT_TRUE(by_chunk.has_value()) << by_chunk.error();
    EXPECT_TRUE(by_chunk->stopped);
    EXPECT_EQ(by_chunk->status, 200);
    EXPECT_EQ(chunks, 2u);

    bool chunk_seen = false;
    auto by_head = agent.get(
        server.url("/large"), [](const HttpResponseHead&) { return HttpFlow::stop; },
        [&](std::string_view) {
            chunk_seen = true;
            return HttpFlow::proceed;
        });
    ASSERT_TRUE(by_head.has_value()) << by_head.error();
    EXPECT_TRUE(by_head->stopped);
    EXPECT_FALSE(chunk_seen);

    server.clear_fault("/large");
    EXPECT_EQ(fetch(agent, server.url("/large")).body, body) << "a stopped transfer leaves the agent usable";
}

TEST_F(HttpAgentTest, LimitedBodyReadKeepsExactlyTheLimit) {
    const std::string body = pattern_bytes(100'000);
    server.set_body("/doc", body);
    HttpAgent agent = make_agent();

    auto whole = agent.get_body(server.url("/doc"), body.size());
    ASSERT_TRUE(whole.has_value()) << whole.error();
    EXPECT_EQ(whole->bytes, body);
    EXPECT_FALSE(whole->cut);

    auto cut = agent.get_body(server.url("/doc"), body.size() - 1);
    ASSERT_TRUE(cut.has_value()) << cut.error();
    EXPECT_EQ(cut->bytes, body.substr(0, body.size() - 1));
    EXPECT_TRUE(cut->cut);
}

TEST_F(HttpAgentTest, BodiesCutShortAreTransportErrors) {
    server.set_body("/lying", "only this");
    server.set_fault("/lying", HttpFault{.content_length = "1000"});
    server.set_body("/dropped", pattern_bytes(200'000));
    server.set_fault("/dropped", HttpFault{.close_after = 70'000});
    HttpAgent agent = make_agent();

    auto lying = agent.get_body(server.url("/lying"), 1 << 20);
    EXPECT_FALSE(lying.has_value());
    auto dropped = agent.get_body(server.url("/dropped"), 1 << 20);
    EXPECT_FALSE(dropped.has_value());
}

TEST_F(HttpAgentTest, ContentLengthTheTransportCannotReadFailsTheRequest) {
    server.set_body("/rubbish", "hello");
    server.set_fault("/rubbish", HttpFault{.content_length = "abc"});
    HttpAgent agent = make_agent();

    auto got = agent.get_body(server.url("/rubbish"), 100);
    ASSERT_FALSE(got.has_value());
    EXPECT_FALSE(got.error().empty());
}

TEST_F(HttpAgentTest, ConnectionRefusedGivesTheTransportText) {
    std::string closed_url;
    {
        HttpsServer gone;
        closed_url = gone.url("/x");
    }
    HttpAgent agent = make_agent();

    auto got = agent.get_body(closed_url, 100);
    ASSERT_FALSE(got.has_value());
    EXPECT_NE(got.error().find("127.0.0.1"), std::string::npos) << got.error();
}

TEST_F(HttpAgentTest, StalledBodyTimesOut) {
    server.set_body("/stall", pattern_bytes(10'000));
    server.set_fault("/stall", HttpFault{.stall_after = 0, .stall_time = std::chrono::seconds(30)});
    HttpAgent agent = make_agent(trusting_options(std::chrono::seconds(1)));

    auto got = agent.get_body(server.url("/stall"), 1 << 20);
    ASSERT_FALSE(got.has_value());
    EXPECT_FALSE(got.error().empty());
}

TEST_F(HttpAgentTest, CertificateOfAnUnknownAuthorityIsRejected) {
    server.set_body("/doc", "secret");
    HttpAgentOptions options = trusting_options();
    options.extra_ca_file.clear();
    HttpAgent agent = make_agent(options);

    auto got = agent.get_body(server.url("/doc"), 100);
    EXPECT_FALSE(got.has_value());
    EXPECT_TRUE(server.requests_to("/doc").empty());
}

TEST_F(HttpAgentTest, CertificateForAnotherHostNameIsRejected) {
    // The test certificate names the address 127.0.0.1 only; "localhost" reaches the same server.
    server.set_body("/doc", "secret");
    HttpAgent agent = make_agent();

    auto got = agent.get_body("https://localhost:" + std::to_string(server.port()) + "/doc", 100);
    EXPECT_FALSE(got.has_value());
    EXPECT_TRUE(server.requests_to("/doc").empty());
}

TEST_F(HttpAgentTest, EveryAgentUsesTheOneTrustStoreParsedOnce) {
    test::TempDir dir;
    const HttpAgentOptions options = options_with_a_new_trust(dir);
    server.set_body("/doc", "trusted");
    const TlsTrustCounters before = tls_trust_counters();

    HttpAgent first = make_agent(options);
    EXPECT_EQ(tls_trust_counters().stores_parsed, before.stores_parsed + 1);
    HttpAgent second = make_agent(options);
    for (HttpAgent* agent : {&first, &second}) {
        auto got = agent->get_body(server.url("/doc"), 100);
        ASSERT_TRUE(got.has_value()) << got.error();
        EXPECT_EQ(got->bytes, "trusted");
    }

    const TlsTrustCounters after = tls_trust_counters();
    EXPECT_EQ(after.stores_parsed, before.stores_parsed + 1) << "the second agent parsed nothing";
    EXPECT_GE(after.connections, before.connections + 2) << "each agent's connection was given the shared store";
}

// The trust lives while an agent holds it: one agent after another parse it again, each trusting as the first did,
// while an agent made while another lives shares its store. A trust that can't be built is not remembered.
TEST_F(HttpAgentTest, TheTrustIsFreedWithItsLastAgentAndBuiltAgainByTheNext) {
    test::TempDir dir;
    HttpAgentOptions options = options_with_a_new_trust(dir);
    server.set_body("/doc", "trusted");
    const TlsTrustCounters before = tls_trust_counters();
    for (int round = 1; round <= 3; ++round) {
        HttpAgent agent = make_agent(options);
        auto got = agent.get_body(server.url("/doc"), 100);
        ASSERT_TRUE(got.has_value()) << round << ": " << got.error();
        EXPECT_EQ(got->bytes, "trusted");
        EXPECT_EQ(tls_trust_counters().stores_parsed, before.stores_parsed + round);
        if (round == 3) {
            HttpAgent beside = make_agent(options);
            EXPECT_TRUE(beside.get_body(server.url("/doc"), 100).has_value());
            EXPECT_EQ(tls_trust_counters().stores_parsed, before.stores_parsed + round);
        }
    }

    test::write_file(dir / "none.pem", "no certificate here");
    options.extra_ca_file = (dir / "none.pem").string();
    EXPECT_FALSE(HttpAgent::create(options).has_value());
    test::write_file(dir / "none.pem", test::read_file(HttpsServer::ca_file()));
    auto later = HttpAgent::create(options);
    ASSERT_TRUE(later.has_value()) << "a later call tries again";
    EXPECT_TRUE(later->get_body(server.url("/doc"), 100).has_value());
}

TEST_F(HttpAgentTest, TransferBelowTheSpeedFloorEndsLikeATimeOut) {
    // 40 bytes every 100 ms is 400 bytes/s: no read ever waits long, but the average stays under the floor.
    server.set_body("/drip", pattern_bytes(100'000));
    server.set_fault("/drip", HttpFault{.chunk_size = 40, .chunk_delay = std::chrono::milliseconds(100)});
    // 4 KiB every 50 ms is 80 KiB/s: slower than the window in total, faster than the floor throughout.
    server.set_body("/steady", pattern_bytes(100'000));
    server.set_fault("/steady", HttpFault{.chunk_size = 4096, .chunk_delay = std::chrono::milliseconds(50)});
    HttpAgentOptions options = trusting_options();
    options.speed_floor = SpeedFloor{.bytes_per_second = 1024, .window = std::chrono::milliseconds(1000)};
    HttpAgent agent = make_agent(options);

    const auto start = std::chrono::steady_clock::now();
    auto dripping = agent.get_body(server.url("/drip"), 1 << 20);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_FALSE(dripping.has_value());
    EXPECT_FALSE(dripping.error().empty());
    EXPECT_NE(dripping.error(), curl_easy_strerror(CURLE_ABORTED_BY_CALLBACK)) << "a time-out, not an abort";
    EXPECT_LT(seconds, 4.0);

    auto steady = agent.get_body(server.url("/steady"), 1 << 20);
    ASSERT_TRUE(steady.has_value()) << steady.error();
    EXPECT_EQ(steady->bytes.size(), 100'000u);
}

TEST(HttpAgentCreate, UnreadableExtraCaFailsToStart) {
    HttpAgentOptions options;
    options.extra_ca_file = "/nonexistent/ca.pem";
    auto agent = HttpAgent::create(options);
    ASSERT_FALSE(agent.has_value());
    EXPECT_EQ(agent.error(), "não foi possível iniciar o TLS");

    options.extra_ca_file = std::string(QO_SOURCE_DIR) + "/tests/support/data/tls/README.md";  // holds no certificate
    EXPECT_FALSE(HttpAgent::create(options).has_value());
}

TEST(ParseContentLength, AcceptsOnlyAnOptionalPlusAndDigits) {
    EXPECT_EQ(parse_content_length("0"), 0u);
    EXPECT_EQ(parse_content_length("+1024"), 1024u);
    EXPECT_EQ(parse_content_length("18446744073709551615"), 18446744073709551615u);
    for (std::string_view bad : {"", "+", "-1", "12a", "abc", " 12", "1 2", "++1", "18446744073709551616"}) {
        EXPECT_EQ(parse_content_length(bad), std::nullopt) << bad;
    }
}

TEST(HttpAgentConcurrent, AgentsOnSeparateThreadsDownloadTogether) {
    HttpsServer server;
    const std::string body = pattern_bytes(150'000);
    server.set_body("/shared.bin", body);

    std::vector<std::string> results(6);
    {
        std::vector<std::jthread> threads;
        for (auto& result : results) {
            threads.emplace_back([&] {
                auto agent = HttpAgent::create(trusting_options());
                if (!agent) return;
                for (int i = 0; i < 3; ++i) {
                    auto got = agent->get_body(server.url("/shared.bin"), 1 << 20);
                    if (!got || got->bytes != body) return;
                }
                result = "ok";
            });
        }
    }
    for (const auto& result : results) EXPECT_EQ(result, "ok");
    EXPECT_EQ(server.requests_to("/shared.bin").size(), 18u);
}

}  // namespace
}  // namespace qo
