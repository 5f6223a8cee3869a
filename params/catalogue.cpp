#include "catalogue.h"

#include <algorithm>
#include <type_traits>

namespace {

template <class Record>
Record& Holding(const RecordSet& r) {
    if constexpr (std::is_same_v<Record, DorConfig>) {
        return r.dor;
    } else if constexpr (std::is_same_v<Record, LunConfig>) {
        return r.lun;
    } else if constexpr (std::is_same_v<Record, LunLinkConfigStruct>) {
        return r.link;
    } else {
        return r.kip;
    }
}

template <class Record, class Field>
Record RecordOf(Field Record::*);

/// The field `Member` in whichever record of the set holds it.
template <auto Member>
FieldRef In(const RecordSet& r) {
    return &(Holding<decltype(RecordOf(Member))>(r).*Member);
}

constexpr Writer kKey = Writer::KeyReader;
constexpr Writer kRule = Writer::DutyCycleRule;
constexpr uint32_t kDcPowerLimit = 163;

}  // namespace

// Factory defaults: 161 and 162 are what the duty-cycle rule derives for
// power limit 0 with the duty cycle on.
const std::array<CatalogueEntry, kCatalogueSize> kCatalogue = {{
    {147, Encoding::AtcsAddress, "DorConfig.Address", "config:Address", "2620010001",
     kKey, In<&DorConfig::Address>},
    {148, Encoding::AtcsAddress, "DorConfig.RfmAddress", "config:RfmAddress", "2620010002",
     kKey, In<&DorConfig::RfmAddress>},
    {134, Encoding::U8, "DorConfig.LogLevel", "config:LogLevel", "3",
     kKey, In<&DorConfig::LogLevel>},
    {135, Encoding::U32, "DorConfig.RadioID", "config:RadioID", "1",
     kKey, In<&DorConfig::RadioID>},
    {136, Encoding::U32, "DorConfig.TxFreq", "config:TxFreq", "0",
     kKey, In<&DorConfig::TxFreq>},
    {137, Encoding::U32, "DorConfig.RxFreq", "config:RxFreq", "0",
     kKey, In<&DorConfig::RxFreq>},
    {138, Encoding::U8, "DorConfig.Power", "config:Power", "0",
     kKey, In<&DorConfig::Power>},
    {139, Encoding::U16, "DorConfig.StfpLocalPort", "config:StfpLocalPort", "0",
     kKey, In<&DorConfig::StfpLocalPort>},
    {140, Encoding::U16, "DorConfig.StfpRemotePort", "config:StfpRemotePort", "0",
     kKey, In<&DorConfig::StfpRemotePort>},
    {141, Encoding::U16, "DorConfig.ItpLocalPort", "config:ItpLocalPort", "0",
     kKey, In<&DorConfig::ItpLocalPort>},
    {142, Encoding::Ipv4, "DorConfig.ItpRemoteIP", "config:ItpRemoteIP", "127.0.0.1",
     kKey, In<&DorConfig::ItpRemoteIP>},
    {143, Encoding::U16, "DorConfig.ItpRemotePort", "config:ItpRemotePort", "0",
     kKey, In<&DorConfig::ItpRemotePort>},
    {144, Encoding::Char, "DorConfig.InstallType", "config:InstallType", "A",
     kKey, In<&DorConfig::InstallType>},
    {145, Encoding::U8, "DorConfig.ClusterMemberId", "config:ClusterMemberId", "0",
     kKey, In<&DorConfig::ClusterMemberId>},
    {146, Encoding::U8, "DorConfig.ClusterSize", "config:ClusterSize", "1",
     kKey, In<&DorConfig::ClusterSize>},
    {158, Encoding::Ipv4, "KipParams.NetLoggerIP", "config:NetLoggerIP", "127.0.0.1",
     kKey, In<&KipParams::NetLoggerIP>},
    {160, Encoding::U8, "KipParams.KipEmpInterval", "config:KipEmpInterval", "0",
     kKey, In<&KipParams::KipEmpInterval>},
    {kDcPowerLimit, Encoding::U8, "KipParams.KipDcPowerLimit", "config:KipDcPowerLimit", "0",
     kRule, In<&KipParams::KipDcPowerLimit>},
    {0, Encoding::U8, "KipParams.KipDisableDutyCycle", "config:KipDisableDutyCycle", nullptr,
     Writer::Nobody, In<&KipParams::KipDisableDutyCycle>},
    {161, Encoding::U16, "KipParams.DcWindowSize", nullptr, "24",
     kRule, In<&KipParams::DcWindowSize>},
    {162, Encoding::U16, "KipParams.DcTransmitLimit", nullptr, "7",
     kRule, In<&KipParams::DcTransmitLimit>},
    {149, Encoding::AtcsAddress, "LunConfig.LunAddress", "LunConfig:LunAddress", "2620010003",
     kKey, In<&LunConfig::LunAddress>},
    {150, Encoding::U8, "LunConfig.LogLevel", "LunConfig:LogLevel", "3",
     kKey, In<&LunConfig::LogLevel>},
    {151, Encoding::U16, "LunConfig.ItpLinks[0].LocalPort", "LunConfig:ItpLink:LocalPort", "0",
     kKey, In<&LunLinkConfigStruct::LocalPort>},
    {152, Encoding::Ipv4, "LunConfig.ItpLinks[0].RemoteAddress", "LunConfig:ItpLink:RemoteAddress", "127.0.0.1",
     kKey, In<&LunLinkConfigStruct::RemoteAddress>},
    {153, Encoding::U16, "LunConfig.ItpLinks[0].RemotePort", "LunConfig:ItpLink:RemotePort", "0",
     kKey, In<&LunLinkConfigStruct::RemotePort>},
    {154, Encoding::U16, "LunConfig.WiuLocalPort", "LunConfig:WiuLocalPort", "0",
     kKey, In<&LunConfig::WiuLocalPort>},
    {155, Encoding::U8, "LunConfig.WiuLocalCount", "LunConfig:WiuLocalCount", "0",
     kKey, In<&LunConfig::WiuLocalCount>},
    {156, Encoding::U16, "LunConfig.EmpDataAckTimeout", "LunConfig:EmpDataAckTimeout", "0",
     kKey, In<&LunConfig::EmpDataAckTimeout>},
    {157, Encoding::U16, "LunConfig.EmpKeepAliveInterval", "LunConfig:EmpKeepAliveInterval", "0",
     kKey, In<&LunConfig::EmpKeepAliveInterval>},
}};

const std::array<const CatalogueEntry*, kStoredSize>& CatalogueById() {
    static const std::array<const CatalogueEntry*, kStoredSize> byId = [] {
        std::array<const CatalogueEntry*, kStoredSize> entries{};
        auto* next = entries.begin();
        for (const CatalogueEntry& e : kCatalogue) {
            if (e.Stored()) *next++ = &e;
        }
        std::sort(entries.begin(), entries.end(), [](auto* a, auto* b) { return a->id < b->id; });
        return entries;
    }();
    return byId;
}

const CatalogueEntry* FindCatalogueEntry(uint32_t id) {
    const auto* found = std::find_if(kCatalogue.begin(), kCatalogue.end(), [id](auto& e) { return e.Stored() && e.id == id; });
    return found != kCatalogue.end() ? found : nullptr;
}

const CatalogueEntry& DutyCycleLimitEntry() { return *FindCatalogueEntry(kDcPowerLimit); }

const CatalogueEntry& DutyCycleSwitchEntry() {
    return *std::find_if(kCatalogue.begin(), kCatalogue.end(), [](auto& e) { return !e.Stored(); });
}
