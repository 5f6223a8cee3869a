#include "value_text.h"

#include "atcs_address.h"
#include "operator_text.h"

bool FormatValue(const CatalogueEntry& entry, const std::vector<uint8_t>& bytes, std::string& text) {
    return bytes.size() == entry.Width() && RowOf(entry.encoding).print(bytes.data(), text);
}

bool ParseValue(const CatalogueEntry& entry, const std::string& text, std::vector<uint8_t>& bytes,
                std::string& error) {
    return RowOf(entry.encoding).parse(text, bytes, error);
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
