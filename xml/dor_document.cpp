#include "dor_document.h"

#include "document_lines.h"

std::ostream& GetXmlFromDorConfig(std::ostream& out, const DorConfig& config) {
    WriteXmlHeader(out);
    out << "<config xmlns=\"0\">\n";
    WriteXmlElement(out, "LogLevel", config.LogLevel);
    WriteXmlElement(out, "LogConfig", config.LogConfig);
    WriteXmlElement(out, "RunAsDaemon", config.RunAsDaemon);
    WriteXmlElement(out, "Address", config.Address);
    WriteXmlElement(out, "RfmAddress", config.RfmAddress);
    WriteXmlElement(out, "RadioID", config.RadioID);
    WriteXmlElement(out, "TxFreq", config.TxFreq);
    WriteXmlElement(out, "RxFreq", config.RxFreq);
    WriteXmlElement(out, "Power", config.Power);
    WriteXmlElement(out, "SendBeacons", config.SendBeacons);
    WriteXmlElement(out, "InstallType", config.InstallType);
    WriteXmlElement(out, "ClusterMemberId", config.ClusterMemberId);
    WriteXmlElement(out, "ClusterSize", config.ClusterSize);
    WriteXmlElement(out, "StfpLocalPort", config.StfpLocalPort);
    WriteXmlElement(out, "StfpRemoteIP", config.StfpRemoteIP);
    WriteXmlElement(out, "StfpRemotePort", config.StfpRemotePort);
    WriteXmlElement(out, "ItpLocalPort", config.ItpLocalPort);
    WriteXmlElement(out, "ItpRemoteIP", config.ItpRemoteIP);
    WriteXmlElement(out, "ItpRemotePort", config.ItpRemotePort);
    return out << "</config>\n";
}
