#include "events/server_status_probe.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace qo {
namespace {

using namespace std::chrono_literals;

// A port on 127.0.0.1 that starts closed (bound, not listening) and can be opened later.
class LoopbackPort {
public:
    LoopbackPort() : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t size = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~LoopbackPort() { ::close(fd_); }
    void open() { ::listen(fd_, 8); }
    std::string endpoint() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    int fd_;
    int port_ = 0;
};

std::optional<bool> next_status(UiEventReceiver& receiver, std::chrono::milliseconds timeout) {
    auto event = receiver.receive_for(timeout);
    if (!event || !std::holds_alternative<ServerStatus>(*event)) return std::nullopt;
    return std::get<ServerStatus>(*event).online;
}

TEST(ServerStatusProbe, ReportsWhetherTheServerAcceptsConnections) {
    LoopbackPort closed;
    LoopbackPort listening;
    listening.open();
    EXPECT_FALSE(probe_game_server(closed.endpoint(), 500ms));
    EXPECT_TRUE(probe_game_server(listening.endpoint(), 500ms));
    EXPECT_FALSE(probe_game_server("not an address", 500ms));
}

TEST(ServerStatusProbeConcurrent, ClosedPortReportsOfflineAtOnce) {
    LoopbackPort closed;
    auto channel = make_ui_event_channel();
    auto stop = std::make_shared<std::atomic<bool>>(false);
    std::jthread probe(server_status_probe, ServerStatusProbe{channel.sender, closed.endpoint(), stop});
    channel.sender.channel.reset();
    EXPECT_EQ(next_status(channel.receiver, 5s), false);
    stop->store(true);
}

TEST(ServerStatusProbeConcurrent, StateChangeShowsAtTheNextProbe) {
    LoopbackPort port;
    auto channel = make_ui_event_channel();
    auto stop = std::make_shared<std::atomic<bool>>(false);
    ServerStatusProbe probe{channel.sender, port.endpoint(), stop};
    probe.pause_steps = 2;
    probe.pause_step = 10ms;
    std::jthread thread(server_status_probe, std::move(probe));
    channel.sender.channel.reset();

    EXPECT_EQ(next_status(channel.receiver, 5s), false);
    port.open();
    bool seen_online = false;
    for (int i = 0; i < 50 && !seen_online; ++i) seen_online = next_status(channel.receiver, 5s) == true;
    EXPECT_TRUE(seen_online);
    stop->store(true);
}

TEST(ServerStatusProbeConcurrent, StopFlagEndsThePause) {
    LoopbackPort closed;
    auto channel = make_ui_event_channel();
    auto stop = std::make_shared<std::atomic<bool>>(false);
    auto finished = std::async(std::launch::async, server_status_probe,
                               ServerStatusProbe{channel.sender, closed.endpoint(), stop});
    ASSERT_EQ(next_status(channel.receiver, 5s), false);  // now in its 15 s pause
    stop->store(true);
    // Far below the pause; the flag is looked at every 100 ms.
    EXPECT_EQ(finished.wait_for(5s), std::future_status::ready);
}

TEST(ServerStatusProbeConcurrent, KeepsProbingAfterTheWindowIsGone) {
    LoopbackPort closed;
    auto channel = make_ui_event_channel();
    auto stop = std::make_shared<std::atomic<bool>>(false);
    ServerStatusProbe probe{channel.sender, closed.endpoint(), stop};
    probe.pause_steps = 1;
    probe.pause_step = 5ms;
    { auto gone = std::move(channel.receiver); }
    auto finished = std::async(std::launch::async, server_status_probe, std::move(probe));
    EXPECT_EQ(finished.wait_for(100ms), std::future_status::timeout);
    stop->store(true);
    EXPECT_EQ(finished.wait_for(5s), std::future_status::ready);
}

}  // namespace
}  // namespace qo
