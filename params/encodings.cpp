#include "encodings.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "atcs_address.h"
#include "text_stream.h"

namespace {
constexpr size_t kAtcsTextLimit = 11;
}  // namespace

bool IpToString(char* text, uint32_t value) {
    in_addr address{};
    address.s_addr = value;
    const char* dotted = inet_ntoa(address);
    if (dotted == nullptr) {
        return false;
    }
    // inet_ntoa's text lives in a static area that the next call reuses.
    std::memcpy(text, dotted, std::strlen(dotted) + 1);
    return true;
}

bool StringToIp(uint32_t& value, const char* text) {
    value = inet_addr(text);
    return value != INADDR_NONE;
}

bool StringToAtcsAddress(ByteVector& address, const char* text) {
    if (std::strlen(text) > kAtcsTextLimit) {
        return false;
    }
    address.resize(kAtcsAddressBytes, 0);
    AtcsAddress::StringToNibbles(text, address, 0);
    return true;
}

bool AtcsAddressToString(char* text, size_t size, const ByteVector& address) {
    text[0] = '\0';
    if (address.size() > kAtcsAddressBytes) {
        return false;
    }
    // One stream for every call (the daemon has one thread): setting up a
    // stream costs more than printing five bytes into it.
    static TextStream printed;
    printed.Reset();
    if (PrintBinaryBasic(address.data(), static_cast<unsigned>(address.size()), printed, false) != 0) {
        return false;
    }
    const std::string_view out = printed.Text();
    size_t length = std::min(out.size(), size - 1);
    std::memcpy(text, out.data(), length);
    text[length] = '\0';
    return true;
}
