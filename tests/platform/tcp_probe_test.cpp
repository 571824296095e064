#include "platform/tcp_probe.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace qo {
namespace {

using namespace std::chrono_literals;

// A TCP socket bound to a free port on 127.0.0.1, listening or not.
class LoopbackPort {
public:
    explicit LoopbackPort(bool listen) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t size = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        if (listen) ::listen(fd_, 4);
    }
    ~LoopbackPort() { ::close(fd_); }
    std::string endpoint() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    int fd_;
    int port_ = 0;
};

TEST(TcpProbe, ResolvesLiteralsAndNames) {
    EXPECT_EQ(resolve_tcp_endpoint("127.0.0.1:44409").size(), 1u);
    EXPECT_FALSE(resolve_tcp_endpoint("localhost:44409").empty());
    EXPECT_FALSE(resolve_tcp_endpoint("[::1]:44409").empty());
}

TEST(TcpProbe, MalformedEndpointsResolveToNothing) {
    for (const char* text : {"127.0.0.1", "127.0.0.1:", ":44409", "127.0.0.1:0", "127.0.0.1:65536",
                             "127.0.0.1:44a09", "::1:44409", "[::1]44409"}) {
        EXPECT_TRUE(resolve_tcp_endpoint(text).empty()) << text;
    }
}

TEST(TcpProbe, ListeningPortAcceptsAndClosedPortRefuses) {
    LoopbackPort listening(true);
    LoopbackPort closed(false);
    const auto open_addresses = resolve_tcp_endpoint(listening.endpoint());
    const auto closed_addresses = resolve_tcp_endpoint(closed.endpoint());
    ASSERT_EQ(open_addresses.size(), 1u);
    ASSERT_EQ(closed_addresses.size(), 1u);
    EXPECT_TRUE(tcp_connect_within(open_addresses[0], 2s));

    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(tcp_connect_within(closed_addresses[0], 2s));
    // A refusal is an answer, not a time-out.
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1500ms);
}

TEST(TcpProbe, EmptyAddressNeverConnects) { EXPECT_FALSE(tcp_connect_within(TcpAddress{}, 100ms)); }

}  // namespace
}  // namespace qo
