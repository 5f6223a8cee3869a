#pragma once

#include "records.h"

/// Puts the three global records back as they are before start-up.
inline void ResetRecords() {
    dorConfig = DorConfig{};
    lunConfig = LunConfig{};
    kipParams = KipParams{};
}

/// Records as start-up leaves them for a typical unit.
inline void LoadTypicalRecords() {
    ResetRecords();
    dorConfig.LogLevel = 3;
    dorConfig.Address = {0x26, 0x20, 0x01, 0x00, 0x01};
    dorConfig.RfmAddress = {0x26, 0x20, 0x01, 0x00, 0x02};
    dorConfig.SendBeacons = 1;
    dorConfig.RadioID = 12;
    dorConfig.TxFreq = 160215000;
    dorConfig.RxFreq = 161115000;
    dorConfig.Power = 5;
    dorConfig.StfpLocalPort = 5000;
    dorConfig.StfpRemoteIP = "127.0.0.1";
    dorConfig.StfpRemotePort = 5001;
    dorConfig.ItpLocalPort = 6000;
    dorConfig.ItpRemoteIP = "10.1.2.3";
    dorConfig.ItpRemotePort = 6001;
    dorConfig.InstallType = "A";
    dorConfig.ClusterSize = 2;
    dorConfig.ClusterMemberId = 1;
    dorConfig.LogConfig = "net:itp_addr=2620010001;local_port=34000;remote_addr=127.0.0.1;remote_port=52000";
    lunConfig.LogLevel = 4;
    lunConfig.LunAddress = {0x26, 0x20, 0x01, 0x00, 0x03};
    lunConfig.WiuLocalPort = 7000;
    lunConfig.WiuLocalCount = 8;
    lunConfig.EmpDataAckTimeout = 30;
    lunConfig.EmpKeepAliveInterval = 60;
    lunConfig.ItpLinks = {{4000, "127.50.50.50", 4001}};
    lunConfig.LogConfig = "net:itp_addr=2620010003;local_port=34001;remote_addr=127.0.0.1;remote_port=52000";
    kipParams.NetLoggerIP = "127.0.0.1";
    kipParams.DcWindowSize = 24;
    kipParams.DcTransmitLimit = 7;
}
