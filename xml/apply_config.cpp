#include "apply_config.h"

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

/// What a key may change: the records and the working copy of the first link.
struct Targets {
    DorConfig& dor;
    LunConfig& lun;
    KipParams& kip;
    LunLinkConfigStruct& link;
};

/// One key: its parameter (which gives its path, width and reader) and how an
/// applied value lands in its record field.
struct Key {
    uint32_t id;
    void (*take)(Targets&, const Working&);
};

const Key kDorKeys[] = {
    {147, [](Targets& t, const Working& w) { t.dor.Address = w.bytes; }},
    {148, [](Targets& t, const Working& w) { t.dor.RfmAddress = w.bytes; }},
    {134, [](Targets& t, const Working& w) { t.dor.LogLevel = w.u8; }},
    {135, [](Targets& t, const Working& w) { t.dor.RadioID = static_cast<int32_t>(w.u32); }},
    {136, [](Targets& t, const Working& w) { t.dor.TxFreq = static_cast<int32_t>(w.u32); }},
    {137, [](Targets& t, const Working& w) { t.dor.RxFreq = static_cast<int32_t>(w.u32); }},
    {138, [](Targets& t, const Working& w) { t.dor.Power = w.u8; }},
    {139, [](Targets& t, const Working& w) { t.dor.StfpLocalPort = w.u16; }},
    {140, [](Targets& t, const Working& w) { t.dor.StfpRemotePort = w.u16; }},
    {141, [](Targets& t, const Working& w) { t.dor.ItpLocalPort = w.u16; }},
    {142, [](Targets& t, const Working& w) { t.dor.ItpRemoteIP = w.text; }},
    {143, [](Targets& t, const Working& w) { t.dor.ItpRemotePort = w.u16; }},
    {144, [](Targets& t, const Working& w) { t.dor.InstallType.assign(1, static_cast<char>(w.u8)); }},
    {145, [](Targets& t, const Working& w) { t.dor.ClusterMemberId = w.u8; }},
    {146, [](Targets& t, const Working& w) { t.dor.ClusterSize = w.u8; }},
    {158, [](Targets& t, const Working& w) { t.kip.NetLoggerIP = w.text; }},
    {160, [](Targets& t, const Working& w) { t.kip.KipEmpInterval = w.u8; }},
};

const Key kLunKeys[] = {
    {149, [](Targets& t, const Working& w) { t.lun.LunAddress = w.bytes; }},
    {150, [](Targets& t, const Working& w) { t.lun.LogLevel = w.u8; }},
};

const Key kLinkKeys[] = {
    {151, [](Targets& t, const Working& w) { t.link.LocalPort = w.u16; }},
    {152, [](Targets& t, const Working& w) { t.link.RemoteAddress = w.text; }},
    {153, [](Targets& t, const Working& w) { t.link.RemotePort = w.u16; }},
};

const Key kLunTailKeys[] = {
    {154, [](Targets& t, const Working& w) { t.lun.WiuLocalPort = w.u16; }},
    {155, [](Targets& t, const Working& w) { t.lun.WiuLocalCount = w.u8; }},
    {156, [](Targets& t, const Working& w) { t.lun.EmpDataAckTimeout = w.u16; }},
    {157, [](Targets& t, const Working& w) { t.lun.EmpKeepAliveInterval = w.u16; }},
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

/// Runs each key's reader and takes what reached the store into its field.
/// Returns false when any reader failed.
template <size_t N>
bool ApplyKeys(const Key (&keys)[N], Targets& targets, Working& working, const char* text) {
    bool allApplied = true;
    for (const Key& key : keys) {
        int applied = 0;
        if (RunReader(*FindCatalogueEntry(key.id), working, applied, text) == 0) {
            allApplied = false;
        }
        if (applied == 1) {
            key.take(targets, working);
        }
    }
    return allApplied;
}

template <size_t N>
void AppendPaths(const Key (&keys)[N], std::vector<std::string>& paths) {
    for (const Key& key : keys) {
        paths.emplace_back(FindCatalogueEntry(key.id)->xmlKey);
    }
}

}  // namespace

std::vector<std::string> ConfigurationKeyPaths() {
    std::vector<std::string> paths;
    AppendPaths(kDorKeys, paths);
    paths.emplace_back(FindCatalogueEntry(param_id::kKipDcPowerLimit)->xmlKey);
    paths.emplace_back(kDisableDutyCyclePath);
    AppendPaths(kLunKeys, paths);
    AppendPaths(kLinkKeys, paths);
    AppendPaths(kLunTailKeys, paths);
    return paths;
}

int GetConfigFromXmlData(DorConfig& dor, LunConfig& lun, KipParams& kip, const ByteVector& document) {
    // Room for the terminator and a little more, so a text always ends.
    std::vector<char> copy(document.size() + 10, '\0');
    std::copy(document.begin(), document.end(), copy.begin());
    const char* text = copy.data();

    LunLinkConfigStruct link;
    Working working;
    Targets targets{dor, lun, kip, link};

    bool allApplied = ApplyKeys(kDorKeys, targets, working, text);
    HandleKipDutyCycleXml(kip, text);
    allApplied &= ApplyKeys(kLunKeys, targets, working, text);
    if (!lun.ItpLinks.empty()) {
        link = lun.ItpLinks.front();
        allApplied &= ApplyKeys(kLinkKeys, targets, working, text);
        lun.ItpLinks.front() = link;
    }
    allApplied &= ApplyKeys(kLunTailKeys, targets, working, text);
    return allApplied ? 1 : 0;
}

void HandleKipDutyCycleXml(KipParams& kip, const char* text) {
    uint8_t value = 0;
    int limitFound = 0;
    ReadUint8FromXml(value, limitFound, FindCatalogueEntry(param_id::kKipDcPowerLimit)->xmlKey, text);
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
    failures += SetParam(param_id::kKipDcPowerLimit, 1, &kip.KipDcPowerLimit) ? 0 : 1;
    failures += SetParam(param_id::kDcWindowSize, 2, &kip.DcWindowSize) ? 0 : 1;
    failures += SetParam(param_id::kDcTransmitLimit, 2, &kip.DcTransmitLimit) ? 0 : 1;
    if (failures > 0) {
        KIP_LOG(2, "error setting DC params");
    }
}
