// The address encodings and the text forms of catalogued values, each way and
// round trip where the form promises one. The input is the text (up to a NUL)
// and, read as bytes, the value.
#include <netinet/in.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "catalogue.h"
#include "encodings.h"
#include "fuzz_check.h"
#include "value_text.h"


namespace {

const CatalogueEntry& Ipv4Entry() { return *FindCatalogueEntry(142); }

/// Uppercase digits of the text's leading hex run, zero-filled to 10.
std::string ExpectedAtcsText(const std::string& text) {
    std::string digits;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c)) || digits.size() == 10) break;
        digits += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return digits + std::string(10 - digits.size(), '0');
}

void CheckIpv4(const std::string& text, uint32_t value) {
    uint32_t parsed = 0;
    char dotted[16];
    if (StringToIp(parsed, text.c_str())) {
        // Any accepted form prints as the strict dotted quad of the same value.
        CHECK(IpToString(dotted, parsed));
        std::vector<uint8_t> bytes;
        std::string error;
        CHECK(ParseValue(Ipv4Entry(), dotted, bytes, error) && std::memcmp(bytes.data(), &parsed, 4) == 0);
    } else {
        CHECK(parsed == INADDR_NONE);
    }
    std::unique_ptr<char[]> exact(new char[16]);
    CHECK(IpToString(exact.get(), value));
    uint32_t back = 0;
    // All ones is the one value that StringToIp cannot give.
    if (value != INADDR_NONE) CHECK(StringToIp(back, exact.get()) && back == value);
}

void CheckAtcs(const std::string& text, const uint8_t* data, size_t size) {
    ByteVector address = {0xAA};
    if (!StringToAtcsAddress(address, text.c_str())) {
        CHECK(text.size() > 11 && address == ByteVector{0xAA});
    } else {
        CHECK(text.size() <= 11 && address.size() == 5);
        char printed[11];
        CHECK(AtcsAddressToString(printed, address) && printed == ExpectedAtcsText(text));
    }
    // Any bytes into a buffer of any size: cut and terminated inside it.
    const size_t room = size > 0 ? 1 + data[0] % 16 : 1;
    const ByteVector bytes(data, data + std::min<size_t>(size, 7));
    std::unique_ptr<char[]> out(new char[room]);
    const bool printed = AtcsAddressToString(out.get(), room, bytes);
    CHECK(printed == (bytes.size() <= 5));
    CHECK(std::strlen(out.get()) == (printed ? std::min(2 * bytes.size(), room - 1) : 0));
}

/// Shown values read back as the same bytes; read texts show as texts that
/// read back the same.
void CheckValueText(const std::string& text, const uint8_t* data, size_t size) {
    std::set<Encoding> seen;
    for (const CatalogueEntry& entry : kCatalogue) {
        if (!seen.insert(entry.encoding).second) continue;
        std::string shown, error;
        std::vector<uint8_t> bytes, back;
        if (size >= entry.Width()) {
            std::vector<uint8_t> stored(data, data + entry.Width());
            if (entry.encoding == Encoding::AtcsAddress) stored.back() = 0;  // padding, never shown
            CHECK(FormatValue(entry, stored, shown));
            const bool allOnes = entry.encoding == Encoding::Ipv4 && shown == "255.255.255.255";
            if (!allOnes) CHECK(ParseValue(entry, shown, back, error) && back == stored);
        }
        if (ParseValue(entry, text, bytes, error)) {
            CHECK(bytes.size() == entry.Width() && FormatValue(entry, bytes, shown));
            CHECK(ParseValue(entry, shown, back, error) && back == bytes);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
    uint32_t value = 0;
    std::memcpy(&value, data, std::min(size, sizeof value));
    CheckIpv4(text, value);
    CheckAtcs(text, data, size);
    CheckValueText(text, data, size);
    return 0;
}
