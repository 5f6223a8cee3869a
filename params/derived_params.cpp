#include "derived_params.h"

#include <string>

#include "encodings.h"
#include "log_entry.h"
#include "records.h"

namespace {

std::string NetLogConfig(const char* address, const char* localPort) {
    return std::string("net:itp_addr=") + address + ";local_port=" + localPort +
           ";remote_addr=" + kipParams.NetLoggerIP + ";remote_port=52000";
}

}  // namespace

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
