// The daemon from its socket inwards: the endpoint, the request handler and
// the real poll loop over loopback, with the store, log, host and files faked.
#include "poll_loop.h"

#include <malloc.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "capturing_logger.h"
#include "fake_file_system.h"
#include "fake_param_service.h"
#include "global_records.h"
#include "loopback.h"
#include "recording_host_calls.h"
#include "request_handler.h"
#include "signals.h"
#include "source_filter.h"
#include "status_files.h"

namespace {

class Daemon : public ::testing::Test {
protected:
    Daemon() { LoadTypicalRecords(); responseCount = 0; }

    /// One datagram through the endpoint and the handler; what the client got.
    std::string Exchange(const std::string& datagram) {
        return loop.Deliver(datagram) && HandleReceivedData(&loop.server) == 1 ? loop.Reply() : "<not sent>";
    }

    FakeParamService store;
    CapturingLogger log;
    RecordingHostCalls host;
    FakeFileSystem files;  // the status files
    Loopback loop;
};

TEST_F(Daemon, QueriesAreAnsweredAndChangeNothing) {
    // The reply is out before the restart.
    host.onCommand = [&](const std::string&) { pollfd sent{loop.client, POLLIN, 0}; EXPECT_EQ(1, poll(&sent, 1, 0)); };
    EXPECT_EQ("System will reboot.\n", Exchange(QueryMessage("REBOOT")));
    for (const std::string& query : {QueryMessage("dor"), QueryMessage("REBOOT ")})
        EXPECT_EQ("Invalid query parameter.\n", Exchange(query)) << query;
    EXPECT_EQ((std::vector<std::string>{"/sbin/init 6"}), host.commands);
    EXPECT_TRUE(store.calls == 0 && log.lines.empty());
}

TEST_F(Daemon, DocumentsAreStoredReportedAndRewriteOnlyTheirStatusFiles) {
    store.failingIds = {134};
    const int old = Files().Open(statusFilePaths.dor.c_str(), O_WRONLY | O_CREAT, 0);
    ASSERT_TRUE(WriteAll(old, std::string(5000, 'z')) && Files().Close(old) == 0);  // a longer file is cut, not overlaid
    EXPECT_EQ(0u, Exchange("<LunConfig><LogLevel>6</LogLevel></LunConfig>")
                      .find("Updates applied to DOR:NA\nUpdates applied to LUN:SUCCESS\nResponse count:1\n"));
    EXPECT_EQ(std::string(5000, 'z'), files.Contents(statusFilePaths.dor));
    EXPECT_NE(std::string::npos, files.Contents(statusFilePaths.lun)->find("<LogLevel>6</LogLevel>"));
    EXPECT_EQ(files.Contents(statusFilePaths.lun), Exchange(QueryMessage("LUN")));
    std::string dor = Exchange(QueryMessage("DOR"));
    EXPECT_EQ("Updates applied to DOR:SUCCESS\nUpdates applied to LUN:NA\nResponse count:4\n\nKipParams:\n"
              "config:KipEmpInterval:0\nconfig:KipDcPowerLimit:2\nconfig:KipDisableDutyCycle:0\n"
              "  actual:DcWindowSize:48\n  actual:DcTransmitLimit:48\n",
              Exchange("<config><Power>9</Power><LogLevel>7</LogLevel><KipDcPowerLimit>2</KipDcPowerLimit></config>"));
    EXPECT_EQ(dor.replace(dor.find("<Power>5<"), 9, "<Power>9<"), Exchange(QueryMessage("DOR")));
    EXPECT_EQ(dor, files.Contents(statusFilePaths.dor));
    EXPECT_EQ((std::vector<uint8_t>{9}), store.values[138]);
    ASSERT_TRUE(loop.Deliver(std::string(1600, 'x')));
    EXPECT_EQ(std::string(1500, 'x'), UdpRequest(&loop.server));  // a longer datagram is cut
    EXPECT_EQ(1, UdpSendData(&loop.server, 0));  // to the last sender, even when empty
    EXPECT_EQ("", loop.Reply());
    EXPECT_EQ((std::vector<std::string>{"L2 UpdateUint8FromXml: error setting TLV",
                                        "L2 HandleReceivedData: error GetConfigFromXmlData"}), log.lines);
}

// A reply that cannot be sent is logged where it failed and by the loop,
// which goes on: here its sender turns into the broadcast address, which a
// socket without SO_BROADCAST refuses, while the new address is read back.
TEST_F(Daemon, AReplyThatCannotBeSentIsLoggedAndTheLoopGoesOn) {
    int pass = 0;
    host.onSleep = [&](unsigned pause) {
        if (pause != 1000000) loop.server.addr.sin_addr.s_addr = htonl(INADDR_BROADCAST);
        else if (++pass == 1) loop.Send("<config><Address>2620010099</Address></config>");
        else stopFlag = pass == 3;
    };
    RunPollLoop(loop.server, {});
    stopFlag = 0;
    EXPECT_EQ((std::vector<std::string>{"L2 UdpSendData: error sending packet", "L2 HandleReceivedData: error sending data",
                                        "L2 main: error handling received data"}),
              log.lines);
}

// A query-only source next to a refused one: the reader's one query is
// answered, what else it sends is dropped unanswered, unstored and uncounted;
// the drops of both are logged once a minute while they grow, and not else,
// nor ever without lists.
TEST_F(Daemon, RefusalsAreDroppedUncountedAndLoggedOnceAMinuteWhileTheyGrow) {
    const SourceLists lists{{{0x7f000002, 0xffffffff}}, {{0x7f000001, 0xffffffff}}};  // the loop's client reads
    ASSERT_EQ(1, UdpFilterSources(loop.server.sock, lists));
    const auto sendRefused = [&](int count) {
        while (count-- > 0) loop.SendFrom("127.0.0.3", "x");
    };
    int pass = 0;
    host.onSleep = [&](unsigned pause) { stopFlag = pause == 1000000 && ++pass == 61; };
    sendRefused(5);
    RunPollLoop(loop.server, {});  // the same socket without lists: nothing to report
    EXPECT_TRUE(log.lines.empty());
    stopFlag = pass = 0;
    host.onSleep = [&](unsigned pause) {
        if (pause != 1000000) return;
        switch (++pass) {
            case 1: sendRefused(5); loop.Send("<config><Power>9</Power></config>"); break;
            case 2: loop.Send(QueryMessage("LUN")); break;
            case 3: loop.Send(QueryMessage("REBOOT")); break;
            case 4: loop.Send(QueryMessage("lun")); break;
            case 150: sendRefused(1); break;
            case 200: stopFlag = 1; break;
        }
    };
    RunPollLoop(loop.server, lists);
    stopFlag = 0;
    EXPECT_EQ(0u, loop.Reply(0).find("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<LunConfig "));
    EXPECT_EQ("<none>", loop.Reply(0));
    EXPECT_TRUE(responseCount == 1 && store.calls == 0 && host.commands.empty());
    const std::string entry = "L3 main: datagrams dropped since start: ";
    EXPECT_EQ((std::vector<std::string>{
                  entry + "10 by the kernel (source filter or full queue), 3 by the daemon (not allowed from their source)",
                  entry + "11 by the kernel (source filter or full queue), 3 by the daemon (not allowed from their source)"}),
              log.lines);
}

/// Heap bytes in use and open descriptors.
std::pair<size_t, long> Usage() {
    const std::filesystem::directory_iterator descriptors("/proc/self/fd");
    return {mallinfo2().uordblks, std::distance(descriptors, {})};
}

// A unit polls for years: requests of every kind, some failing, then idle
// passes of the real loop leave neither heap nor descriptors behind, and an
// idle pass neither replies nor logs.
TEST_F(Daemon, LoopGoesOnAndStaysFlatOverBusyAndIdlePasses) {
    const std::string requests[] = {
        QueryMessage("DOR"), QueryMessage("LUN"), "", std::string(1600, '\xc3'),
        "<config><Address>2620010099</Address><KipDcPowerLimit>2</KipDcPowerLimit></config><LunConfig/>"};
    constexpr int kPhase = 1000;  // passes of warm-up, then of requests, then idle ones
    std::pair<size_t, long> warm;
    int pass = 0, idleEvents = 0;
    host.onSleep = [&](unsigned pause) {
        if (pause != 1000000) return;  // a pause within a request
        while (loop.Reply(0) != "<none>") idleEvents += pass > 2 * kPhase;
        if (pass > 2 * kPhase) idleEvents += static_cast<int>(log.lines.size());
        // The fakes' own records would grow.
        host.sleeps.clear();
        store.writes.clear();
        log.lines.clear();
        if (pass == kPhase) warm = Usage();
        store.failAll = pass % 3 == 1;
        if (pass < 2 * kPhase) loop.Send(requests[pass % std::size(requests)]);
        stopFlag = pass++ == 3 * kPhase;
    };
    RunPollLoop(loop.server, {});
    stopFlag = 0;
    EXPECT_EQ(0, idleEvents) << "replies and log entries in idle passes";
    EXPECT_LE(Usage().first, warm.first + 4096) << "heap in use after warm-up " << warm.first;
    EXPECT_EQ(warm.second, Usage().second) << "open descriptors";
}

}  // namespace
