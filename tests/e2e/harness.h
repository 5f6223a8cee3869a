#pragma once

// Drives the real binaries from inside a scratch scripts/sandbox with a network
// of its own (ctest starts each test in one), where the daemon's fixed paths
// (/var/log, /var/lib, port 3180, /sbin/init) are the test's own.

#include <arpa/inet.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include <gmock/gmock.h>

#include "query_message.h"

constexpr const char* kDorXml = "/var/log/dor.xml";
constexpr const char* kLunXml = "/var/log/lun.xml";
constexpr const char* kStore = "/var/lib/app-kip-param/parameters.store";  // on a tmpfs of its own

inline std::string Env(const char* name, const char* otherwise) { return std::getenv(name) ? std::getenv(name) : otherwise; }

// "" when there is none.
inline std::string ReadFile(const std::string& path) { return {std::istreambuf_iterator<char>(std::ifstream(path).rdbuf()), {}}; }

// Polls every 20 ms; `seconds` is scaled by KIP_E2E_SLOW, for binaries run under an emulator.
template <class Done>
bool WaitFor(Done done, double seconds) {
    static const double slow = std::stod(Env("KIP_E2E_SLOW", "1"));
    int polls = static_cast<int>(seconds * slow * 50);
    while (!done() && polls-- > 0) usleep(20000);
    return polls >= 0;
}

// This build's binary, or another build's (the target's) from KIP_E2E_BIN_DIR
// through KIP_E2E_EMULATOR ("qemu-ppc -L /usr/powerpc-linux-gnu"), as a shell command.
inline std::string Command(const std::string& name) {
    return Env("KIP_E2E_EMULATOR", "") + " '" + Env("KIP_E2E_BIN_DIR", KIP_BIN_DIR) + "/" + name + "'";
}

// What kip-param-store prints, which must exit with `status`.
inline std::string StoreTool(const std::string& args, int status = 0) {
    EXPECT_EQ(status, WEXITSTATUS(std::system((Command("kip-param-store") + " " + args + " >/var/lib/e2e-tool.out 2>&1").c_str()))) << args;
    return ReadFile("/var/lib/e2e-tool.out");
}

/// A socket of its own that talks to the daemon's port on 127.0.0.1, bound to
/// `source` (scripts/sandbox --net puts 192.0.2.0/24 on lo) and `port`.
struct Client {
    explicit Client(const char* source = "127.0.0.1", uint16_t port = 0) {
        const sockaddr_in from{AF_INET, htons(port), {inet_addr(source)}, {}};
        if (bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0) ADD_FAILURE() << "cannot bind " << source;
    }
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ~Client() { close(fd); }
    const Client& Send(const std::string& datagram) const {
        const sockaddr_in daemon{AF_INET, htons(3180), {htonl(INADDR_LOOPBACK)}, {}};
        sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&daemon), sizeof daemon);
        return *this;
    }
    std::string Receive(double seconds = 10) const {  // "" when none comes; the daemon never sends an empty reply
        char reply[2048];
        ssize_t n = -1;
        WaitFor([&] { return (n = recv(fd, reply, sizeof reply, MSG_DONTWAIT)) >= 0; }, seconds);
        return std::string(reply, n > 0 ? n : 0);
    }
};

const std::string kTerminated = "L3 SignalCallbackHandler: Caught SIGTERM signal.  Terminating\n";

inline std::string Report(const std::string& dor, const std::string& lun, int count) {
    return "Updates applied to DOR:" + dor + "\nUpdates applied to LUN:" + lun + "\nResponse count:" + std::to_string(count) + "\n";
}
// Every byte the daemon keeps.
inline std::string Kept() { return ReadFile(kDorXml) + ReadFile(kLunXml) + ReadFile(kStore); }

// The daemon under test; every one stops on SIGTERM with status 0, saying so once and last.
struct E2e : testing::Test {
    void SetUp() override {
        ASSERT_NE(std::string::npos, ReadFile("/proc/self/mounts").find("sandbox-store")) << "run me in scripts/sandbox --net --scratch";
        StoreTool("init --force");  // a new store, also for tests that share a sandbox
        std::remove("/var/log/reboots.log");
    }
    void TearDown() override {
        EXPECT_EQ(0, Stop());
        EXPECT_EQ(Log().size() - kTerminated.size(), Log().find(kTerminated)) << Log();
    }
    // True once the port is bound, which the daemon does after writing the status files.
    bool Start(const std::string& options = "") {
        const std::string command = "exec " + Command("app-kip-param") + " " + options + " >/var/lib/e2e-daemon.out 2>&1";
        // The child never outlives a crashed test.
        if ((pid = fork()) == 0 && prctl(PR_SET_PDEATHSIG, SIGKILL) == 0) execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
        return WaitFor([] { return ReadFile("/proc/net/udp").find(" 00000000:0C6C ") != std::string::npos; }, 10);
    }
    // Its exit status, -1 if it had to be killed or died by a signal; the same again once stopped.
    int Stop() {
        for (const int sent : {SIGTERM, SIGKILL})
            if (pid > 0 && kill(pid, sent) == 0 && WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 10)) pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Its output, each entry "L<level> <function>: <message>" without the line number.
    std::string Log() const {
        return std::regex_replace(ReadFile("/var/lib/e2e-daemon.out"), std::regex("^(L.) \\S+ ", std::regex::multiline), "$1 ");
    }

    pid_t pid = -1;
    int status = -1;
};
