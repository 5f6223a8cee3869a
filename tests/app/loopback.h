#pragma once

#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "query_message.h"
#include "udp_endpoint.h"

/// A daemon endpoint on an ephemeral loopback port and a client connected to it.
struct Loopback {
    Loopback() {
        UdpInitializeServer(&server, 0, kMostRequestBytes);
        UdpSetNonBlocking(server.sock);
        sockaddr_in daemon{};
        socklen_t length = sizeof daemon;
        getsockname(server.sock, reinterpret_cast<sockaddr*>(&daemon), &length);
        daemon.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        (void)connect(client, reinterpret_cast<sockaddr*>(&daemon), sizeof daemon);  // failing, no reply comes
    }
    ~Loopback() { close(server.sock); close(client); }

    void Send(const std::string& datagram) const { send(client, datagram.data(), datagram.size(), 0); }

    /// Sends `datagram` from another address of 127/8, all of which are this host's.
    void SendFrom(const std::string& source, const std::string& datagram) const {
        sockaddr_in to{}, from{AF_INET, 0, {inet_addr(source.c_str())}, {}};
        socklen_t length = sizeof to;
        getpeername(client, reinterpret_cast<sockaddr*>(&to), &length);
        const int fd = socket(AF_INET, SOCK_DGRAM, 0);
        if (bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0) ADD_FAILURE() << "cannot send from " << source;
        sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        close(fd);
    }

    /// Sends `datagram` and lets the endpoint read it; false when none came.
    bool Deliver(const std::string& datagram) {
        Send(datagram);
        int32_t received = 0;
        UdpReceiveData(&server, &received);
        return received != 0;
    }

    /// The next datagram that reaches the client, or "<none>" once `waitMs` passed.
    std::string Reply(int waitMs = 1000) const {
        pollfd wait{client, POLLIN, 0};
        char reply[2048];
        const ssize_t n = poll(&wait, 1, waitMs) == 1 ? recv(client, reply, sizeof reply, 0) : -1;
        return n < 0 ? "<none>" : std::string(reply, static_cast<size_t>(n));
    }

    UdpServer server;
    int client = socket(AF_INET, SOCK_DGRAM, 0);
};
