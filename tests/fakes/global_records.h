#pragma once

#include <sstream>
#include <string>

#include "apply_config.h"
#include "derived_params.h"
#include "dor_document.h"
#include "loading.h"
#include "lun_document.h"
#include "records.h"

/// Puts the three global records back as they are before start-up.
inline void ResetRecords() { dorConfig = {}; lunConfig = {}; kipParams = {}; }

/// The records as a start-up on what the store holds now leaves them.
inline bool Restart() { ResetRecords(); return GetKipParams(); }

/// Applies `text` as the daemon applies a datagram's bytes.
inline int ApplyDocument(const std::string& text) {
    return GetConfigFromXmlData(dorConfig, lunConfig, kipParams, {text.begin(), text.end()});
}

/// Both status documents of the records, as the daemon writes them.
inline std::string WrittenDocuments() {
    std::ostringstream out;
    GetXmlFromLunConfig(GetXmlFromDorConfig(out, dorConfig), lunConfig);
    return out.str();
}

/// Records as start-up leaves them for a typical unit: its stored values,
/// then the fixed and derived ones as loading sets them.
inline void LoadTypicalRecords() {
    ResetRecords(); DorConfig& dor = dorConfig;
    dor.Address = {0x26, 0x20, 0x01, 0x00, 0x01}; dor.RfmAddress = {0x26, 0x20, 0x01, 0x00, 0x02};
    dor.LogLevel = 3; dor.RadioID = 12; dor.Power = 5; dor.TxFreq = 160215000; dor.RxFreq = 161115000;
    dor.StfpLocalPort = 5000; dor.StfpRemotePort = 5001; dor.ItpLocalPort = 6000; dor.ItpRemotePort = 6001;
    dor.ItpRemoteIP = "10.1.2.3"; dor.InstallType = "A"; dor.ClusterMemberId = 1; dor.ClusterSize = 2;
    LunConfig& lun = lunConfig;
    // No document shows the second link.
    lun.LunAddress = {0x26, 0x20, 0x01, 0x00, 0x03}; lun.ItpLinks = {{4000, "127.50.50.50", 4001}, {1, "9.9.9.9", 2}};
    lun.LogLevel = 4; lun.WiuLocalPort = 7000; lun.WiuLocalCount = 8; lun.EmpDataAckTimeout = 30; lun.EmpKeepAliveInterval = 60;
    kipParams.NetLoggerIP = "127.0.0.1"; kipParams.DcWindowSize = 24; kipParams.DcTransmitLimit = 7;
    SetFixedParams(); UpdateKipDerivedParams();
}
