#include <unistd.h>

#include <cstdio>
#include <string>

#include "daemon_options.h"
#include "loading.h"
#include "log_entry.h"
#include "poll_loop.h"
#include "signals.h"
#include "source_filter.h"
#include "status_files.h"
#include "udp_endpoint.h"

namespace {
constexpr int kPort = 3180;
constexpr int kExitUsage = 2;
}  // namespace

int main(int argc, char** argv) {
    // A wrong list must not leave a unit answering everyone: stop before any
    // file is written or the port bound. --check stops there anyway, for an
    // init script that starts the daemon where nobody would see the line.
    DaemonOptions options;
    std::string error;
    if (!ParseDaemonOptions(argc, argv, &options, &error)) {
        (void)std::fprintf(stderr, "app-kip-param: %s\n", error.c_str());
        return kExitUsage;
    }
    if (options.checkOnly) {
        return 0;
    }
    const SourceLists& sources = options.sources;

    InstallSignalHandlers();
    set_log_level(4);
    set_log_config("invalid:thus-console");
    if (!sources.Empty()) {
        KIP_LOG(3, DescribeSourceLists(sources).c_str());
    }

    if (!GetKipParams()) {
        KIP_LOG(2, "GetKipParams");
    }
    WriteDorXmlFile();
    WriteLunXmlFile();

    UdpServer server{};
    if (UdpInitializeServer(&server, kPort, kMostRequestBytes) == 0) {
        KIP_LOG(2, "initialize UDP server");
    } else {
        // Only an open socket has a queue to bound and a filter to take.
        if (UdpBoundReceiveQueue(server.sock) == 0) {
            KIP_LOG(2, "bound receive queue");
        }
        if (UdpFilterSources(server.sock, sources) == 0) {
            // The loop still refuses what the lists do not allow; only a
            // flood from elsewhere can now fill the queue.
            KIP_LOG(2, "filter sources");
        }
    }
    if (UdpSetNonBlocking(server.sock) == 0) {
        KIP_LOG(2, "set non blocking");
    }
    // No failure ends the daemon: without a socket the loop finds nothing to
    // receive, and a signal still stops it cleanly.

    RunPollLoop(server, sources);

    close(server.sock);
    return 0;
}
