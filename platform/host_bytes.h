#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

/// The bytes of `value` as this host keeps it in memory: the form of a 2- or
/// 4-byte parameter in the store.
template <class T>
std::vector<uint8_t> HostBytes(T value) {
    std::vector<uint8_t> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

/// The value that the first sizeof(T) of `bytes` hold in this host's order.
template <class T>
T FromHostBytes(const uint8_t* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}
