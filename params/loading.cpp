#include "loading.h"

#include <array>

#include "catalogue.h"
#include "derived_params.h"
#include "encodings.h"
#include "host_bytes.h"
#include "log_entry.h"
#include "param_service.h"

namespace {

constexpr uint32_t kMostWidth = 6;
constexpr int kHandle = -1;
constexpr const char* kDefaultLinkAddress = "127.50.50.50";

/// Takes one parameter's bytes as read into its record field.
void Land(const CatalogueEntry& entry, const uint8_t* bytes, const RecordSet& records) {
    const FieldRef field = entry.fieldIn(records);
    switch (entry.encoding) {
        case Encoding::U8:
        case Encoding::U16:
        case Encoding::U32:
        case Encoding::Char: LandNumber(field, HostNumber(bytes, entry.Width())); return;
        case Encoding::Ipv4: {
            char text[16];
            // inet_ntoa has a text for every value: there is no failure to report.
            if (IpToString(text, FromHostBytes<uint32_t>(bytes))) LandText(field, text);
            return;
        }
        case Encoding::AtcsAddress: LandAddress(field, bytes); return;
    }
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

    // Every parameter into a buffer of its own width, so one call reads them all.
    const auto& entries = CatalogueById();
    std::array<std::array<uint8_t, kMostWidth>, kCatalogueSize> staged{};
    std::array<ParamDescriptor, kCatalogueSize> descriptors{};
    for (size_t i = 0; i < kCatalogueSize; ++i) {
        descriptors[i] = {entries[i]->id, entries[i]->Width(), staged[i].data()};
    }
    const bool loaded = get_parms(kHandle, descriptors.data(), static_cast<int>(kCatalogueSize)) == 0;
    if (!loaded) {
        KIP_LOG(1, "get multiple params using get_parms failed");
    }

    // A failed read lands the zeros the buffers started with.
    const RecordSet records{dorConfig, lunConfig, link, kipParams};
    for (size_t i = 0; i < kCatalogueSize; ++i) {
        Land(*entries[i], staged[i].data(), records);
    }
    lunConfig.ItpLinks.push_back(link);
    return loaded;
}

void SetFixedParams() {
    dorConfig.StfpRemoteIP = "127.0.0.1";
    dorConfig.SendBeacons = 1;
    dorConfig.RunAsDaemon = 0;
    kipParams.KipDisableDutyCycle = 0;
}
