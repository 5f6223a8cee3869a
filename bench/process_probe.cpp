// Talks to a daemon on 127.0.0.1:3180 for bench/process_figures.sh.
//   kip-process-probe requests N       N mixed requests, each answered before the next
//   kip-process-probe first-reply CMD  starts CMD, prints the ms until its first answer,
//                                      less the one-second wait of its first pass
#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "query_message.h"

namespace {

using Clock = std::chrono::steady_clock;

int Connect() {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in daemon{};
    daemon.sin_family = AF_INET;
    daemon.sin_port = htons(3180);
    daemon.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // Connected, a datagram sent before the daemon binds comes back as ECONNREFUSED.
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&daemon), sizeof daemon) != 0) {
        std::perror("kip-process-probe: socket");
        std::exit(2);
    }
    return fd;
}

/// Sends `request` again for as long as nobody has bound the port yet; true
/// once an answer came within `seconds`.
bool Ask(int fd, const std::string& request, double seconds) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    bool pending = false;
    char reply[2048];
    while (Clock::now() < deadline) {
        if (!pending) pending = send(fd, request.data(), request.size(), 0) >= 0;
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, pending ? 10 : 1) == 1) {
            if (recv(fd, reply, sizeof reply, 0) >= 0) return true;
            if (errno == ECONNREFUSED) pending = false;
        }
    }
    return false;
}

/// What operators send, in turn: both queries, one that is no query, and
/// documents for either root and for both, with values that change each time.
std::string Request(unsigned i) {
    const std::string n = std::to_string(i);
    const std::string dor = "<config><Power>" + std::to_string(i % 256) + "</Power><RadioID>" + n +
                            "</RadioID><Address>26200100" + std::to_string(10 + i % 90) +
                            "</Address><ItpRemoteIP>10.0." + std::to_string(i % 256) + ".9</ItpRemoteIP></config>";
    const std::string lun = "<LunConfig><LogLevel>3</LogLevel><ItpLink><RemotePort>" + n +
                            "</RemotePort></ItpLink><WiuLocalCount>" + std::to_string(i % 256) +
                            "</WiuLocalCount></LunConfig>";
    switch (i % 6) {
        case 0: return QueryMessage("DOR");
        case 1: return QueryMessage("LUN");
        case 2: return QueryMessage(i % 12 == 2 ? "dor" : "STATUS");
        case 3: return dor;
        case 4: return lun;
        default: return dor + lun;
    }
}

int Requests(unsigned count) {
    const int fd = Connect();
    for (unsigned i = 0; i < count; ++i) {
        if (!Ask(fd, Request(i), 10)) {
            std::fprintf(stderr, "kip-process-probe: no answer to request %u\n", i);
            return 1;
        }
    }
    return 0;
}

int FirstReply(char** command) {
    const auto start = Clock::now();
    const pid_t daemon = fork();
    if (daemon == 0) {
        execv(command[0], command);
        _exit(127);
    }
    const int fd = Connect();
    const bool answered = daemon > 0 && Ask(fd, QueryMessage("DOR"), 10);
    const std::chrono::duration<double, std::milli> taken = Clock::now() - start - std::chrono::seconds(1);
    if (daemon > 0) {
        kill(daemon, SIGTERM);
        waitpid(daemon, nullptr, 0);
    }
    if (!answered) {
        std::fprintf(stderr, "kip-process-probe: %s never answered\n", command[0]);
        return 1;
    }
    std::printf("%.3f\n", taken.count());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 2 ? argv[1] : "";
    if (what == "requests") return Requests(static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)));
    if (what == "first-reply") return FirstReply(argv + 2);
    std::fprintf(stderr, "usage: kip-process-probe requests N | first-reply PROGRAM [ARGS]\n");
    return 2;
}
