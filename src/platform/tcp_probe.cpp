#include "platform/tcp_probe.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

namespace qo {
namespace {

struct HostPort {
    std::string host;
    std::string port;
};

std::optional<HostPort> split_host_port(std::string_view text) {
    std::string_view host;
    std::string_view port;
    if (text.starts_with('[')) {
        const auto close = text.find(']');
        if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') return {};
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else {
        const auto colon = text.rfind(':');
        if (colon == std::string_view::npos) return {};
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (host.find(':') != std::string_view::npos) return {};  // bare IPv6 needs brackets
    }
    if (host.empty() || port.empty() || port.size() > 5) return {};
    unsigned value = 0;
    for (char c : port) {
        if (c < '0' || c > '9') return {};
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535) return {};
    return HostPort{std::string(host), std::string(port)};
}

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0) ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// Waits for the pending connect to finish; false on time-out or failure.
bool finish_connect(int fd, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd pfd{fd, POLLOUT, 0};
        const int ready = ::poll(&pfd, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return false;
        return error == 0;
    }
}

}  // namespace

std::vector<TcpAddress> resolve_tcp_endpoint(std::string_view host_port) {
    const auto parts = split_host_port(host_port);
    if (!parts) return {};
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    if (::getaddrinfo(parts->host.c_str(), parts->port.c_str(), &hints, &found) != 0) return {};
    std::vector<TcpAddress> addresses;
    for (const addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_addrlen > sizeof(TcpAddress::storage)) continue;
        TcpAddress address;
        std::memcpy(address.storage.data(), a->ai_addr, a->ai_addrlen);
        address.length = static_cast<std::uint32_t>(a->ai_addrlen);
        addresses.push_back(address);
    }
    ::freeaddrinfo(found);
    return addresses;
}

bool tcp_connect_within(const TcpAddress& address, std::chrono::milliseconds timeout) {
    if (address.length < sizeof(sa_family_t)) return false;
    sockaddr_storage target{};
    std::memcpy(&target, address.storage.data(), address.length);
    Socket socket(::socket(target.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (socket.fd() < 0) return false;
    if (::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&target), address.length) == 0) return true;
    if (errno != EINPROGRESS) return false;
    return finish_connect(socket.fd(), timeout);
}

}  // namespace qo
