#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// An IPv4 network as host numbers: a source belongs when
/// (source & mask) == address. Host numbers, never the bytes of a sockaddr,
/// so that the same values serve the daemon and the kernel's socket filter on
/// either byte order.
struct SourceRange {
    uint32_t address;
    uint32_t mask;
};

/// Who may talk to the daemon: `writers` may send anything it takes,
/// `readers` only the DOR and LUN queries. Both empty: everyone, as a unit
/// without lists has always been.
struct SourceLists {
    std::vector<SourceRange> writers;
    std::vector<SourceRange> readers;

    bool Empty() const { return writers.empty() && readers.empty(); }
};

enum class SourceKind { kRefused, kReader, kWriter };

/// What `source` (a host number) may do; a writer entry wins over a reader one.
SourceKind ClassifySource(const SourceLists& lists, uint32_t source);

/// Reads "ADDR" or "ADDR/BITS" in dotted IPv4 form. False with a reason in
/// `*err` for anything else, including bits set past the prefix: a
/// "10.0.0.5/24" is as likely a typing slip as a network.
bool ParseSourceRange(const std::string& text, SourceRange* range, std::string* err);

/// "192.0.2.0/24"
std::string SourceRangeText(const SourceRange& range);

/// The start-up entry's text: "sources allowed: A B; queries only: C".
std::string DescribeSourceLists(const SourceLists& lists);
