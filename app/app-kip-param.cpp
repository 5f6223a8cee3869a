#include <unistd.h>

#include "loading.h"
#include "log_entry.h"
#include "poll_loop.h"
#include "signals.h"
#include "status_files.h"
#include "udp_endpoint.h"

namespace {
constexpr int kPort = 3180;
constexpr unsigned kMostRequestBytes = 1500;
}  // namespace

int main() {
    InstallSignalHandlers();
    set_log_level(4);
    set_log_config("invalid:thus-console");

    if (!GetKipParams()) {
        KIP_LOG(2, "GetKipParams");
    }
    WriteDorXmlFile();
    WriteLunXmlFile();

    UdpServer server{};
    if (UdpInitializeServer(&server, kPort, kMostRequestBytes) == 0) {
        KIP_LOG(2, "initialize UDP server");
    } else if (UdpBoundReceiveQueue(server.sock) == 0) {
        // Only an open socket has a queue to bound.
        KIP_LOG(2, "bound receive queue");
    }
    if (UdpSetNonBlocking(server.sock) == 0) {
        KIP_LOG(2, "set non blocking");
    }
    // No failure ends the daemon: without a socket the loop finds nothing to
    // receive, and a signal still stops it cleanly.

    RunPollLoop(server);

    close(server.sock);
    return 0;
}
