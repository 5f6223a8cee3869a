#include "dor_document.h"

#include "document_lines.h"

std::ostream& GetXmlFromDorConfig(std::ostream& out, const DorConfig& config) {
    WriteXmlHeader(out);
    out << "<config xmlns=\"0\">\n";
    WriteXmlElements(out, "LogLevel", config.LogLevel, "LogConfig", config.LogConfig, "RunAsDaemon", config.RunAsDaemon,
                          "Address", config.Address, "RfmAddress", config.RfmAddress, "RadioID", config.RadioID,
                          "TxFreq", config.TxFreq, "RxFreq", config.RxFreq, "Power", config.Power,
                          "SendBeacons", config.SendBeacons, "InstallType", config.InstallType,
                          "ClusterMemberId", config.ClusterMemberId, "ClusterSize", config.ClusterSize,
                          "StfpLocalPort", config.StfpLocalPort, "StfpRemoteIP", config.StfpRemoteIP,
                          "StfpRemotePort", config.StfpRemotePort, "ItpLocalPort", config.ItpLocalPort,
                          "ItpRemoteIP", config.ItpRemoteIP, "ItpRemotePort", config.ItpRemotePort);
    return out << "</config>\n";
}
