#include "loading.h"

#include <array>
#include <vector>

#include "catalogue.h"
#include "derived_params.h"
#include "log_entry.h"
#include "param_service.h"

namespace {

constexpr const char* kDefaultLinkAddress = "127.50.50.50";

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

    // Every parameter into its own stretch of one buffer, so one call reads them all.
    const auto& entries = CatalogueById();
    std::array<ParamDescriptor, kStoredSize> descriptors{};
    uint32_t total = 0;
    for (const CatalogueEntry* entry : entries) total += entry->Width();
    std::vector<uint8_t> staged(total);
    uint8_t* next = staged.data();
    for (size_t i = 0; i < kStoredSize; ++i) {
        descriptors[i] = {entries[i]->id, entries[i]->Width(), next};
        next += entries[i]->Width();
    }
    const bool loaded = get_parms(kHandle, descriptors.data(), static_cast<int>(kStoredSize)) == 0;
    if (!loaded) {
        KIP_LOG(1, "get multiple params using get_parms failed");
    }

    // A failed read lands the zeros the buffers started with.
    const RecordSet records{dorConfig, lunConfig, link, kipParams};
    for (size_t i = 0; i < kStoredSize; ++i) {
        RowOf(entries[i]->encoding).load(entries[i]->fieldIn(records), descriptors[i].data);
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
