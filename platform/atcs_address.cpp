#include "atcs_address.h"

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int AtcsAddress::StringToNibbles(std::string text, std::vector<uint8_t>& nibbles, int mode) {
    if (mode != 0) {
        return -1;
    }
    const size_t capacity = nibbles.size() * 2;
    bool complete = text.size() <= capacity;
    bool stopped = false;
    for (size_t i = 0; i < capacity; ++i) {
        int digit = 0;
        if (!stopped && i < text.size()) {
            digit = HexDigitValue(text[i]);
            if (digit < 0) {
                stopped = true;
                complete = false;
                digit = 0;
            }
        }
        uint8_t& byte = nibbles[i / 2];
        byte = (i % 2 == 0) ? static_cast<uint8_t>((digit << 4) | (byte & 0x0F))
                            : static_cast<uint8_t>((byte & 0xF0) | digit);
    }
    return complete ? 0 : -1;
}

int PrintBinaryBasic(const uint8_t* bytes, unsigned count, std::ostream& out, bool spaced) {
    static const char kDigits[] = "0123456789ABCDEF";
    // Formed in pieces and written once each: each insertion into a stream
    // costs more than the digits.
    char text[48] = {};  // 16 bytes, spaced
    size_t length = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (length + 3 > sizeof text) {
            out.write(text, static_cast<std::streamsize>(length));
            length = 0;
        }
        if (spaced && i > 0) {
            text[length++] = ' ';
        }
        text[length++] = kDigits[bytes[i] >> 4];
        text[length++] = kDigits[bytes[i] & 0x0F];
    }
    out.write(text, static_cast<std::streamsize>(length));
    return out ? 0 : 1;
}
