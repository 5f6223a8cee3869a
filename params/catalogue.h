#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

/// How a parameter's bytes are to be read.
enum class Encoding {
    U8,           // unsigned, 1 byte
    U16,          // unsigned, 2 bytes in the host's byte order
    U32,          // unsigned, 4 bytes in the host's byte order
    Char,         // one character
    Ipv4,         // 4 bytes, network byte order, first octet first
    AtcsAddress,  // 5 bytes of packed nibbles and a 0 byte
};

/// Bytes a parameter of this encoding takes in the store.
constexpr uint32_t WidthOf(Encoding encoding) {
    switch (encoding) {
        case Encoding::U8:
        case Encoding::Char: return 1;
        case Encoding::U16: return 2;
        case Encoding::U32:
        case Encoding::Ipv4: return 4;
        case Encoding::AtcsAddress: return 6;
    }
    return 0;
}

/// One parameter that the daemon manages.
struct CatalogueEntry {
    uint32_t id;
    Encoding encoding;
    const char* field;   // the record field that mirrors it
    const char* xmlKey;  // the element path that changes it; nullptr for none
    uint32_t Width() const { return WidthOf(encoding); }
};

inline constexpr std::size_t kCatalogueSize = 29;

/// Every managed parameter, in the order of the start-up read. Id 159 is not
/// one of them and is never requested.
extern const std::array<CatalogueEntry, kCatalogueSize> kCatalogue;

/// The entry of `id`, or nullptr when the daemon does not manage it.
const CatalogueEntry* FindCatalogueEntry(uint32_t id);

/// Ids that have no key of their own but are used by name.
namespace param_id {
inline constexpr uint32_t kInstallType = 144;
inline constexpr uint32_t kDcWindowSize = 161;
inline constexpr uint32_t kDcTransmitLimit = 162;
inline constexpr uint32_t kKipDcPowerLimit = 163;
}  // namespace param_id
