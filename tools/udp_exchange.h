#pragma once

#include <cstdint>
#include <string>

/// Where a client finds the daemon.
struct DaemonAddress {
    std::string host = "127.0.0.1";
    uint16_t port = 3180;
    double timeoutSeconds = 5;  // the daemon's poll and pauses stay well inside
};

enum class ExchangeResult { kReply, kTimeout, kError };

/// Sends `request` as one datagram and waits for one reply. It is sent once:
/// a repeated document would be applied twice, a repeated REBOOT run twice.
ExchangeResult ExchangeDatagram(const DaemonAddress& daemon, const std::string& request, std::string& reply,
                                std::string& error);
