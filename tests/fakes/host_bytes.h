#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

/// The bytes of `value` as this host keeps it in memory: what the store must
/// receive for a 2- or 4-byte parameter.
template <class T>
std::vector<uint8_t> HostBytes(T value) {
    std::vector<uint8_t> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}
