// What each request and each store write costs, against the floor of what
// it cannot avoid. Run by scripts/bench (full) and scripts/test (--guard).
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <tinyxml.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "apply_config.h"
#include "bench_table.h"
#include "dor_document.h"
#include "file_param_store.h"
#include "global_records.h"
#include "host_calls.h"
#include "logger.h"
#include "lun_document.h"
#include "query_message.h"
#include "request_handler.h"
#include "seam.h"
#include "status_files.h"

// The kernel's part of a reply is not the daemon's to make cheaper, and on a
// shared machine its noise drowns the daemon's own cost. So the daemon's sends
// end here, and KernelSend measures the real call alone, shown beside.
// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name): libc names them with reserved names
extern "C" ssize_t sendto(int, const void*, size_t length, int, const sockaddr*, socklen_t) {
    return static_cast<ssize_t>(length);
}

namespace {

/// A store that keeps nothing and costs nothing, but counts what it is given.
class FreeStore : public ParamService {
public:
    int Get(ParamDescriptor*, int) override { return 0; }
    int Set(const ParamDescriptor* descriptors, int count) override {
        for (int i = 0; i < count; ++i) bytes += descriptors[i].length;
        calls += 1;
        return 0;
    }
    size_t calls = 0;
    size_t bytes = 0;
};

class NoWaits : public HostCalls {
public:
    void Sleep(unsigned) override {}
    void RunCommand(const char*) override {}
};

class QuietLog : public LogBackend {
public:
    void SetLevel(int) override {}
    void SetConfig(const std::string&) override {}
    void Write(int, const char*, const char*, int, const char*) override {}
};

/// The daemon as start-up leaves it, its status files going nowhere, its
/// endpoint addressed to a socket nobody reads: once that queue is full the
/// kernel drops the replies, as for a client that went away.
struct Daemon {
    Daemon() : storeSeam(store), waitSeam(waits), logSeam(log) {
        LoadTypicalRecords();
        statusFilePaths.dor = "/dev/null";
        statusFilePaths.lun = "/dev/null";
        UdpInitializeServer(&server, 0, 1500);
        sink = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(sink, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) std::perror("kip-bench: bind");
        socklen_t length = sizeof local;
        getsockname(sink, reinterpret_cast<sockaddr*>(&local), &length);
        server.addr = local;
    }
    ~Daemon() {
        close(server.sock);
        close(sink);
    }
    /// Puts `datagram` where a receive would and answers it.
    int Handle(const std::string& datagram) {
        std::memcpy(server.buffer, datagram.data(), datagram.size());
        server.dataLength = static_cast<int32_t>(datagram.size());
        return HandleReceivedData(&server);
    }
    std::string Answer(const std::string& datagram) {
        Handle(datagram);
        return reinterpret_cast<const char*>(server.buffer);
    }

    FreeStore store;
    NoWaits waits;
    QuietLog log;
    ScopedInstall<ParamService> storeSeam;
    ScopedInstall<HostCalls> waitSeam;
    ScopedInstall<LogBackend> logSeam;
    UdpServer server{};
    int sink = -1;
};


/// The DOR and the LUN document side by side: every key, as an operator
/// sends a queried document back.
std::string BothRoots() {
    LoadTypicalRecords();
    std::ostringstream dor, lun;
    GetXmlFromDorConfig(dor, dorConfig);
    GetXmlFromLunConfig(lun, lunConfig);
    return dor.str() + lun.str().substr(lun.str().find("<LunConfig"));
}

void RequestCost(benchmark::State& state, const std::string& datagram) {
    Daemon daemon;
    for (auto _ : state) benchmark::DoNotOptimize(daemon.Handle(datagram));
}

/// `parses` parses of the datagram and the reply's bytes written once.
void RequestFloor(benchmark::State& state, const std::string& datagram, const std::string& reply, int parses) {
    for (auto _ : state) {
        for (int i = 0; i < parses; ++i) {
            TiXmlDocument document;
            document.Parse(datagram.c_str());
            benchmark::DoNotOptimize(document.Error());
        }
        std::string out;
        out.append(reply);
        benchmark::DoNotOptimize(out.data());
    }
}

/// The kernel's part of a reply: the same send, alone.
void KernelSend(benchmark::State& state, const std::string& reply) {
    Daemon daemon;
    for (auto _ : state) {
        benchmark::DoNotOptimize(syscall(SYS_sendto, daemon.server.sock, reply.data(), reply.size(), 0,
                                         &daemon.server.addr, sizeof daemon.server.addr));
    }
}

void AddRequest(const std::string& name, const std::string& datagram, int floorParses, bool guard) {
    const std::string reply = Daemon().Answer(datagram);
    benchmark::RegisterBenchmark((name + "/cost").c_str(), RequestCost, datagram);
    if (!guard) benchmark::RegisterBenchmark((name + "/kernel").c_str(), KernelSend, reply);
    benchmark::RegisterBenchmark((name + "/floor").c_str(), RequestFloor, datagram, reply, floorParses);
}

/// A store holding every managed parameter, as on a unit.
std::string SeededStoreIn(const std::string& parent) {
    std::string pattern = parent + "/kip-bench-XXXXXX";
    std::string dir = mkdtemp(pattern.data());
    FileParamStore store(dir);
    uint8_t bytes[6] = {};
    for (uint32_t id = 134; id <= 163; ++id) {
        ParamDescriptor descriptor{id, id == 147 || id == 148 || id == 149 ? 6u : 4u, bytes};
        if (id != 159) store.Set(&descriptor, 1);
    }
    return dir;
}

void StoreCost(benchmark::State& state, const std::string& dir) {
    FileParamStore store(dir);
    uint32_t value = 0;
    for (auto _ : state) {
        ++value;
        ParamDescriptor descriptor{135, 4, reinterpret_cast<uint8_t*>(&value)};
        benchmark::DoNotOptimize(store.Set(&descriptor, 1));
    }
}

/// One durable replacement of a file of the store's size, and nothing else.
void StoreFloor(benchmark::State& state, const std::string& dir) {
    std::ifstream in(dir + "/parameters.store", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const std::string file = dir + "/floor", temporary = dir + "/floor.tmp";
    for (auto _ : state) {
        int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        benchmark::DoNotOptimize(write(fd, bytes.data(), bytes.size()));
        fsync(fd);
        close(fd);
        rename(temporary.c_str(), file.c_str());
        int directory = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
        fsync(directory);
        close(directory);
    }
}

void AddStore(const std::string& name, const std::string& dir) {
    benchmark::RegisterBenchmark((name + "/cost").c_str(), StoreCost, dir)->UseRealTime();
    benchmark::RegisterBenchmark((name + "/floor").c_str(), StoreFloor, dir)->UseRealTime();
}

/// Bytes the store writes for one full document, against the bytes of the
/// parameters it changes.
void ReportStoreWrites(std::ostream& out, const std::string& dir, const std::string& document) {
    Daemon daemon;
    std::ifstream in(dir + "/parameters.store", std::ios::binary | std::ios::ate);
    const size_t fileSize = static_cast<size_t>(in.tellg());
    daemon.Handle(document);
    out << "| store bytes written per full document (both roots) | " << daemon.store.calls << " rewrites x "
        << fileSize << " B = " << daemon.store.calls * fileSize << " B | " << daemon.store.bytes
        << " B of parameters | " << (daemon.store.calls * fileSize) / daemon.store.bytes << " | report |\n";
}

}  // namespace

int main(int argc, char** argv) {
    // --guard: a short run that fails when a ratio is over twice its goal.
    // --markdown FILE: the table, for docs/performance.md.
    // --disk DIR: where the on-disk store figure is measured (default: .).
    bool guard = false;
    std::string markdown, disk = ".";
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--guard") guard = true;
        else if (arg == "--markdown" && i + 1 < argc) markdown = argv[++i];
        else if (arg == "--disk" && i + 1 < argc) disk = argv[++i];
        else rest.push_back(argv[i]);
    }

    const std::string both = BothRoots();
    const std::string dor = both.substr(0, both.find("<LunConfig"));
    AddRequest("DOR query", QueryMessage("DOR"), 1, guard);
    AddRequest("LUN query", QueryMessage("LUN"), 1, guard);
    AddRequest("invalid query", QueryMessage("dor"), 1, guard);
    AddRequest("config document, every key", dor, 28, guard);
    AddRequest("both-roots document", both, 28, guard);
    // The disk's figure is too slow and too noisy for the guard.
    const std::string tmpfsStore = SeededStoreIn("/dev/shm"), diskStore = guard ? "" : SeededStoreIn(disk);
    AddStore("store set_parms on tmpfs", tmpfsStore);
    if (!guard) AddStore("store set_parms on disk", diskStore);

    BenchTable table({{"DOR query", 1.5},
                      {"LUN query", 1.5},
                      {"invalid query", 1.5},
                      {"config document, every key", 1.25},
                      {"both-roots document", 1.25},
                      {"store set_parms on tmpfs", 1.2, true},
                      {"store set_parms on disk", 1.2, true}});
    std::vector<std::string> flags{guard ? "--benchmark_min_time=0.01" : "--benchmark_min_time=0.2",
                                   guard ? "--benchmark_repetitions=5" : "--benchmark_repetitions=9",
                                   "--benchmark_enable_random_interleaving=true",
                                   "--benchmark_report_aggregates_only=true"};
    for (std::string& flag : flags) rest.push_back(flag.data());
    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    benchmark::RunSpecifiedBenchmarks(&table);
    benchmark::Shutdown();

    std::ostringstream rows;
    table.WriteMarkdown(rows);
    ReportStoreWrites(rows, tmpfsStore, both);
    std::cout << "\n" << rows.str();
    if (!markdown.empty()) std::ofstream(markdown) << rows.str();
    for (const std::string& dir : {tmpfsStore, diskStore}) {
        if (!dir.empty()) std::filesystem::remove_all(dir);
    }
    const std::vector<std::string> exceeding = table.Exceeding(2.0);
    for (const std::string& name : exceeding) std::cerr << "kip-bench: " << name << " costs over twice its goal\n";
    return guard && !exceeding.empty() ? 1 : 0;
}
