// One datagram through the endpoint and the request handler, as the poll loop
// takes it. Input: 4 control bytes in host order (bits 0-28 fail the catalogue
// ids of that index by ascending id, bit 29 fails the address read-backs, bit
// 31 also sends a DOR and a LUN query afterwards), then the datagram.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <type_traits>
#include <variant>

#include "capturing_logger.h"
#include "catalogue.h"
#include "encodings.h"
#include "fuzz_check.h"
#include "fake_param_service.h"
#include "global_records.h"
#include "host_bytes.h"
#include "loopback.h"
#include "recording_host_calls.h"
#include "request_handler.h"
#include "status_dir.h"


namespace {

constexpr size_t kMostReplied = sizeof(UdpServer::buffer) - 1;

struct Records {
    DorConfig dor = dorConfig;
    LunConfig lun = lunConfig;
    KipParams kip = kipParams;
};

/// A record field as one of the three shapes the catalogue's encodings take.
using View = std::variant<int64_t, std::string, ByteVector>;

/// Every catalogued field of `r` by its parameter's id.
std::map<uint32_t, View> Fields(Records& r) {
    const RecordSet records{r.dor, r.lun, r.lun.ItpLinks.front(), r.kip};
    std::map<uint32_t, View> fields;
    for (const CatalogueEntry& entry : kCatalogue) {
        fields[entry.id] = std::visit(
            [](auto* field) -> View {
                if constexpr (std::is_integral_v<std::remove_pointer_t<decltype(field)>>) {
                    return int64_t{*field};
                } else {
                    return *field;
                }
            },
            entry.fieldIn(records));
    }
    return fields;
}

/// The store bytes that give `view`; empty when no stored value could.
std::vector<uint8_t> StoredForm(const CatalogueEntry& entry, const View& view) {
    auto n = [&] { return std::get<int64_t>(view); };
    auto text = [&]() -> const std::string& { return std::get<std::string>(view); };
    const std::vector<uint8_t> none;
    uint32_t address = 0;
    switch (entry.encoding) {
        case Encoding::U8: return n() >= 0 && n() <= 0xFF ? HostBytes(static_cast<uint8_t>(n())) : none;
        case Encoding::U16: return n() >= 0 && n() <= 0xFFFF ? HostBytes(static_cast<uint16_t>(n())) : none;
        case Encoding::U32: return HostBytes(static_cast<uint32_t>(n()));
        case Encoding::Char: return text().size() == 1 ? HostBytes(text()[0]) : none;
        case Encoding::Ipv4: return StringToIp(address, text().c_str()) ? HostBytes(address) : none;
        case Encoding::AtcsAddress: {
            std::vector<uint8_t> bytes = std::get<ByteVector>(view);
            if (bytes.size() != 5) return none;
            bytes.push_back(0);
            return bytes;
        }
    }
    return none;
}

std::string LogConfig(const ByteVector& address, const char* port) {
    char text[16];
    AtcsAddressToString(text, address);
    return std::string("net:itp_addr=") + text + ";local_port=" + port + ";remote_addr=" + kipParams.NetLoggerIP +
           ";remote_port=52000";
}

/// A record field changes only to what the store took for its id. The
/// duty-cycle values follow the attempt even when the store refused it.
void CheckRecords(Records& before, const FakeParamService& store) {
    std::map<uint32_t, std::vector<uint8_t>> attempted;
    for (const ParamCall& call : store.calls) {
        if (call.set) attempted[call.id] = call.bytes;
    }
    Records after;
    CHECK(after.lun.ItpLinks.size() == 1);
    const std::map<uint32_t, View> was = Fields(before), is = Fields(after);
    CHECK(is.size() == kCatalogueSize);
    for (const CatalogueEntry& entry : kCatalogue) {
        const bool dutyCycle = entry.writer == Writer::DutyCycleRule;
        auto stored = store.values.find(entry.id);
        const std::vector<uint8_t>* reference =
            dutyCycle ? (attempted.count(entry.id) ? &attempted[entry.id] : nullptr)
                      : (stored != store.values.end() && !stored->second.empty() ? &stored->second : nullptr);
        const View& now = is.at(entry.id);
        if (now != was.at(entry.id) || reference != nullptr) {
            if (reference == nullptr || StoredForm(entry, now) != *reference) {
                std::fprintf(stderr, "field %s holds a value the store did not take\n", entry.field);
                std::abort();
            }
        }
    }
    CHECK(after.dor.StfpRemoteIP == before.dor.StfpRemoteIP && after.dor.SendBeacons == before.dor.SendBeacons &&
          after.dor.RunAsDaemon == before.dor.RunAsDaemon);
    CHECK(after.dor.LogConfig == LogConfig(after.dor.Address, "34000"));
    CHECK(after.lun.LogConfig == LogConfig(after.lun.LunAddress, "34001"));
    const bool wide = after.kip.KipDisableDutyCycle != 0 || after.kip.KipDcPowerLimit == 2;
    CHECK(after.kip.DcWindowSize == (wide ? 48 : 24) && after.kip.DcTransmitLimit == (wide ? 48 : 7));
}

/// Sends `datagram` through the endpoint and the handler; the reply must be
/// what the buffer holds, terminated and within the buffer.
std::string Exchange(Loopback& loop, const std::string& datagram) {
    if (!loop.Deliver(datagram)) return {};
    CHECK(HandleReceivedData(&loop.server) == 1);
    const std::string reply = loop.Reply();
    CHECK(reply.size() <= kMostReplied && loop.server.buffer[reply.size()] == '\0');
    CHECK(std::memcmp(loop.server.buffer, reply.data(), reply.size()) == 0);
    return reply;
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

/// A query's reply must be the status file just written, cut to the buffer.
void CheckQueryMatchesFile(Loopback& loop, const char* query, const std::string& file) {
    const std::string reply = Exchange(loop, QueryMessage(query));
    if (Exists(file)) CHECK(reply == StatusDir::Read(file).substr(0, kMostReplied));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A crash ends the run without destructors, so scripts/fuzz points $TMPDIR into build/.
    static StatusDir status;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Loopback loop;

    uint32_t control = 0;
    const size_t prefix = std::min<size_t>(size, sizeof control);
    std::memcpy(&control, data, prefix);
    const std::string datagram(reinterpret_cast<const char*>(data) + prefix, size - prefix);

    LoadTypicalRecords();
    responseCount = 0;  // the report shows it: a crash must reproduce alone
    Records before;
    FakeParamService store;
    for (size_t i = 0; i < kCatalogueSize; ++i) {
        const CatalogueEntry& entry = *CatalogueById()[i];
        if (control & (1u << i)) store.failingIds.insert(entry.id);
        if (control & (1u << 29) && entry.encoding == Encoding::AtcsAddress) store.failingReadIds.insert(entry.id);
    }
    CapturingLogger log;
    RecordingHostCalls host;
    unlink(statusFilePaths.dor.c_str());
    unlink(statusFilePaths.lun.c_str());

    const std::string reply = Exchange(loop, datagram);
    const bool document = reply.rfind("Updates applied to DOR:", 0) == 0;
    if (!document) CHECK(store.calls.empty() && !Exists(statusFilePaths.dor) && !Exists(statusFilePaths.lun));
    if (document) {
        CHECK(Exists(statusFilePaths.dor) == (reply.find("DOR:SUCCESS\n") != std::string::npos));
        CHECK(Exists(statusFilePaths.lun) == (reply.find("LUN:SUCCESS\n") != std::string::npos));
    }
    CheckRecords(before, store);
    for (const std::string& command : host.commands) CHECK(command == "/sbin/init 6");
    CHECK(host.commands.size() <= 1 && host.commands.empty() == (reply != "System will reboot.\n"));

    if (control & (1u << 31)) {
        const size_t calls = store.calls.size();
        CheckQueryMatchesFile(loop, "DOR", statusFilePaths.dor);
        CheckQueryMatchesFile(loop, "LUN", statusFilePaths.lun);
        CHECK(store.calls.size() == calls);
    }
    return 0;
}
