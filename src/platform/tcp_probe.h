#pragma once
// TCP reachability: name resolution and a connect attempt bounded by a time-out. Nothing is ever sent.
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace qo {

// One resolved socket address (opaque to callers).
struct TcpAddress {
    std::array<std::byte, 128> storage{};
    std::uint32_t length = 0;
};

// Resolves "host:port" (a name or an IPv4 literal; an IPv6 literal in brackets, "[::1]:port") into the
// addresses to try, in the resolver's order. Empty when the text is malformed or the name does not resolve.
std::vector<TcpAddress> resolve_tcp_endpoint(std::string_view host_port);

// Tries a TCP connection and closes it at once. True when the connection was accepted within the time-out.
bool tcp_connect_within(const TcpAddress& address, std::chrono::milliseconds timeout);

}  // namespace qo
