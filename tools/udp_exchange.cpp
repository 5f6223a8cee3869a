#include "udp_exchange.h"

#include <netdb.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "logger.h"
#include "seam.h"
#include "udp_endpoint.h"

namespace {

/// The client's end is the daemon's own endpoint on an ephemeral port, with
/// room for the longest reply the daemon sends.
constexpr unsigned kMostReplied = sizeof(UdpServer::buffer) - 1;

/// The endpoint's calls log as the daemon does; the client reports their
/// failures in its own words instead.
class Unlogged : public LogBackend {
public:
    Unlogged() : install_(*this) {}
    void SetLevel(int /*level*/) override {}
    void SetConfig(const std::string& /*config*/) override {}
    void Write(int /*level*/, const char* /*file*/, const char* /*function*/, int /*line*/,
               const char* /*message*/) override {}

private:
    ScopedInstall<LogBackend> install_;
};

bool Resolve(const std::string& host, uint16_t port, sockaddr_in& address, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        error = "cannot resolve host '" + host + "'";
        return false;
    }
    std::memcpy(&address, found->ai_addr, sizeof address);
    address.sin_port = htons(port);
    freeaddrinfo(found);
    return true;
}

}  // namespace

ExchangeResult ExchangeDatagram(const DaemonAddress& daemon, const std::string& request, std::string& reply,
                                std::string& error) {
    if (request.size() > kMostReplied) {
        error = "request too long for one datagram";
        return ExchangeResult::kError;
    }
    const Unlogged unlogged;
    UdpServer endpoint{};
    if (UdpInitializeServer(&endpoint, 0, kMostReplied) == 0) {
        error = "cannot open a UDP socket";
        return ExchangeResult::kError;
    }
    UdpSetNonBlocking(endpoint.sock);
    ExchangeResult result = ExchangeResult::kTimeout;
    if (!Resolve(daemon.host, daemon.port, endpoint.addr, error)) {
        result = ExchangeResult::kError;
    } else {
        std::memcpy(endpoint.buffer, request.data(), request.size());
        if (UdpSendData(&endpoint, static_cast<unsigned>(request.size())) == 0) {
            error = "cannot send to " + daemon.host;
            result = ExchangeResult::kError;
        }
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(daemon.timeoutSeconds);
    while (result == ExchangeResult::kTimeout) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd wait{endpoint.sock, POLLIN, 0};
        if (left.count() <= 0 || poll(&wait, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        int32_t received = 0;
        UdpReceiveData(&endpoint, &received);
        if (received != 0) {
            reply.assign(reinterpret_cast<const char*>(endpoint.buffer), static_cast<size_t>(endpoint.dataLength));
            result = ExchangeResult::kReply;
        }
    }
    if (result == ExchangeResult::kTimeout) {
        error = "no reply from " + daemon.host + ":" + std::to_string(daemon.port) + " within " +
                std::to_string(static_cast<int>(daemon.timeoutSeconds * 1000)) + " ms";
    }
    close(endpoint.sock);
    return result;
}
