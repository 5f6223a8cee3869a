#include "udp_endpoint.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "log_entry.h"

namespace {
// The request text needs one byte after the datagram for its terminator.
constexpr uint32_t kMostReceived = sizeof(UdpServer::buffer) - 1;
// One full datagram's worth, which the kernel doubles and then charges each
// queued datagram its whole buffer against: 3000 bytes hold three datagrams
// of up to about 190 bytes, two of up to about 600 or one of 1500 (Linux 6 on
// x86-64, measured). Few enough that any burst is worked off in seconds.
constexpr int kReceiveQueueBytes = 1500;
}  // namespace

int UdpInitializeServer(UdpServer* server, int port, unsigned size) {
    std::memset(server, 0, sizeof *server);
    server->sock = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    server->addr.sin_family = AF_INET;
    server->addr.sin_port = htons(static_cast<uint16_t>(port));
    server->addr.sin_addr.s_addr = htonl(INADDR_ANY);
    server->addrLength = sizeof server->addr;
    server->bufferSize = size;
    if (bind(server->sock, reinterpret_cast<sockaddr*>(&server->addr), sizeof server->addr) == -1) {
        KIP_LOG(2, "error binding to port");
        std::perror("error bind failed");
        close(server->sock);
        return 0;
    }
    return 1;
}

int UdpSetNonBlocking(int sock) {
    int flags = fcntl(sock, F_GETFL, 0);
    return fcntl(sock, F_SETFL, flags | O_NONBLOCK) == 0 ? 1 : 0;
}

int UdpBoundReceiveQueue(int sock) {
    return setsockopt(sock, SOL_SOCKET, SO_RCVBUF, &kReceiveQueueBytes, sizeof kReceiveQueueBytes) == 0 ? 1 : 0;
}

int UdpReceiveData(UdpServer* server, int32_t* received) {
    const size_t most = std::min(server->bufferSize, kMostReceived);
    ssize_t length = recvfrom(server->sock, server->buffer, most, 0, reinterpret_cast<sockaddr*>(&server->addr),
                              &server->addrLength);
    server->dataLength = static_cast<int32_t>(length);
    *received = 0;
    if (length > 0) {
        *received = 1;
        return 1;
    }
    if (length == -1) {
        return 1;  // nothing waiting on the non-blocking socket
    }
    KIP_LOG(2, "error calling recvfrom");
    return 0;
}

std::string_view UdpRequest(UdpServer* server) {
    const size_t length = std::min<size_t>(static_cast<size_t>(std::max(server->dataLength, 0)), kMostReceived);
    server->buffer[length] = '\0';
    return {reinterpret_cast<const char*>(server->buffer), length};
}

int UdpSendData(UdpServer* server, unsigned length) {
    const size_t bounded = std::min<size_t>(length, sizeof server->buffer);
    if (sendto(server->sock, server->buffer, bounded, 0, reinterpret_cast<sockaddr*>(&server->addr),
               sizeof server->addr) >= 0) {
        return 1;
    }
    KIP_LOG(2, "error sending packet");
    return 0;
}
