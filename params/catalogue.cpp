#include "catalogue.h"

const std::array<CatalogueEntry, kCatalogueSize> kCatalogue = {{
    {134, Encoding::U8, "DorConfig.LogLevel", "config:LogLevel"},
    {135, Encoding::U32, "DorConfig.RadioID", "config:RadioID"},
    {136, Encoding::U32, "DorConfig.TxFreq", "config:TxFreq"},
    {137, Encoding::U32, "DorConfig.RxFreq", "config:RxFreq"},
    {138, Encoding::U8, "DorConfig.Power", "config:Power"},
    {139, Encoding::U16, "DorConfig.StfpLocalPort", "config:StfpLocalPort"},
    {140, Encoding::U16, "DorConfig.StfpRemotePort", "config:StfpRemotePort"},
    {141, Encoding::U16, "DorConfig.ItpLocalPort", "config:ItpLocalPort"},
    {142, Encoding::Ipv4, "DorConfig.ItpRemoteIP", "config:ItpRemoteIP"},
    {143, Encoding::U16, "DorConfig.ItpRemotePort", "config:ItpRemotePort"},
    {144, Encoding::Char, "DorConfig.InstallType", "config:InstallType"},
    {145, Encoding::U8, "DorConfig.ClusterMemberId", "config:ClusterMemberId"},
    {146, Encoding::U8, "DorConfig.ClusterSize", "config:ClusterSize"},
    {147, Encoding::AtcsAddress, "DorConfig.Address", "config:Address"},
    {148, Encoding::AtcsAddress, "DorConfig.RfmAddress", "config:RfmAddress"},
    {149, Encoding::AtcsAddress, "LunConfig.LunAddress", "LunConfig:LunAddress"},
    {150, Encoding::U8, "LunConfig.LogLevel", "LunConfig:LogLevel"},
    {151, Encoding::U16, "LunConfig.ItpLinks[0].LocalPort", "LunConfig:ItpLink:LocalPort"},
    {152, Encoding::Ipv4, "LunConfig.ItpLinks[0].RemoteAddress", "LunConfig:ItpLink:RemoteAddress"},
    {153, Encoding::U16, "LunConfig.ItpLinks[0].RemotePort", "LunConfig:ItpLink:RemotePort"},
    {154, Encoding::U16, "LunConfig.WiuLocalPort", "LunConfig:WiuLocalPort"},
    {155, Encoding::U8, "LunConfig.WiuLocalCount", "LunConfig:WiuLocalCount"},
    {156, Encoding::U16, "LunConfig.EmpDataAckTimeout", "LunConfig:EmpDataAckTimeout"},
    {157, Encoding::U16, "LunConfig.EmpKeepAliveInterval", "LunConfig:EmpKeepAliveInterval"},
    {158, Encoding::Ipv4, "KipParams.NetLoggerIP", "config:NetLoggerIP"},
    {160, Encoding::U8, "KipParams.KipEmpInterval", "config:KipEmpInterval"},
    {161, Encoding::U16, "KipParams.DcWindowSize", nullptr},
    {162, Encoding::U16, "KipParams.DcTransmitLimit", nullptr},
    {163, Encoding::U8, "KipParams.KipDcPowerLimit", "config:KipDcPowerLimit"},
}};

const CatalogueEntry* FindCatalogueEntry(uint32_t id) {
    for (const CatalogueEntry& entry : kCatalogue) {
        if (entry.id == id) {
            return &entry;
        }
    }
    return nullptr;
}
