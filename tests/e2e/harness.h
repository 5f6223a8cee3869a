#pragma once

// Drives the real binaries from inside a scratch scripts/sandbox with a network
// of its own (ctest starts each test in one), where the daemon's fixed paths
// (/var/log, /var/lib, port 3180, /sbin/init) are the test's own.

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
#include "udp_client.h"

constexpr const char* kDorXml = "/var/log/dor.xml";
constexpr const char* kLunXml = "/var/log/lun.xml";
constexpr const char* kStore = "/var/lib/app-kip-param/parameters.store";  // on a tmpfs of its own

inline std::string Env(const char* name, const char* otherwise) { return std::getenv(name) ? std::getenv(name) : otherwise; }

// "" when there is none.
inline std::string ReadFile(const std::string& path) { return {std::istreambuf_iterator<char>(std::ifstream(path).rdbuf()), {}}; }

// How many times as long the binaries take: more than 1 under an emulator.
inline const double kSlow = std::stod(Env("KIP_E2E_SLOW", "1"));

// Polls every 20 ms; `seconds` is scaled by kSlow.
template <class Done>
bool WaitFor(Done done, double seconds) {
    int polls = static_cast<int>(seconds * kSlow * 50);
    while (!done() && polls-- > 0) usleep(20000);
    return polls >= 0;
}

// This build's binary, or another build's (the target's) from KIP_E2E_BIN_DIR
// through KIP_E2E_EMULATOR ("qemu-ppc -L /usr/powerpc-linux-gnu"), as a shell command.
inline std::string Command(const std::string& name) {
    return Env("KIP_E2E_EMULATOR", "") + " '" + Env("KIP_E2E_BIN_DIR", KIP_BIN_DIR) + "/" + name + "'";
}

// What `program` prints on either stream, which must exit with `status`;
// one that keeps running ends with 124.
inline std::string Output(const std::string& program, const std::string& args, int status = 0) {
    const std::string command = "timeout 20 " + Command(program) + " " + args + " >/var/lib/e2e-run.out 2>&1";
    EXPECT_EQ(status, WEXITSTATUS(std::system(command.c_str()))) << program << " " << args;
    return ReadFile("/var/lib/e2e-run.out");
}

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
        Output("kip-param-store", "init --force");  // a new store, also for tests that share a sandbox
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
