#pragma once

// Runs the real binaries inside private mount and network namespaces, so the
// daemon's fixed paths (/var/log, /var/lib, port 3180, /sbin/init) are ours.

#include <sys/types.h>

#include <csignal>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

constexpr const char* kDorXml = "/var/log/dor.xml";
constexpr const char* kLunXml = "/var/log/lun.xml";
constexpr const char* kReboots = "/var/log/reboots.txt";
constexpr const char* kStore = "/var/lib/app-kip-param/parameters.store";
constexpr int kPort = 3180;

// Empty on success, otherwise the step that failed.
std::string EnterSandbox();

std::optional<std::string> ReadFile(const std::string& path);
bool WriteFile(const std::string& path, const std::string& bytes);
bool WaitFor(const std::function<bool()>& done, double seconds);

struct ToolResult {
    int status;  // exit status, -1 when it did not exit normally
    std::string out;
};
ToolResult RunStoreTool(const std::vector<std::string>& args);

// One datagram to 127.0.0.1:3180 from a fresh socket; nullopt on timeout.
std::optional<std::string> Exchange(const std::string& datagram, double seconds = 5);
bool PortBound(double seconds);

// "L<level> app-kip-param.cpp:<line> <function>: <message>", exactly.
bool IsLogLine(const std::string& line, int level, const std::string& function, const std::string& message);

class Daemon {
public:
    ~Daemon();
    void Start();
    // Exit status, -1 if it had to be killed or died by a signal.
    int Stop(int signal = SIGTERM, double seconds = 5);
    void Signal(int signal) const;
    bool Running() const { return pid_ > 0; }
    std::string Log() const;
    std::vector<std::string> LogLines() const;
    int Count(int level, const std::string& function, const std::string& message) const;
    bool WaitForCount(int level, const std::string& function, const std::string& message, int count,
                      double seconds = 5) const;

private:
    pid_t pid_ = -1;
};

}  // namespace e2e
