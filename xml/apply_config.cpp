#include "apply_config.h"

#include <algorithm>
#include <vector>

#include "catalogue.h"
#include "field_readers.h"
#include "log_entry.h"
#include "param_access.h"

namespace {

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
    ReadUint8FromXml(value, disableFound, DutyCycleSwitchEntry().xmlKey, text);
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
    ReaderOutput output;
    bool allApplied = true;
    for (const CatalogueEntry& entry : kCatalogue) {
        if (entry.writer != Writer::KeyReader) {
            // The rule runs once, at the row of the input it stores.
            if (&entry == &DutyCycleLimitEntry()) HandleKipDutyCycleXml(records, text);
            continue;
        }
        const EncodingRow& row = RowOf(entry.encoding);
        int applied = 0;
        if (row.read(output, applied, entry.xmlKey, text, entry.id) == 0) {
            allApplied = false;
        }
        if (applied == 1) {
            row.take(entry.fieldIn(records), output);
        }
    }
    if (!lun.ItpLinks.empty()) {
        lun.ItpLinks.front() = link;
    }
    return allApplied ? 1 : 0;
}
