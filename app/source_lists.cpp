#include "source_lists.h"

#include <arpa/inet.h>

#include <algorithm>

namespace {

bool Within(const std::vector<SourceRange>& ranges, uint32_t source) {
    return std::any_of(ranges.begin(), ranges.end(),
                       [source](const SourceRange& range) { return (source & range.mask) == range.address; });
}

/// "0" to "32": digits only, so that neither a sign nor a tail passes.
bool ReadPrefixLength(const std::string& digits, unsigned* bits) {
    if (digits.empty() || digits.size() > 2 || digits.find_first_not_of("0123456789") != std::string::npos) return false;
    *bits = static_cast<unsigned>(std::stoul(digits));
    return *bits <= 32;
}

uint32_t PrefixMask(unsigned bits) { return bits == 0 ? 0 : ~uint32_t{0} << (32 - bits); }

std::string ListText(const std::vector<SourceRange>& ranges) {
    if (ranges.empty()) return "none";
    std::string text;
    for (const SourceRange& range : ranges) text += (text.empty() ? "" : " ") + SourceRangeText(range);
    return text;
}

}  // namespace

SourceKind ClassifySource(const SourceLists& lists, uint32_t source) {
    if (lists.Empty() || Within(lists.writers, source)) return SourceKind::kWriter;
    return Within(lists.readers, source) ? SourceKind::kReader : SourceKind::kRefused;
}

bool ParseSourceRange(const std::string& text, SourceRange* range, std::string* err) {
    const size_t slash = text.find('/');
    const std::string address = text.substr(0, slash);
    in_addr parsed{};
    // inet_pton takes only the four-part dotted form: no "1.2.3", no hex, no blanks.
    if (inet_pton(AF_INET, address.c_str(), &parsed) != 1) {
        *err = "no IPv4 address (ADDR or ADDR/BITS, as 192.0.2.0/24)";
        return false;
    }
    unsigned bits = 32;
    if (slash != std::string::npos && !ReadPrefixLength(text.substr(slash + 1), &bits)) {
        *err = "the prefix length must be a number from 0 to 32";
        return false;
    }
    range->mask = PrefixMask(bits);
    range->address = ntohl(parsed.s_addr);
    if ((range->address & ~range->mask) != 0) {
        range->address &= range->mask;
        *err = "bits set past the prefix; the network is " + SourceRangeText(*range);
        return false;
    }
    return true;
}

std::string SourceRangeText(const SourceRange& range) {
    const in_addr address{htonl(range.address)};
    char text[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &address, text, sizeof text);
    const auto bits = static_cast<unsigned>(__builtin_popcount(range.mask));
    return std::string(text) + "/" + std::to_string(bits);
}

std::string DescribeSourceLists(const SourceLists& lists) {
    return "sources allowed: " + ListText(lists.writers) + "; queries only: " + ListText(lists.readers);
}
