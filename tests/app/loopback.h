#pragma once

#include <string>

#include "query_message.h"
#include "request_handler.h"
#include "udp_client.h"
#include "udp_endpoint.h"

/// A daemon endpoint on an ephemeral loopback port and a client of it.
struct Loopback {
    ~Loopback() { close(server.sock); }

    /// Sends `datagram` and lets the endpoint read it; false when none came.
    bool Deliver(const std::string& datagram) {
        client.Send(datagram);
        int32_t received = 0;
        UdpReceiveData(&server, &received);
        return received != 0;
    }

    /// One datagram through the endpoint and the handler; what the client got.
    std::string Exchange(const std::string& datagram) {
        return Deliver(datagram) && HandleReceivedData(&server) == 1 ? client.Receive() : "<not sent>";
    }

    UdpServer server = [] {
        UdpServer bound;
        UdpInitializeServer(&bound, 0, kMostRequestBytes);
        UdpSetNonBlocking(bound.sock);
        return bound;
    }();
    UdpClient client{"127.0.0.1", 0, BoundPort(server.sock)};
};
