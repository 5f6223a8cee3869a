#include "catalogue.h"

#include <algorithm>

namespace {

template <auto Member>
FieldRef Dor(const RecordSet& r) { return &(r.dor.*Member); }
template <auto Member>
FieldRef Lun(const RecordSet& r) { return &(r.lun.*Member); }
template <auto Member>
FieldRef Link(const RecordSet& r) { return &(r.link.*Member); }
template <auto Member>
FieldRef Kip(const RecordSet& r) { return &(r.kip.*Member); }

constexpr Writer kKey = Writer::KeyReader;
constexpr Writer kRule = Writer::DutyCycleRule;
constexpr uint32_t kDcPowerLimit = 163;

}  // namespace

// Factory defaults: 161 and 162 are what the duty-cycle rule derives for
// power limit 0 with the duty cycle on.
const std::array<CatalogueEntry, kCatalogueSize> kCatalogue = {{
    {147, Encoding::AtcsAddress, "DorConfig.Address", "config:Address", "2620010001", kKey,
     Dor<&DorConfig::Address>},
    {148, Encoding::AtcsAddress, "DorConfig.RfmAddress", "config:RfmAddress", "2620010002", kKey,
     Dor<&DorConfig::RfmAddress>},
    {134, Encoding::U8, "DorConfig.LogLevel", "config:LogLevel", "3", kKey, Dor<&DorConfig::LogLevel>},
    {135, Encoding::U32, "DorConfig.RadioID", "config:RadioID", "1", kKey, Dor<&DorConfig::RadioID>},
    {136, Encoding::U32, "DorConfig.TxFreq", "config:TxFreq", "0", kKey, Dor<&DorConfig::TxFreq>},
    {137, Encoding::U32, "DorConfig.RxFreq", "config:RxFreq", "0", kKey, Dor<&DorConfig::RxFreq>},
    {138, Encoding::U8, "DorConfig.Power", "config:Power", "0", kKey, Dor<&DorConfig::Power>},
    {139, Encoding::U16, "DorConfig.StfpLocalPort", "config:StfpLocalPort", "0", kKey,
     Dor<&DorConfig::StfpLocalPort>},
    {140, Encoding::U16, "DorConfig.StfpRemotePort", "config:StfpRemotePort", "0", kKey,
     Dor<&DorConfig::StfpRemotePort>},
    {141, Encoding::U16, "DorConfig.ItpLocalPort", "config:ItpLocalPort", "0", kKey, Dor<&DorConfig::ItpLocalPort>},
    {142, Encoding::Ipv4, "DorConfig.ItpRemoteIP", "config:ItpRemoteIP", "127.0.0.1", kKey,
     Dor<&DorConfig::ItpRemoteIP>},
    {143, Encoding::U16, "DorConfig.ItpRemotePort", "config:ItpRemotePort", "0", kKey,
     Dor<&DorConfig::ItpRemotePort>},
    {144, Encoding::Char, "DorConfig.InstallType", "config:InstallType", "A", kKey, Dor<&DorConfig::InstallType>},
    {145, Encoding::U8, "DorConfig.ClusterMemberId", "config:ClusterMemberId", "0", kKey,
     Dor<&DorConfig::ClusterMemberId>},
    {146, Encoding::U8, "DorConfig.ClusterSize", "config:ClusterSize", "1", kKey, Dor<&DorConfig::ClusterSize>},
    {158, Encoding::Ipv4, "KipParams.NetLoggerIP", "config:NetLoggerIP", "127.0.0.1", kKey,
     Kip<&KipParams::NetLoggerIP>},
    {160, Encoding::U8, "KipParams.KipEmpInterval", "config:KipEmpInterval", "0", kKey,
     Kip<&KipParams::KipEmpInterval>},
    {kDcPowerLimit, Encoding::U8, "KipParams.KipDcPowerLimit", "config:KipDcPowerLimit", "0", kRule,
     Kip<&KipParams::KipDcPowerLimit>},
    {161, Encoding::U16, "KipParams.DcWindowSize", nullptr, "24", kRule, Kip<&KipParams::DcWindowSize>},
    {162, Encoding::U16, "KipParams.DcTransmitLimit", nullptr, "7", kRule, Kip<&KipParams::DcTransmitLimit>},
    {149, Encoding::AtcsAddress, "LunConfig.LunAddress", "LunConfig:LunAddress", "2620010003", kKey,
     Lun<&LunConfig::LunAddress>},
    {150, Encoding::U8, "LunConfig.LogLevel", "LunConfig:LogLevel", "3", kKey, Lun<&LunConfig::LogLevel>},
    {151, Encoding::U16, "LunConfig.ItpLinks[0].LocalPort", "LunConfig:ItpLink:LocalPort", "0", kKey,
     Link<&LunLinkConfigStruct::LocalPort>},
    {152, Encoding::Ipv4, "LunConfig.ItpLinks[0].RemoteAddress", "LunConfig:ItpLink:RemoteAddress", "127.0.0.1",
     kKey, Link<&LunLinkConfigStruct::RemoteAddress>},
    {153, Encoding::U16, "LunConfig.ItpLinks[0].RemotePort", "LunConfig:ItpLink:RemotePort", "0", kKey,
     Link<&LunLinkConfigStruct::RemotePort>},
    {154, Encoding::U16, "LunConfig.WiuLocalPort", "LunConfig:WiuLocalPort", "0", kKey,
     Lun<&LunConfig::WiuLocalPort>},
    {155, Encoding::U8, "LunConfig.WiuLocalCount", "LunConfig:WiuLocalCount", "0", kKey,
     Lun<&LunConfig::WiuLocalCount>},
    {156, Encoding::U16, "LunConfig.EmpDataAckTimeout", "LunConfig:EmpDataAckTimeout", "0", kKey,
     Lun<&LunConfig::EmpDataAckTimeout>},
    {157, Encoding::U16, "LunConfig.EmpKeepAliveInterval", "LunConfig:EmpKeepAliveInterval", "0", kKey,
     Lun<&LunConfig::EmpKeepAliveInterval>},
}};

const std::array<const CatalogueEntry*, kCatalogueSize>& CatalogueById() {
    static const std::array<const CatalogueEntry*, kCatalogueSize> byId = [] {
        std::array<const CatalogueEntry*, kCatalogueSize> entries{};
        std::transform(kCatalogue.begin(), kCatalogue.end(), entries.begin(), [](const CatalogueEntry& e) { return &e; });
        std::sort(entries.begin(), entries.end(), [](auto* a, auto* b) { return a->id < b->id; });
        return entries;
    }();
    return byId;
}

const CatalogueEntry* FindCatalogueEntry(uint32_t id) {
    for (const CatalogueEntry& entry : kCatalogue) {
        if (entry.id == id) {
            return &entry;
        }
    }
    return nullptr;
}

const CatalogueEntry& DutyCycleLimitEntry() { return *FindCatalogueEntry(kDcPowerLimit); }
