#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <string_view>

/// The most bytes one request datagram carries; a longer one is cut to it.
inline constexpr unsigned kMostRequestBytes = 1500;

/// The daemon's one network endpoint: an IPv4 UDP socket and one buffer that
/// holds each datagram and then the reply to it. Replies go to the sender of
/// the last datagram read.
struct UdpServer {
    int32_t sock;
    sockaddr_in addr;      // bind address, then the last sender
    uint8_t buffer[1504];  // a datagram of at most bufferSize bytes, then the reply
    uint32_t bufferSize;   // the most one receive takes
    int32_t dataLength;    // result of the last receive: length, 0 for empty, -1 for none
    socklen_t addrLength;
};

/// Clears `server`, opens the socket and binds it to `port` on every local
/// address. 1 on success; 0 after logging, with the socket closed.
int UdpInitializeServer(UdpServer* server, int port, unsigned size);

/// 1 when `sock` is now non-blocking, else 0. Logs nothing.
int UdpSetNonBlocking(int sock);

/// Bounds the socket's receive queue to a few datagrams, so that after a burst
/// the loop's one datagram a second reaches a new request within seconds, not
/// after minutes of queued ones. A step of its own, for main to call: the
/// other operations here keep their fixed steps and log entries. 1 on
/// success, else 0. Logs nothing.
int UdpBoundReceiveQueue(int sock);

/// Reads at most one datagram; `*received` tells whether one came. Returns 0
/// only for an empty datagram (logged); nothing waiting is no error.
int UdpReceiveData(UdpServer* server, int32_t* received);

/// The datagram last read, its bytes followed by a NUL in the buffer so that
/// they also read as a text.
std::string_view UdpRequest(UdpServer* server);

/// Sends the first `length` bytes of the buffer to the last sender. 1 when
/// sent, 0 after logging.
int UdpSendData(UdpServer* server, unsigned length);
