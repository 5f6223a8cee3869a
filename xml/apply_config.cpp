#include "apply_config.h"

#include <algorithm>
#include <vector>

#include "catalogue.h"
#include "field_readers.h"
#include "log_entry.h"
#include "param_access.h"

namespace {

/// The readers' outputs, one per kind, shared by all keys of that kind.
struct Working {
    uint8_t u8 = 0;
    uint16_t u16 = 0;
    uint32_t u32 = 0;
    std::string text;
    ByteVector bytes;
};

int RunReader(const CatalogueEntry& entry, Working& w, int& applied, const char* text) {
    switch (entry.encoding) {
        case Encoding::U8: return UpdateUint8FromXml(w.u8, applied, entry.xmlKey, text, entry.id);
        case Encoding::Char: return UpdateCharFromXml(w.u8, applied, entry.xmlKey, text, entry.id);
        case Encoding::U16: return UpdateUint16FromXml(w.u16, applied, entry.xmlKey, text, entry.id);
        case Encoding::U32: return UpdateUint32FromXml(w.u32, applied, entry.xmlKey, text, entry.id);
        case Encoding::Ipv4: return UpdateIpFromXml(w.text, applied, entry.xmlKey, text, entry.id);
        case Encoding::AtcsAddress: return UpdateBytesFromXml(w.bytes, applied, entry.xmlKey, text, entry.id);
    }
    return 0;
}

/// Takes the reader's output into the entry's record field.
void TakeValue(const CatalogueEntry& entry, const Working& w, const RecordSet& records) {
    const FieldRef field = entry.fieldIn(records);
    switch (entry.encoding) {
        case Encoding::U8:
        case Encoding::Char: LandNumber(field, w.u8); return;
        case Encoding::U16: LandNumber(field, w.u16); return;
        case Encoding::U32: LandNumber(field, w.u32); return;
        case Encoding::Ipv4: LandText(field, w.text); return;
        case Encoding::AtcsAddress: LandAddress(field, w.bytes.data()); return;
    }
}

/// The duty-cycle rule: takes the power limit and the switch-off flag when
/// given, derives the window and transmit limit from them on every apply, and
/// stores its parameters, in catalogue order, when either input was given.
void HandleKipDutyCycleXml(const RecordSet& records, const char* text) {
    KipParams& kip = records.kip;
    uint8_t value = 0;
    int limitFound = 0;
    ReadUint8FromXml(value, limitFound, DutyCycleLimitEntry().xmlKey, text);
    if (limitFound != 0) {
        kip.KipDcPowerLimit = value;
    }
    int disableFound = 0;
    ReadUint8FromXml(value, disableFound, kDisableDutyCyclePath, text);
    if (disableFound != 0) {
        kip.KipDisableDutyCycle = value;
    }

    // Duty cycle switched off, or power limit 2: the wide window.
    const bool wide = kip.KipDisableDutyCycle != 0 || kip.KipDcPowerLimit == 2;
    kip.DcWindowSize = wide ? 48 : 24;
    kip.DcTransmitLimit = wide ? 48 : 7;

    if (limitFound == 0 && disableFound == 0) {
        return;
    }
    int failures = 0;
    for (const CatalogueEntry& entry : kCatalogue) {
        if (entry.writer == Writer::DutyCycleRule) {
            failures += SetParam(entry.id, entry.Width(), FieldBytes(entry.fieldIn(records))) ? 0 : 1;
        }
    }
    if (failures > 0) {
        KIP_LOG(2, "error setting DC params");
    }
}

}  // namespace

int GetConfigFromXmlData(DorConfig& dor, LunConfig& lun, KipParams& kip, const ByteVector& document) {
    // Room for the terminator and a little more, so a text always ends.
    std::vector<char> copy(document.size() + 10, '\0');
    std::copy(document.begin(), document.end(), copy.begin());
    const char* text = copy.data();

    // The link keys change a copy of the first link, which then replaces it.
    LunLinkConfigStruct link = lun.ItpLinks.empty() ? LunLinkConfigStruct{} : lun.ItpLinks.front();
    const RecordSet records{dor, lun, link, kip};
    Working working;
    bool allApplied = true;
    for (const CatalogueEntry& entry : kCatalogue) {
        if (entry.writer == Writer::DutyCycleRule) {
            // The rule runs once, at the row of the input it stores.
            if (&entry == &DutyCycleLimitEntry()) HandleKipDutyCycleXml(records, text);
            continue;
        }
        int applied = 0;
        if (RunReader(entry, working, applied, text) == 0) {
            allApplied = false;
        }
        if (applied == 1) {
            TakeValue(entry, working, records);
        }
    }
    if (!lun.ItpLinks.empty()) {
        lun.ItpLinks.front() = link;
    }
    return allApplied ? 1 : 0;
}
