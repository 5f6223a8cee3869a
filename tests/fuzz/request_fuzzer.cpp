// One datagram through the endpoint and the request handler, as the poll loop
// takes it, over the records of a store of factory defaults. Input: 4 control
// bytes in host order (bits 0-28 fail the store's calls for the catalogue ids
// of that index by ascending id, bit 31 also sends a DOR and a LUN query
// afterwards), then the datagram.

#include <cassert>
#include <cstring>
#include <utility>

#include "capturing_logger.h"
#include "fake_file_system.h"
#include "catalogue.h"
#include "derived_params.h"
#include "encodings.h"
#include "fake_param_service.h"
#include "global_records.h"
#include "loopback.h"
#include "recording_host_calls.h"
#include "status_files.h"
#include "value_text.h"

/// Whether two records hold the same value of `entry`. An IPv4 field keeps
/// the text it was given, which need not be the dotted form.
static bool SameValue(const CatalogueEntry& entry, const FieldRef& a, const FieldRef& b) {
    uint32_t x = 0, y = 0;
    if (entry.encoding != Encoding::Ipv4) return std::visit([&](auto f) { return *f == *std::get<decltype(f)>(b); }, a);
    StringToIp(x, std::get<std::string*>(a)->c_str());  // all ones when it is no address
    StringToIp(y, std::get<std::string*>(b)->c_str());
    return x == y;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Loopback loop;
    uint32_t control = 0;
    const size_t prefix = std::min(size, sizeof control);
    std::memcpy(&control, data, prefix);
    FakeParamService store;
    CapturingLogger log;
    RecordingHostCalls host;
    FakeFileSystem files;  // no status file yet
    std::string error;
    for (const CatalogueEntry* entry : CatalogueById()) ParseValue(*entry, entry->factoryDefault, store.values[entry->id], error);
    Restart();
    for (size_t i = 0; i < kStoredSize; ++i) if (control & (1u << i)) store.failingIds.insert(CatalogueById()[i]->id);
    responseCount = 0;  // the report shows it: a crash must reproduce alone
    const std::pair<std::string, std::string> statusFiles[] = {{"DOR", statusFilePaths.dor}, {"LUN", statusFilePaths.lun}};

    // A query is never applied; a status file is written when its root applied.
    const std::string reply = loop.Exchange({reinterpret_cast<const char*>(data) + prefix, size - prefix});
    assert(reply.rfind("Updates applied to DOR:", 0) == 0 || store.writes.empty());
    assert(host.commands == std::vector<std::string>(reply == "System will reboot.\n", "/sbin/init 6"));
    for (const auto& [name, file] : statusFiles) {
        const bool written = files.Contents(file).has_value();
        assert(written == (reply.find(name + ":SUCCESS\n") != std::string::npos));
        if (!written || !(control & (1u << 31))) continue;
        assert(loop.Exchange(QueryMessage(name)) == files.Contents(file)->substr(0, sizeof loop.server.buffer - 1));
    }

    // The log texts follow the addresses; every field holds what a restart
    // reads back from the store, but the duty-cycle rule's when it was refused
    // and the switch, which no store holds.
    DorConfig dor = dorConfig;
    LunConfig lun = lunConfig;
    KipParams kip = kipParams;
    UpdateKipDerivedParams();
    assert(dorConfig.LogConfig == dor.LogConfig && lunConfig.LogConfig == lun.LogConfig);
    const std::set<uint32_t> refused = std::exchange(store.failingIds, {});
    Restart();
    for (const CatalogueEntry& entry : kCatalogue) {
        assert(!entry.Stored() || (entry.writer == Writer::DutyCycleRule && refused.count(entry.id) != 0) ||
               SameValue(entry, entry.fieldIn({dor, lun, lun.ItpLinks.front(), kip}),
                         entry.fieldIn({dorConfig, lunConfig, lunConfig.ItpLinks.front(), kipParams})));
    }
    return 0;
}
