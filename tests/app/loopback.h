#pragma once

#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "query_message.h"
#include "udp_endpoint.h"

/// A daemon endpoint on an ephemeral loopback port and a client that talks to it.
class Loopback {
public:
    Loopback() {
        UdpInitializeServer(&server, 0, 1500);
        UdpSetNonBlocking(server.sock);
        sockaddr_in bound{};
        socklen_t length = sizeof bound;
        getsockname(server.sock, reinterpret_cast<sockaddr*>(&bound), &length);
        daemon_.sin_family = AF_INET;
        daemon_.sin_port = bound.sin_port;
        daemon_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        client = NewClient();
    }
    ~Loopback() {
        close(server.sock);
        close(client);
    }

    int NewClient() const {
        int sock = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(0, bind(sock, reinterpret_cast<sockaddr*>(&local), sizeof local));
        return sock;
    }

    void Send(const std::string& datagram, int from = -1) const {
        sendto(from < 0 ? client : from, datagram.data(), datagram.size(), 0,
               reinterpret_cast<const sockaddr*>(&daemon_), sizeof daemon_);
    }

    /// Sends `datagram` and lets the endpoint read it; false when none came.
    bool Deliver(const std::string& datagram) {
        Send(datagram);
        int32_t received = 0;
        UdpReceiveData(&server, &received);
        return received != 0;
    }

    /// The next datagram that reaches `sock`, or "<none>" after a second.
    static std::string Reply(int sock) {
        pollfd wait{sock, POLLIN, 0};
        if (poll(&wait, 1, 1000) != 1) return "<none>";
        char reply[2048];
        ssize_t n = recv(sock, reply, sizeof reply, 0);
        return n < 0 ? "<none>" : std::string(reply, static_cast<size_t>(n));
    }
    std::string Reply() const { return Reply(client); }

    UdpServer server;
    int client;

private:
    sockaddr_in daemon_{};
};
