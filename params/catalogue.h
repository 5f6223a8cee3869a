#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "encoding_table.h"

/// Who stores a parameter when a document gives it.
enum class Writer {
    KeyReader,      // the reader of its encoding, under its own key
    DutyCycleRule,  // the duty-cycle rule, which derives it from its inputs
    Nobody,         // held in memory only: the duty-cycle rule's switch-off input
};

/// One parameter that the daemon manages: everything the loader, the apply
/// operation, the tools and the tests need to know of it.
struct CatalogueEntry {
    uint32_t id;                 // 0 for a key held in memory only
    Encoding encoding;
    const char* field;           // the record field that mirrors it, by name
    const char* xmlKey;          // the element path that changes it; nullptr for none
    const char* factoryDefault;  // what a new store holds, as kip-param-store takes it; nullptr for none
    Writer writer;
    FieldRef (*fieldIn)(const RecordSet& records);  // the record field itself
    uint32_t Width() const { return RowOf(encoding).width; }
    bool Stored() const { return writer != Writer::Nobody; }
};

inline constexpr std::size_t kCatalogueSize = 30;
/// The entries that the store holds: all but the switch-off input.
inline constexpr std::size_t kStoredSize = kCatalogueSize - 1;

/// Every key and managed parameter, in the order a document is applied: the
/// DOR keys, the duty-cycle rule's inputs and then its other parameters in
/// the order it stores them, then the LUN keys. Id 159 is not one of them and
/// is never requested.
extern const std::array<CatalogueEntry, kCatalogueSize> kCatalogue;

/// The stored entries by ascending id: the order of the start-up read and of
/// the tools' listings.
const std::array<const CatalogueEntry*, kStoredSize>& CatalogueById();

/// The stored entry of `id`, or nullptr when the daemon does not manage it.
const CatalogueEntry* FindCatalogueEntry(uint32_t id);

/// The duty-cycle rule's stored input: the rule runs at its row.
const CatalogueEntry& DutyCycleLimitEntry();

/// The duty-cycle rule's input that the daemon holds in memory only.
const CatalogueEntry& DutyCycleSwitchEntry();
