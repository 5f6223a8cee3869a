#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "record_field.h"

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

/// Who stores a parameter when a document gives it.
enum class Writer {
    KeyReader,      // the reader of its encoding, under its own key
    DutyCycleRule,  // the duty-cycle rule, which derives it from its inputs
};

/// One parameter that the daemon manages: everything the loader, the apply
/// operation, the tools and the tests need to know of it.
struct CatalogueEntry {
    uint32_t id;
    Encoding encoding;
    const char* field;           // the record field that mirrors it, by name
    const char* xmlKey;          // the element path that changes it; nullptr for none
    const char* factoryDefault;  // what a new store holds, as kip-param-store takes it
    Writer writer;
    FieldRef (*fieldIn)(const RecordSet& records);  // the record field itself
    uint32_t Width() const { return WidthOf(encoding); }
};

inline constexpr std::size_t kCatalogueSize = 29;

/// Every managed parameter, in the order a document is applied: the DOR keys,
/// the duty-cycle rule's parameters in the order it stores them, then the LUN
/// keys. Id 159 is not one of them and is never requested.
extern const std::array<CatalogueEntry, kCatalogueSize> kCatalogue;

/// The catalogue by ascending id: the order of the start-up read and of the
/// tools' listings.
const std::array<const CatalogueEntry*, kCatalogueSize>& CatalogueById();

/// The entry of `id`, or nullptr when the daemon does not manage it.
const CatalogueEntry* FindCatalogueEntry(uint32_t id);

/// The duty-cycle rule's stored input: the rule runs at its row.
const CatalogueEntry& DutyCycleLimitEntry();
