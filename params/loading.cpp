#include "loading.h"

#include <array>
#include <cstring>
#include <string>

#include "catalogue.h"
#include "encodings.h"
#include "log_entry.h"
#include "param_service.h"
#include "records.h"

namespace {

constexpr uint32_t kMaxWidth = 6;
constexpr size_t kAddressBytes = 5;
constexpr const char* kDefaultLinkAddress = "127.50.50.50";

/// Every managed parameter read into a buffer of its own width, in
/// catalogue order, so that one get_parms call fetches them all.
class StagedParams {
public:
    StagedParams() {
        for (size_t i = 0; i < kCatalogueSize; ++i) {
            descriptors_[i] = {kCatalogue[i].id, kCatalogue[i].Width(), bytes_[i].data()};
        }
    }

    bool Read() { return get_parms(-1, descriptors_.data(), static_cast<int>(kCatalogueSize)) == 0; }

    const uint8_t* Bytes(uint32_t id) const {
        for (size_t i = 0; i < kCatalogueSize; ++i) {
            if (kCatalogue[i].id == id) return bytes_[i].data();
        }
        return bytes_[0].data();  // not reached: every caller names a catalogued id
    }

    /// The value of `id` as the host reads a variable of type T.
    template <class T>
    T Value(uint32_t id) const {
        T value;
        std::memcpy(&value, Bytes(id), sizeof value);
        return value;
    }

private:
    std::array<std::array<uint8_t, kMaxWidth>, kCatalogueSize> bytes_{};
    std::array<ParamDescriptor, kCatalogueSize> descriptors_{};
};

void LandAddress(ByteVector& address, const uint8_t* staged) {
    address.resize(kAddressBytes, 0);
    std::memcpy(address.data(), staged, kAddressBytes);
}

std::string NetLogConfig(const char* address, const char* localPort) {
    return std::string("net:itp_addr=") + address + ";local_port=" + localPort +
           ";remote_addr=" + kipParams.NetLoggerIP + ";remote_port=52000";
}

}  // namespace

bool GetKipParams() {
    bool loaded = LoadFlashParams();
    SetFixedParams();
    UpdateKipDerivedParams();
    return loaded;
}

bool LoadFlashParams() {
    LunLinkConfigStruct link;
    link.RemoteAddress = kDefaultLinkAddress;

    StagedParams staged;
    bool loaded = staged.Read();
    if (!loaded) {
        KIP_LOG(1, "get multiple params using get_parms failed");
    }

    dorConfig.LogLevel = staged.Value<uint8_t>(134);
    dorConfig.RadioID = staged.Value<int32_t>(135);
    dorConfig.TxFreq = staged.Value<int32_t>(136);
    dorConfig.RxFreq = staged.Value<int32_t>(137);
    dorConfig.Power = staged.Value<uint8_t>(138);
    dorConfig.StfpLocalPort = staged.Value<uint16_t>(139);
    dorConfig.StfpRemotePort = staged.Value<uint16_t>(140);
    dorConfig.ItpLocalPort = staged.Value<uint16_t>(141);
    dorConfig.ItpRemotePort = staged.Value<uint16_t>(143);
    dorConfig.ClusterMemberId = staged.Value<uint8_t>(145);
    dorConfig.ClusterSize = staged.Value<uint8_t>(146);
    lunConfig.LogLevel = staged.Value<uint8_t>(150);
    link.LocalPort = staged.Value<uint16_t>(151);
    link.RemotePort = staged.Value<uint16_t>(153);
    lunConfig.WiuLocalPort = staged.Value<uint16_t>(154);
    lunConfig.WiuLocalCount = staged.Value<uint8_t>(155);
    lunConfig.EmpDataAckTimeout = staged.Value<uint16_t>(156);
    lunConfig.EmpKeepAliveInterval = staged.Value<uint16_t>(157);
    kipParams.KipEmpInterval = staged.Value<uint8_t>(160);
    kipParams.DcWindowSize = staged.Value<uint16_t>(161);
    kipParams.DcTransmitLimit = staged.Value<uint16_t>(162);
    kipParams.KipDcPowerLimit = staged.Value<uint8_t>(163);

    dorConfig.InstallType.assign(1, staged.Value<char>(param_id::kInstallType));

    char text[16];
    if (IpToString(text, staged.Value<uint32_t>(142))) {
        dorConfig.ItpRemoteIP = text;
    } else {
        KIP_LOG(2, "error getting dor itp remote address");
    }
    if (IpToString(text, staged.Value<uint32_t>(152))) {
        link.RemoteAddress = text;
    } else {
        KIP_LOG(2, "error getting lun itp remote address");
    }
    if (IpToString(text, staged.Value<uint32_t>(158))) {
        kipParams.NetLoggerIP = text;
    } else {
        KIP_LOG(2, "error getting net logger address");
    }

    LandAddress(dorConfig.Address, staged.Bytes(147));
    LandAddress(dorConfig.RfmAddress, staged.Bytes(148));
    LandAddress(lunConfig.LunAddress, staged.Bytes(149));

    lunConfig.ItpLinks.push_back(link);
    return loaded;
}

void SetFixedParams() {
    dorConfig.StfpRemoteIP = "127.0.0.1";
    dorConfig.SendBeacons = 1;
    dorConfig.RunAsDaemon = 0;
    kipParams.KipDisableDutyCycle = 0;
}

void UpdateKipDerivedParams() {
    char dorAddress[16];
    if (!AtcsAddressToString(dorAddress, dorConfig.Address)) {
        KIP_LOG(2, "error getting dor address");
        return;
    }
    char lunAddress[16];
    if (!AtcsAddressToString(lunAddress, lunConfig.LunAddress)) {
        KIP_LOG(2, "error getting lun address");
        return;
    }
    dorConfig.LogConfig = NetLogConfig(dorAddress, "34000");
    lunConfig.LogConfig = NetLogConfig(lunAddress, "34001");
}
