#include "sandbox.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace e2e {
namespace {

constexpr const char* kDaemonLog = "/var/lib/e2e-daemon.err";
constexpr const char* kInitRecorder = "/var/lib/e2e-init";

std::string Failed(const std::string& step) { return step + ": " + std::strerror(errno); }

std::string EnterUserNamespaceOnce() {
    static bool entered = false;
    if (entered || geteuid() == 0) return "";
    const uid_t uid = geteuid();
    const gid_t gid = getegid();
    if (unshare(CLONE_NEWUSER) != 0) return Failed("unshare(CLONE_NEWUSER)");
    if (!WriteFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1")) return Failed("uid_map");
    if (!WriteFile("/proc/self/setgroups", "deny")) return Failed("setgroups");
    if (!WriteFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) return Failed("gid_map");
    entered = true;
    return "";
}

// The binaries under test: this build's, or another build's (the target's)
// named by KIP_E2E_BIN_DIR, run through KIP_E2E_EMULATOR ("qemu-ppc -L /usr/powerpc-linux-gnu").
std::vector<std::string> CommandFor(const std::string& name) {
    std::vector<std::string> command;
    std::istringstream emulator(std::getenv("KIP_E2E_EMULATOR") != nullptr ? std::getenv("KIP_E2E_EMULATOR") : "");
    for (std::string word; emulator >> word;) command.push_back(word);
    const char* dir = std::getenv("KIP_E2E_BIN_DIR");
    command.push_back(std::string(dir != nullptr ? dir : KIP_BIN_DIR) + "/" + name);
    return command;
}

// Both end with exec or _exit; called only in a forked child.
[[noreturn]] void ExecBinary(const std::string& name, const std::vector<std::string>& args) {
    std::vector<std::string> command = CommandFor(name);
    command.insert(command.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& word : command) argv.push_back(word.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

int ExitStatus(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

}  // namespace

std::string EnterSandbox() {
    std::string failure = EnterUserNamespaceOnce();
    if (!failure.empty()) return failure;
    // A fresh pair per test, so tests sharing one process start clean too.
    if (unshare(CLONE_NEWNS | CLONE_NEWNET) != 0) return Failed("unshare(CLONE_NEWNS|CLONE_NEWNET)");
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return Failed("make / private");
    for (const char* dir : {"/var/log", "/var/lib"}) {
        if (mount("tmpfs", dir, "tmpfs", 0, "mode=0755") != 0) return Failed(std::string("tmpfs on ") + dir);
    }
    if (mkdir("/var/lib/app-kip-param", 0755) != 0) return Failed("mkdir store dir");
    if (!WriteFile(kInitRecorder, "#!/bin/sh\necho \"$@\" >> /var/log/reboots.txt\n") ||
        chmod(kInitRecorder, 0755) != 0) {
        return Failed("write init recorder");
    }
    if (mount(kInitRecorder, "/sbin/init", nullptr, MS_BIND, nullptr) != 0) return Failed("bind /sbin/init");

    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) return Failed("socket");
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ioctl(fd, SIOCGIFFLAGS, &ifr) == 0;
    ifr.ifr_flags |= IFF_UP | IFF_RUNNING;
    up = up && ioctl(fd, SIOCSIFFLAGS, &ifr) == 0;
    failure = up ? "" : Failed("bring lo up");
    close(fd);
    return failure;
}

std::optional<std::string> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes << std::flush;  // one write(), as the /proc id maps need
    return static_cast<bool>(out);
}

bool WaitFor(const std::function<bool()>& done, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

ToolResult RunStoreTool(const std::vector<std::string>& args) {
    int out[2];
    if (pipe(out) != 0) return {-1, ""};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        ExecBinary("kip-param-store", args);
    }
    close(out[1]);
    ToolResult result{-1, ""};
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) result.out.append(buffer, n);
    close(out[0]);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid) result.status = ExitStatus(status);
    return result;
}

std::optional<std::string> Exchange(const std::string& datagram, double seconds) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) return std::nullopt;
    sockaddr_in daemon{};
    daemon.sin_family = AF_INET;
    daemon.sin_port = htons(kPort);
    daemon.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::optional<std::string> reply;
    if (sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&daemon), sizeof daemon) ==
        static_cast<ssize_t>(datagram.size())) {
        pollfd waiting{fd, POLLIN, 0};
        if (poll(&waiting, 1, static_cast<int>(seconds * 1000)) == 1) {
            std::string buffer(65536, '\0');
            ssize_t n = recv(fd, buffer.data(), buffer.size(), 0);
            if (n >= 0) reply = buffer.substr(0, n);
        }
    }
    close(fd);
    return reply;
}

bool PortBound(double seconds) {
    // The daemon binds after writing its status files; datagrams sent before
    // that would be dropped, so look for the wildcard bind itself.
    return WaitFor(
        [] {
            auto table = ReadFile("/proc/net/udp");
            return table && table->find(" 00000000:0C6C ") != std::string::npos;
        },
        seconds);
}

bool IsLogLine(const std::string& line, int level, const std::string& function, const std::string& message) {
    const std::string prefix = "L" + std::to_string(level) + " app-kip-param.cpp:";
    if (line.rfind(prefix, 0) != 0) return false;
    size_t end = prefix.size();
    while (end < line.size() && std::isdigit(static_cast<unsigned char>(line[end]))) ++end;
    return end > prefix.size() && line.compare(end, std::string::npos, " " + function + ": " + message) == 0;
}

Daemon::~Daemon() {
    if (Running()) Stop(SIGKILL, 2);
}

void Daemon::Start() {
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a crashed test
        if (getppid() != parent) _exit(126);
        int log = open(kDaemonLog, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
        dup2(log, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
        close(log);
        ExecBinary("app-kip-param", {});
    }
}

int Daemon::Stop(int signal, double seconds) {
    if (!Running()) return -1;
    kill(pid_, signal);
    int status = 0;
    pid_t done = 0;
    WaitFor([&] { return (done = waitpid(pid_, &status, WNOHANG)) != 0; }, seconds);
    if (done == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    return done == 0 || done < 0 ? -1 : ExitStatus(status);
}

void Daemon::Signal(int signal) const { kill(pid_, signal); }

std::string Daemon::Log() const { return ReadFile(kDaemonLog).value_or(""); }

std::vector<std::string> Daemon::LogLines() const {
    std::vector<std::string> lines;
    std::istringstream in(Log());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

int Daemon::Count(int level, const std::string& function, const std::string& message) const {
    int count = 0;
    for (const auto& line : LogLines()) count += IsLogLine(line, level, function, message);
    return count;
}

bool Daemon::WaitForCount(int level, const std::string& function, const std::string& message, int count,
                          double seconds) const {
    return WaitFor([&] { return Count(level, function, message) >= count; }, seconds);
}

}  // namespace e2e
