#pragma once

#include <string>

/// Tells operators how many datagrams were dropped since start: by the
/// kernel (the source filter, or a full receive queue) and by the daemon
/// (what a reader may not send). At most once a minute, and only when a
/// count grew since the last entry.
class DropReport {
public:
    explicit DropReport(int sock) : sock_(sock) {}

    void Refused() { ++daemon_; }

    /// Call once a poll pass: each lasts a second at least, so every 60th is
    /// a minute or more after the one before. True with the entry's text when
    /// one is due.
    bool Due(std::string* entry);

private:
    int sock_;
    unsigned passes_ = 0;
    unsigned long daemon_ = 0;
    unsigned long logged_ = 0;  // both counts together at the last entry
};

/// The socket's drop count as /proc/self/net/udp gives it: SO_RXQ_OVFL only
/// tells it along with a datagram that did arrive, and the hardened unit's
/// ProcSubset=pid hides /proc/net. 0 when not found: the daemon's own count
/// still tells.
unsigned long UdpDropCount(int sock);
