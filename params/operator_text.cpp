#include "operator_text.h"

#include <arpa/inet.h>

#include <charconv>

#include "atcs_address.h"
#include "encodings.h"
#include "host_bytes.h"

namespace {

constexpr size_t kAtcsDigits = 10;

// Digits only: no sign, blanks or base prefix, so "-1" and "0x10" are refused
// rather than wrapped or misread.
bool ParseDecimal(const std::string& text, uint64_t max, uint64_t& value, std::string& error) {
    uint64_t result = 0;
    const bool negative = text.size() > 1 && text[0] == '-' && text.find_first_not_of("0123456789", 1) == std::string::npos;
    if (text.empty() || (!negative && text.find_first_not_of("0123456789") != std::string::npos)) {
        error = text.empty() ? "empty number" : "'" + text + "' is not an unsigned decimal number";
        return false;
    }
    if (negative || std::from_chars(text.data(), text.data() + text.size(), result).ec != std::errc() || result > max) {
        error = text + " is out of range 0-" + std::to_string(max);
        return false;
    }
    value = result;
    return true;
}

}  // namespace

bool PrintNumber(const uint8_t* stored, uint32_t width, std::string& text) {
    text = std::to_string(HostNumber(stored, width));
    return true;
}

bool ParseNumber(const std::string& text, uint32_t width, std::vector<uint8_t>& stored, std::string& error) {
    uint64_t number = 0;
    if (!ParseDecimal(text, (uint64_t{1} << (8 * width)) - 1, number, error)) return false;
    stored = HostNumberBytes(static_cast<uint32_t>(number), width);
    return true;
}

bool PrintChar(const uint8_t* stored, std::string& text) {
    const uint8_t byte = stored[0];
    if (byte >= '!' && byte <= '~') {
        text = std::string(1, static_cast<char>(byte));
    } else {
        text = std::string("\\x") + kHexDigits[byte >> 4] + kHexDigits[byte & 0x0F];
    }
    return true;
}

bool ParseChar(const std::string& text, std::vector<uint8_t>& stored, std::string& error) {
    if (text.size() == 1) {
        stored = {static_cast<uint8_t>(text[0])};
        return true;
    }
    if (text.size() == 4 && text[0] == '\\' && text[1] == 'x' && HexDigitValue(text[2]) >= 0 && HexDigitValue(text[3]) >= 0) {
        stored = {static_cast<uint8_t>(HexDigitValue(text[2]) << 4 | HexDigitValue(text[3]))};
        return true;
    }
    error = "'" + text + "' is not one character (or \\xNN)";
    return false;
}

bool PrintIpv4(const uint8_t* stored, std::string& text) {
    char dotted[16];
    if (!IpToString(dotted, FromHostBytes<uint32_t>(stored))) return false;
    text = dotted;
    return true;
}

bool ParseIpv4(const std::string& text, std::vector<uint8_t>& stored, std::string& error) {
    uint32_t address = 0;
    // inet_pton takes only four decimal parts, none with a leading zero;
    // inet_addr also takes "10.1", octal and hex parts, which an operator
    // typing them almost certainly meant otherwise.
    if (inet_pton(AF_INET, text.c_str(), &address) != 1 || !StringToIp(address, text.c_str())) {
        error = "'" + text + "' is not a dotted IPv4 address";
        return false;
    }
    stored = HostBytes(address);  // already in network order
    return true;
}

bool PrintAtcsAddress(const uint8_t* stored, std::string& text) {
    // The sixth byte is padding: only the first five are the address.
    char digits[kAtcsDigits + 1];
    if (!AtcsAddressToString(digits, ByteVector(stored, stored + kAtcsAddressBytes))) return false;
    text = digits;
    return true;
}

bool ParseAtcsAddress(const std::string& text, std::vector<uint8_t>& stored, std::string& error) {
    bool hex = text.size() == kAtcsDigits;
    for (char c : text) hex = hex && HexDigitValue(c) >= 0;
    ByteVector address;
    if (!hex || !StringToAtcsAddress(address, text.c_str())) {
        error = "'" + text + "' is not an ATCS address of 10 hex digits";
        return false;
    }
    address.push_back(0);
    stored = address;
    return true;
}
