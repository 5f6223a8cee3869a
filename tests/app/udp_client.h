#pragma once

#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

/// The port `fd` is bound to.
inline uint16_t BoundPort(int fd) {
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
    return ntohs(bound.sin_port);
}

/// A socket of its own, bound to `source` (any address of a network on lo is
/// this host's) and `port`, that talks to port `to` on 127.0.0.1: by default
/// the daemon's.
struct UdpClient {
    explicit UdpClient(const char* source = "127.0.0.1", uint16_t port = 0, uint16_t to = 3180)
        : daemon{AF_INET, htons(to), {htonl(INADDR_LOOPBACK)}, {}} {
        const sockaddr_in from{AF_INET, htons(port), {inet_addr(source)}, {}};
        if (bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0) ADD_FAILURE() << "cannot bind " << source;
    }
    ~UdpClient() { close(fd); }

    const UdpClient& Send(const std::string& datagram) const {
        sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&daemon), sizeof daemon);
        return *this;
    }

    /// The next datagram that comes within `waitMs`, or "<none>". By default
    /// long enough for a daemon under an emulator.
    std::string Receive(int waitMs = 20000) const {
        pollfd wait{fd, POLLIN, 0};
        char reply[2048];
        const ssize_t n = poll(&wait, 1, waitMs) == 1 ? recv(fd, reply, sizeof reply, 0) : -1;
        return n < 0 ? "<none>" : std::string(reply, static_cast<size_t>(n));
    }

    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in daemon;
};
