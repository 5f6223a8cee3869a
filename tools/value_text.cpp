#include "value_text.h"

#include <arpa/inet.h>

#include <charconv>
#include <cstring>

#include "atcs_address.h"
#include "encodings.h"
#include "host_bytes.h"

namespace {

constexpr size_t kAtcsDigits = 10;
constexpr char kHexDigits[] = "0123456789abcdef";

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

std::string FormatChar(uint8_t byte) {
    if (byte >= '!' && byte <= '~') return std::string(1, static_cast<char>(byte));
    return std::string("\\x") + kHexDigits[byte >> 4] + kHexDigits[byte & 0x0F];
}

bool ParseChar(const std::string& text, uint8_t& byte) {
    if (text.size() == 1) {
        byte = static_cast<uint8_t>(text[0]);
        return true;
    }
    if (text.size() == 4 && text[0] == '\\' && text[1] == 'x' && HexDigitValue(text[2]) >= 0 && HexDigitValue(text[3]) >= 0) {
        byte = static_cast<uint8_t>(HexDigitValue(text[2]) << 4 | HexDigitValue(text[3]));
        return true;
    }
    return false;
}

}  // namespace

bool FormatValue(const CatalogueEntry& entry, const std::vector<uint8_t>& bytes, std::string& text) {
    if (bytes.size() != entry.Width()) return false;
    switch (entry.encoding) {
        case Encoding::U8:
        case Encoding::U16:
        case Encoding::U32:
            text = std::to_string(HostNumber(bytes.data(), entry.Width()));
            return true;
        case Encoding::Char:
            text = FormatChar(bytes[0]);
            return true;
        case Encoding::Ipv4: {
            char dotted[16];
            if (!IpToString(dotted, FromHostBytes<uint32_t>(bytes.data()))) return false;
            text = dotted;
            return true;
        }
        case Encoding::AtcsAddress: {
            // The sixth byte is padding: only the first five are the address.
            char digits[kAtcsDigits + 1];
            if (!AtcsAddressToString(digits, ByteVector(bytes.begin(), bytes.begin() + 5))) return false;
            text = digits;
            return true;
        }
    }
    return false;
}

bool ParseValue(const CatalogueEntry& entry, const std::string& text, std::vector<uint8_t>& bytes,
                std::string& error) {
    uint64_t number = 0;
    switch (entry.encoding) {
        case Encoding::U8:
        case Encoding::U16:
        case Encoding::U32:
            if (!ParseDecimal(text, (uint64_t{1} << (8 * entry.Width())) - 1, number, error)) return false;
            bytes = HostNumberBytes(static_cast<uint32_t>(number), entry.Width());
            return true;
        case Encoding::Char: {
            uint8_t byte = 0;
            if (!ParseChar(text, byte)) {
                error = "'" + text + "' is not one character (or \\xNN)";
                return false;
            }
            bytes = {byte};
            return true;
        }
        case Encoding::Ipv4: {
            uint32_t address = 0;
            // inet_pton takes only four decimal parts, none with a leading
            // zero; inet_addr also takes "10.1", octal and hex parts, which an
            // operator typing them almost certainly meant otherwise.
            if (inet_pton(AF_INET, text.c_str(), &address) != 1 || !StringToIp(address, text.c_str())) {
                error = "'" + text + "' is not a dotted IPv4 address";
                return false;
            }
            bytes = HostBytes(address);  // already in network order
            return true;
        }
        case Encoding::AtcsAddress: {
            bool hex = text.size() == kAtcsDigits;
            for (char c : text) hex = hex && HexDigitValue(c) >= 0;
            ByteVector address;
            if (!hex || !StringToAtcsAddress(address, text.c_str())) {
                error = "'" + text + "' is not an ATCS address of 10 hex digits";
                return false;
            }
            address.push_back(0);
            bytes = address;
            return true;
        }
    }
    error = "unknown encoding";
    return false;
}

bool ParseHex(const std::string& text, std::vector<uint8_t>& bytes) {
    if (text.size() % 2 != 0) return false;
    std::vector<uint8_t> result;
    for (size_t i = 0; i < text.size(); i += 2) {
        int high = HexDigitValue(text[i]);
        int low = HexDigitValue(text[i + 1]);
        if (high < 0 || low < 0) return false;
        result.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    bytes = result;
    return true;
}

std::string FormatHex(const std::vector<uint8_t>& bytes) {
    std::string text;
    for (uint8_t byte : bytes) {
        text += kHexDigits[byte >> 4];
        text += kHexDigits[byte & 0x0F];
    }
    return text;
}
