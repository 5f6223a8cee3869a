#include "lun_document.h"

#include "document_lines.h"
#include "log_entry.h"

std::ostream& GetXmlFromLunConfig(std::ostream& out, const LunConfig& config) {
    WriteXmlHeader(out);
    out << "<LunConfig xmlns=\"0\">\n";
    WriteXmlElement(out, "LogLevel", config.LogLevel);
    WriteXmlElement(out, "LogConfig", config.LogConfig);
    WriteXmlElement(out, "LunAddress", config.LunAddress);
    WriteXmlElement(out, "WiuLocalPort", config.WiuLocalPort);
    WriteXmlElement(out, "WiuLocalCount", config.WiuLocalCount);
    WriteXmlElement(out, "EmpDataAckTimeout", config.EmpDataAckTimeout);
    WriteXmlElement(out, "EmpKeepAliveInterval", config.EmpKeepAliveInterval);
    if (config.ItpLinks.empty()) {
        KIP_LOG(2, "missing ITP link");
    } else {
        const LunLinkConfigStruct& link = config.ItpLinks.front();
        out << "<ItpLink>\n";
        WriteXmlElement(out, "LocalPort", link.LocalPort);
        WriteXmlElement(out, "RemoteAddress", link.RemoteAddress);
        WriteXmlElement(out, "RemotePort", link.RemotePort);
        out << "</ItpLink>\n";
    }
    return out << "</LunConfig>\n";
}
