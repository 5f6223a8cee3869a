#include "drop_report.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>

namespace {
constexpr unsigned kPassesBetweenEntries = 60;
}  // namespace

bool DropReport::Due(std::string* entry) {
    if (++passes_ % kPassesBetweenEntries != 0) return false;
    unsigned long kernel = 0;
    UdpDropCount(sock_, &kernel);  // none found: the daemon's own count still tells
    if (kernel + daemon_ <= logged_) return false;
    logged_ = kernel + daemon_;
    *entry = "datagrams dropped since start: " + std::to_string(kernel) + " by the kernel (source filter or full queue), " +
             std::to_string(daemon_) + " by the daemon (not allowed from their source)";
    return true;
}

bool UdpDropCount(int sock, unsigned long* drops) {
    struct stat socket{};
    if (fstat(sock, &socket) != 0) return false;
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
        if (fields >> inode >> ref >> pointer >> count && inode == socket.st_ino) {
            *drops = count;
            return true;
        }
    }
    return false;
}
