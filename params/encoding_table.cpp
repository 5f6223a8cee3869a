#include "encoding_table.h"

#include <iterator>

#include "field_readers.h"
#include "host_bytes.h"
#include "operator_text.h"

namespace {

template <uint32_t Width>
void LoadNumber(const FieldRef& field, const uint8_t* stored) {
    LandNumber(field, HostNumber(stored, Width));
}

template <uint32_t Width>
bool PrintNumberOf(const uint8_t* stored, std::string& text) {
    return PrintNumber(stored, Width, text);
}

template <uint32_t Width>
bool ParseNumberOf(const std::string& text, std::vector<uint8_t>& stored, std::string& error) {
    return ParseNumber(text, Width, stored, error);
}

void LoadIpv4(const FieldRef& field, const uint8_t* stored) {
    std::string dotted;
    // inet_ntoa has a text for every value: there is no failure to report.
    if (PrintIpv4(stored, dotted)) LandText(field, dotted);
}

// In the order of Encoding's values.
const EncodingRow kRows[] = {
    {1, "u8", "0-255", 255,
     [](ReaderOutput& o, int& applied, const char* path, const char* text, uint32_t id) {
         return UpdateUint8FromXml(o.u8, applied, path, text, id);
     },
     [](const FieldRef& field, const ReaderOutput& o) { LandNumber(field, o.u8); },
     LoadNumber<1>, PrintNumberOf<1>, ParseNumberOf<1>},
    {2, "u16", "0-65535", 65535,
     [](ReaderOutput& o, int& applied, const char* path, const char* text, uint32_t id) {
         return UpdateUint16FromXml(o.u16, applied, path, text, id);
     },
     [](const FieldRef& field, const ReaderOutput& o) { LandNumber(field, o.u16); },
     LoadNumber<2>, PrintNumberOf<2>, ParseNumberOf<2>},
    {4, "u32", "0-4294967295", 4294967295,
     [](ReaderOutput& o, int& applied, const char* path, const char* text, uint32_t id) {
         return UpdateUint32FromXml(o.u32, applied, path, text, id);
     },
     [](const FieldRef& field, const ReaderOutput& o) { LandNumber(field, o.u32); },
     LoadNumber<4>, PrintNumberOf<4>, ParseNumberOf<4>},
    {1, "char", "one character", -1,
     [](ReaderOutput& o, int& applied, const char* path, const char* text, uint32_t id) {
         return UpdateCharFromXml(o.u8, applied, path, text, id);
     },
     [](const FieldRef& field, const ReaderOutput& o) { LandNumber(field, o.u8); },
     LoadNumber<1>, PrintChar, ParseChar},
    {4, "ipv4", "dotted address", -1,
     [](ReaderOutput& o, int& applied, const char* path, const char* text, uint32_t id) {
         return UpdateIpFromXml(o.text, applied, path, text, id);
     },
     // The record keeps the element's text as written, not the dotted form.
     [](const FieldRef& field, const ReaderOutput& o) { LandText(field, o.text); },
     LoadIpv4, PrintIpv4, ParseIpv4},
    {kAtcsAddressBytes + 1, "atcs", "10 hex digits", -1,
     [](ReaderOutput& o, int& applied, const char* path, const char* text, uint32_t id) {
         return UpdateBytesFromXml(o.bytes, applied, path, text, id);
     },
     [](const FieldRef& field, const ReaderOutput& o) { LandAddress(field, o.bytes.data()); },
     LandAddress, PrintAtcsAddress, ParseAtcsAddress},
};
// One row for each encoding: RowOf indexes by the value.
static_assert(std::size(kRows) == static_cast<size_t>(Encoding::AtcsAddress) + 1);

}  // namespace

const EncodingRow& RowOf(Encoding encoding) { return kRows[static_cast<size_t>(encoding)]; }
