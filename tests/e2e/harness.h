#pragma once

// Drives the real binaries from inside scripts/sandbox (see sandboxed_main.cpp),
// where the daemon's fixed paths (/var/log, /var/lib, port 3180, /sbin/init)
// are the test's own.

#include <sys/types.h>

#include <csignal>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

constexpr const char* kDorXml = "/var/log/dor.xml";
constexpr const char* kLunXml = "/var/log/lun.xml";
constexpr const char* kReboots = "/var/log/reboots.log";  // the sandbox's /sbin/init adds a line a call
constexpr const char* kStoreDir = "/var/lib/app-kip-param";  // a tmpfs of its own, to fill or remount
constexpr const char* kStore = "/var/lib/app-kip-param/parameters.store";
constexpr int kPort = 3180;

std::optional<std::string> ReadFile(const std::string& path);
bool Contains(const std::optional<std::string>& text, const std::string& part);
bool WriteFile(const std::string& path, const std::string& bytes);
// `seconds` is scaled by KIP_E2E_SLOW, for binaries run under an emulator.
bool WaitFor(const std::function<bool()>& done, double seconds);

// kip-param-store's exit status (-1 if it did not exit) and standard output.
std::pair<int, std::string> StoreTool(const std::vector<std::string>& args);

// One datagram to 127.0.0.1:3180 from a fresh socket; nullopt without a reply.
std::optional<std::string> Exchange(const std::string& datagram, double seconds = 10);

class Daemon {
public:
    ~Daemon() { Stop(SIGKILL); }
    // True once its port is bound; it binds after writing the status files.
    bool Start();
    // Exit status, -1 if it had to be killed or died by a signal.
    int Stop(int signal = SIGTERM);
    pid_t Pid() const { return pid_; }
    // Its output with the line numbers left out: "L<level> <function>: <message>".
    std::string Log() const;
    int Count(const std::string& entry) const;

private:
    pid_t pid_ = -1;
};

}  // namespace e2e
