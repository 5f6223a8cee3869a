#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// An ATCS address in its 5-byte packed-nibble form.
using ByteVector = std::vector<uint8_t>;
inline constexpr std::size_t kAtcsAddressBytes = 5;

/// The daemon's working copy of the unit's settings. Plain aggregates: other
/// code fills them from the store and keeps them in step with it by hand.
/// Numbers start at 0, texts, vectors and lists empty.

/// Settings of the DOR component (the `config` document).
struct DorConfig {
    int32_t LogLevel = 0;
    std::string LogConfig;  // derived, never stored
    ByteVector Address;
    ByteVector RfmAddress;
    int32_t RunAsDaemon = 0;
    int32_t SendBeacons = 0;
    int32_t RadioID = 0;
    int32_t TxFreq = 0;
    int32_t RxFreq = 0;
    int32_t Power = 0;
    uint16_t StfpLocalPort = 0;
    std::string StfpRemoteIP;
    uint16_t StfpRemotePort = 0;
    uint16_t ItpLocalPort = 0;
    std::string ItpRemoteIP;  // dotted IPv4
    uint16_t ItpRemotePort = 0;
    std::string InstallType;  // exactly one character once loaded, any byte
    int32_t ClusterSize = 0;
    int32_t ClusterMemberId = 0;
};

/// One ITP link of the LUN. Copies are independent of their source.
struct LunLinkConfigStruct {
    int32_t LocalPort = 0;
    std::string RemoteAddress;  // dotted IPv4
    int32_t RemotePort = 0;
};

/// Settings of the LUN component (the `LunConfig` document).
struct LunConfig {
    int32_t LogLevel = 0;
    std::string LogConfig;  // derived, never stored
    ByteVector LunAddress;
    int32_t WiuLocalPort = 0;
    int32_t WiuLocalCount = 0;
    int32_t EmpDataAckTimeout = 0;
    int32_t EmpKeepAliveInterval = 0;
    std::vector<LunLinkConfigStruct> ItpLinks;  // exactly one link once loaded
};

/// The unit's own values: the network logger and the duty-cycle settings.
struct KipParams {
    std::string NetLoggerIP;  // dotted IPv4
    uint8_t KipEmpInterval = 0;
    uint8_t KipDisableDutyCycle = 0;  // held in memory only
    uint16_t DcWindowSize = 0;
    uint16_t DcTransmitLimit = 0;
    uint8_t KipDcPowerLimit = 0;
};

/// The one instance of each record, constructed in this order before main
/// and destroyed in reverse after it.
extern DorConfig dorConfig;
extern LunConfig lunConfig;
extern KipParams kipParams;
