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
#include "signals.h"
#include "source_gate.h"
#include "source_filter.h"
#include "status_files.h"

namespace {

class Daemon : public ::testing::Test {
protected:
    Daemon() { LoadTypicalRecords(); responseCount = 0; }

    FakeParamService store;
    CapturingLogger log;
    RecordingHostCalls host;
    FakeFileSystem files;  // the status files
    Loopback loop;
};

TEST_F(Daemon, RequestsAreAnsweredStoredAndRewriteOnlyTheirStatusFiles) {
    // The reply is out before the restart.
    host.onCommand = [&](const std::string&) { pollfd sent{loop.client.fd, POLLIN, 0}; EXPECT_EQ(1, poll(&sent, 1, 0)); };
    const int old = Files().Open(statusFilePaths.dor.c_str(), O_WRONLY | O_CREAT, 0);
    ASSERT_TRUE(WriteAll(old, std::string(5000, 'z')) && Files().Close(old) == 0);  // a longer file is cut, not overlaid
    // A query is never applied, and only a keyword's exact bytes ask it.
    EXPECT_EQ("Invalid query parameter.\n", loop.Exchange(QueryMessage("REBOOT ") + "<config><Power>1</Power></config>"));
    EXPECT_EQ("System will reboot.\n", loop.Exchange(QueryMessage("REBOOT")));
    EXPECT_EQ(0u, loop.Exchange("<LunConfig><LogLevel>6</LogLevel></LunConfig>")
                      .find("Updates applied to DOR:NA\nUpdates applied to LUN:SUCCESS\nResponse count:3\n"));
    EXPECT_EQ(std::string(5000, 'z'), files.Contents(statusFilePaths.dor));
    std::string dor = loop.Exchange(QueryMessage("DOR"));
    EXPECT_EQ("Updates applied to DOR:SUCCESS\nUpdates applied to LUN:NA\nResponse count:5\n\nKipParams:\n"
              "config:KipEmpInterval:0\nconfig:KipDcPowerLimit:2\nconfig:KipDisableDutyCycle:0\n"
              "  actual:DcWindowSize:48\n  actual:DcTransmitLimit:48\n",
              loop.Exchange("<config><Power>9</Power><Address>2620010099</Address><KipDcPowerLimit>2</KipDcPowerLimit></config>"));
    dor.replace(dor.find("<Power>5<"), 9, "<Power>9<");
    // The new address reaches the log configuration derived from it too.
    for (size_t at; (at = dor.find("2620010001")) != std::string::npos;) dor.replace(at, 10, "2620010099");
    EXPECT_EQ(dor, files.Contents(statusFilePaths.dor));
    ASSERT_TRUE(loop.Deliver(std::string(1600, 'x')));
    EXPECT_EQ(std::string(1500, 'x'), UdpRequest(&loop.server));  // a longer datagram is cut
}

// A reply that cannot be sent is logged where it failed and by the loop,
// which goes on: here a document's sender turns into the broadcast address,
// which a socket without SO_BROADCAST refuses, while an address it holds is
// read back. With lists, a reader's requests but its queries are dropped, as
// a refused source's datagrams are; the drops of both are logged once a
// minute while they grow, from the first one on, and not else, nor ever
// without lists.
TEST_F(Daemon, LoopLogsUnsentRepliesAndGoesOnAndLogsDropsOnceAMinuteWhileTheyGrow) {
    const SourceLists lists{{}, {{0x7f000001, 0xffffffff}}};  // the loop's client reads
    ASSERT_EQ(1, UdpFilterSources(loop.server.sock, lists));
    const UdpClient refused("127.0.0.3", 0, BoundPort(loop.server.sock));
    const std::string readerSends[] = {"<config><Address>2620010099</Address></config>", QueryMessage("REBOOT"), QueryMessage("lun")};
    const auto sendAll = [&] { for (const std::string& request : readerSends) loop.client.Send(request); };
    refused.Send("1");
    int pass = 0;
    size_t linesBeforeAMinute = 0;
    host.onSleep = [&](unsigned pause) {
        if (pause != 1000000) {  // a pause within a request
            loop.server.addr.sin_addr.s_addr = htonl(INADDR_BROADCAST);
            return;
        }
        if (++pass == 260) linesBeforeAMinute = log.lines.size();  // the second loop's 60th pass is under way
        if (pass == 350) {
            refused.Send("2");
            sendAll();
        }
        stopFlag = pass % 200 == 0;
    };
    sendAll();
    RunPollLoop(loop.server, {});
    stopFlag = 0;
    RunPollLoop(loop.server, lists);
    stopFlag = 0;
    EXPECT_EQ(3u, linesBeforeAMinute) << "a drop entry within the first minute";
    const std::string entry = "L3 main: datagrams dropped since start: ";
    EXPECT_EQ((std::vector<std::string>{
                  "L2 UdpSendData: error sending packet", "L2 HandleReceivedData: error sending data", "L2 main: error handling received data",
                  entry + "1 by the kernel (source filter or full queue), 0 by the daemon (not allowed from their source)",
                  entry + "2 by the kernel (source filter or full queue), 3 by the daemon (not allowed from their source)"}),
              log.lines);
    // What a refused source queued before the filter was attached is dropped too.
    loop.server.addr.sin_addr.s_addr = inet_addr("127.0.0.3");
    EXPECT_FALSE(AdmitsRequest(lists, &loop.server));
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
        while (loop.client.Receive(0) != "<none>") idleEvents += pass > 2 * kPhase;
        if (pass > 2 * kPhase) idleEvents += static_cast<int>(log.lines.size());
        // The fakes' own records would grow.
        host.sleeps.clear();
        store.writes.clear();
        log.lines.clear();
        if (pass == kPhase) warm = Usage();
        store.failAll = pass % 3 == 1;
        if (pass < 2 * kPhase) loop.client.Send(requests[pass % std::size(requests)]);
        stopFlag = pass++ == 3 * kPhase;
    };
    RunPollLoop(loop.server, {});
    stopFlag = 0;
    EXPECT_EQ(0, idleEvents) << "replies and log entries in idle passes";
    EXPECT_LE(Usage().first, warm.first + 4096) << "heap in use after warm-up " << warm.first;
    EXPECT_EQ(warm.second, Usage().second) << "open descriptors";
}

}  // namespace
