#include "lun_document.h"

#include "document_lines.h"
#include "log_entry.h"

std::ostream& GetXmlFromLunConfig(std::ostream& out, const LunConfig& config) {
    WriteXmlHeader(out);
    out << "<LunConfig xmlns=\"0\">\n";
    WriteXmlElements(out, "LogLevel", config.LogLevel, "LogConfig", config.LogConfig, "LunAddress", config.LunAddress,
                          "WiuLocalPort", config.WiuLocalPort, "WiuLocalCount", config.WiuLocalCount,
                          "EmpDataAckTimeout", config.EmpDataAckTimeout,
                          "EmpKeepAliveInterval", config.EmpKeepAliveInterval);
    if (config.ItpLinks.empty()) {
        KIP_LOG(2, "missing ITP link");
    } else {
        const LunLinkConfigStruct& link = config.ItpLinks.front();
        out << "<ItpLink>\n";
        WriteXmlElements(out, "LocalPort", link.LocalPort, "RemoteAddress", link.RemoteAddress,
                              "RemotePort", link.RemotePort);
        out << "</ItpLink>\n";
    }
    return out << "</LunConfig>\n";
}
