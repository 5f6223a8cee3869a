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

/// An unsigned number of `width` bytes (1, 2 or 4) in this host's order.
inline uint32_t HostNumber(const uint8_t* bytes, uint32_t width) {
    return width == 1 ? bytes[0] : width == 2 ? FromHostBytes<uint16_t>(bytes) : FromHostBytes<uint32_t>(bytes);
}

/// The `width` bytes (1, 2 or 4) that hold `value` in this host's order.
inline std::vector<uint8_t> HostNumberBytes(uint32_t value, uint32_t width) {
    return width == 1   ? std::vector<uint8_t>{static_cast<uint8_t>(value)}
           : width == 2 ? HostBytes(static_cast<uint16_t>(value))
                        : HostBytes(value);
}
