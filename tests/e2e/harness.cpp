#include "harness.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace e2e {

bool Contains(const std::optional<std::string>& text, const std::string& part) {
    return text && text->find(part) != std::string::npos;
}

namespace {

constexpr const char* kDaemonLog = "/var/lib/e2e-daemon.err";

std::string Env(const char* name) { return std::getenv(name) != nullptr ? std::getenv(name) : ""; }

// A shell command running this build's binary, or another build's (the
// target's) from KIP_E2E_BIN_DIR through KIP_E2E_EMULATOR ("qemu-ppc -L /usr/powerpc-linux-gnu").
std::string Command(const std::string& name, const std::vector<std::string>& args = {}) {
    std::string command = Env("KIP_E2E_EMULATOR") + " '" +
                          (Env("KIP_E2E_BIN_DIR").empty() ? KIP_BIN_DIR : Env("KIP_E2E_BIN_DIR")) + "/" + name + "'";
    for (const auto& arg : args) command += " '" + arg + "'";
    return command;
}

}  // namespace

std::optional<std::string> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (!in) return std::nullopt;
    text << in.rdbuf();
    return text.str();
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    return static_cast<bool>(out << bytes << std::flush);
}

bool WaitFor(const std::function<bool()>& done, double seconds) {
    static const double slow = Env("KIP_E2E_SLOW").empty() ? 1 : std::stod(Env("KIP_E2E_SLOW"));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds * slow);
    for (; !done(); std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
        if (std::chrono::steady_clock::now() > deadline) return false;
    }
    return true;
}

std::pair<int, std::string> StoreTool(const std::vector<std::string>& args) {
    FILE* tool = popen(Command("kip-param-store", args).c_str(), "r");
    std::string out;
    char buffer[4096];
    for (size_t n; tool != nullptr && (n = fread(buffer, 1, sizeof buffer, tool)) > 0;) out.append(buffer, n);
    const int status = tool != nullptr ? pclose(tool) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::optional<std::string> Exchange(const std::string& datagram, double seconds) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in daemon{AF_INET, htons(kPort), {htonl(INADDR_LOOPBACK)}, {}};
    pollfd readable{fd, POLLIN, 0};
    std::string reply(65536, '\0');
    ssize_t n = -1;
    if (sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&daemon), sizeof daemon) >= 0 &&
        WaitFor([&] { return poll(&readable, 1, 0) == 1; }, seconds)) {
        n = recv(fd, reply.data(), reply.size(), 0);
    }
    close(fd);
    return n >= 0 ? std::optional(reply.substr(0, n)) : std::nullopt;
}

bool Daemon::Start() {
    const pid_t parent = getpid();
    if ((pid_ = fork()) == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a crashed test
        if (getppid() != parent) _exit(126);
        const std::string command = "exec " + Command("app-kip-param") + " >" + kDaemonLog + " 2>&1";
        execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
        _exit(127);
    }
    // Waits for the wildcard bind itself: datagrams sent before it are lost.
    return WaitFor([] { return Contains(ReadFile("/proc/net/udp"), " 00000000:0C6C "); }, 10);
}

int Daemon::Stop(int signal) {
    if (pid_ <= 0) return -1;
    kill(pid_, signal);
    int status = -1;
    if (!WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, 10)) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Daemon::Log() const {
    static const std::regex lineNumber("^(L[0-9]) app-kip-param\\.cpp:[0-9]+ ", std::regex::multiline);
    return std::regex_replace(ReadFile(kDaemonLog).value_or(""), lineNumber, "$1 ");
}

int Daemon::Count(const std::string& entry) const {
    std::istringstream log(Log());
    int count = 0;
    for (std::string line; std::getline(log, line);) count += line == entry;
    return count;
}

}  // namespace e2e
