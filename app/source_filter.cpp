#include "source_filter.h"

#include <sys/socket.h>

namespace {

// On a UDP socket the filter sees the datagram from its UDP header on; the IP
// header, whose source address starts at byte 12, lies at the negative
// offset SKF_NET_OFF. A word load gives it as a host number on any host.
constexpr uint32_t kSourceAddress = static_cast<uint32_t>(SKF_NET_OFF + 12);
constexpr uint32_t kKeepWhole = 0xffffffff;
constexpr uint32_t kDrop = 0;

void AppendRanges(const std::vector<SourceRange>& ranges, std::vector<sock_filter>* program) {
    for (const SourceRange& range : ranges) {
        // Each range stands alone: its only jump skips the one accept after it.
        program->push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kSourceAddress));
        program->push_back(BPF_STMT(BPF_ALU | BPF_AND | BPF_K, range.mask));
        program->push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, range.address, 0, 1));
        program->push_back(BPF_STMT(BPF_RET | BPF_K, kKeepWhole));
    }
}

}  // namespace

std::vector<sock_filter> SourceFilterProgram(const SourceLists& lists) {
    std::vector<sock_filter> program;
    AppendRanges(lists.writers, &program);
    AppendRanges(lists.readers, &program);
    program.push_back(BPF_STMT(BPF_RET | BPF_K, kDrop));
    return program;
}

int UdpFilterSources(int sock, const SourceLists& lists) {
    if (lists.Empty()) return 1;
    std::vector<sock_filter> program = SourceFilterProgram(lists);
    const sock_fprog attached{static_cast<unsigned short>(program.size()), program.data()};
    return setsockopt(sock, SOL_SOCKET, SO_ATTACH_FILTER, &attached, sizeof attached) == 0 ? 1 : 0;
}
