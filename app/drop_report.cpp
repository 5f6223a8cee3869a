#include "drop_report.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>

namespace {
constexpr unsigned kPassesBetweenEntries = 60;
}  // namespace

bool DropReport::Due(std::string* entry) {
    if (++passes_ % kPassesBetweenEntries != 0) return false;
    const unsigned long kernel = UdpDropCount(sock_);
    if (kernel + daemon_ <= logged_) return false;
    logged_ = kernel + daemon_;
    *entry = "datagrams dropped since start: " + std::to_string(kernel) + " by the kernel (source filter or full queue), " +
             std::to_string(daemon_) + " by the daemon (not allowed from their source)";
    return true;
}

unsigned long UdpDropCount(int sock) {
    struct stat socket{};
    if (fstat(sock, &socket) != 0) return 0;
    std::ifstream table("/proc/self/net/udp");
    std::string line;
    std::getline(table, line);  // the heading
    while (std::getline(table, line)) {
        // sl local rem st tx:rx tr:tm retrnsmt uid timeout inode ref pointer drops
        std::istringstream fields(line);
        std::string skipped[9];
        unsigned long inode = 0, count = 0;
        std::string ref, pointer;
        for (std::string& field : skipped) fields >> field;
        if (fields >> inode >> ref >> pointer >> count && inode == socket.st_ino) return count;
    }
    return 0;
}
