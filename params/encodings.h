#pragma once

#include <cstddef>
#include <cstdint>

#include "records.h"

/// Conversions between the store form and the text form of addresses. Each
/// takes its destination first, reports success as true and logs nothing.

/// Dotted text of an IPv4 value held in network byte order.
/// REQUIRES: `text` has room for 16 bytes. On failure it is left untouched.
bool IpToString(char* text, uint32_t value);
template <size_t N>
bool IpToString(char (&text)[N], uint32_t value) {
    static_assert(N >= 16, "every dotted IPv4 text needs 16 bytes");
    return IpToString(static_cast<char*>(text), value);
}

/// The IPv4 value (network byte order) of dotted `text`. False when it is no
/// address; `value` then holds all bits set.
bool StringToIp(uint32_t& value, const char* text);

/// Packs ATCS address text into `address`, which always ends with 5 bytes.
/// False, with `address` untouched, for a text of more than 11 characters.
bool StringToAtcsAddress(ByteVector& address, const char* text);

/// Prints `address` into `text`, cut to `size` - 1 characters at most and
/// always terminated. False, with `text` empty, for more than 5 bytes.
bool AtcsAddressToString(char* text, size_t size, const ByteVector& address);
template <size_t N>
bool AtcsAddressToString(char (&text)[N], const ByteVector& address) {
    return AtcsAddressToString(static_cast<char*>(text), N, address);
}
