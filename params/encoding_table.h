#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

/// What a reader leaves for its lander: one slot per kind of value, shared by
/// all keys of that kind.
struct ReaderOutput {
    uint8_t u8 = 0;
    uint16_t u16 = 0;
    uint32_t u32 = 0;
    std::string text;
    ByteVector bytes;
};

/// Everything the loader, the apply operation and the tools know of one
/// encoding. The text forms are the operator's (see value_text.h), not a
/// document's.
struct EncodingRow {
    uint32_t width;     // bytes in the store
    const char* name;   // as the key listing names it: "u8", "ipv4", ...
    const char* range;  // as the key listing shows it: "0-255", "dotted address", ...
    int64_t most;       // the largest number; -1 for no number
    /// The document's updater, whose name its log entries carry.
    int (*read)(ReaderOutput& out, int& applied, const char* path, const char* text, uint32_t id);
    /// A reader's output into the record field.
    void (*take)(const FieldRef& field, const ReaderOutput& out);
    /// `width` stored bytes into the record field.
    void (*load)(const FieldRef& field, const uint8_t* stored);
    /// `width` stored bytes as an operator reads them. False when they have none.
    bool (*print)(const uint8_t* stored, std::string& text);
    /// An operator's text into `width` stored bytes; false, with `stored`
    /// untouched and a short reason in `error`, when it does not fit.
    bool (*parse)(const std::string& text, std::vector<uint8_t>& stored, std::string& error);
};

/// The row of `encoding`.
const EncodingRow& RowOf(Encoding encoding);
