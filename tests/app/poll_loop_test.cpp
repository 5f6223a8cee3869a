#include "poll_loop.h"

#include <dirent.h>
#include <malloc.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

#include "capturing_logger.h"
#include "fake_param_service.h"
#include "global_records.h"
#include "loopback.h"
#include "recording_host_calls.h"
#include "request_handler.h"
#include "signals.h"
#include "status_dir.h"

namespace {

int OpenDescriptors() {
    DIR* dir = opendir("/proc/self/fd");
    int count = 0;
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
    return count;
}

class PollLoop : public ::testing::Test {
protected:
    void SetUp() override {
        InstallSignalHandlers();
        LogCaughtSignals();
        stopFlag = 0;
        responseCount = 0;
        LoadTypicalRecords();
    }
    void TearDown() override { stopFlag = 0; }

    FakeParamService store;
    CapturingLogger log;
    RecordingHostCalls host;
    StatusDir status;
    Loopback loop;
};

TEST_F(PollLoop, OneDatagramPerPassUntilAStopSignal) {
    // Three queries wait before the first pass; the stop comes during the third.
    for (const char* type : {"A", "B", "C"}) loop.Send(QueryMessage(type));
    host.onSleep = [&](unsigned) {
        EXPECT_EQ(static_cast<int>(host.sleeps.size()) - 1, responseCount);
        if (host.sleeps.size() == 1) std::raise(SIGHUP);
        if (host.sleeps.size() == 2) {
            std::raise(SIGHUP);
            std::raise(SIGQUIT);
        }
        if (host.sleeps.size() == 3) std::raise(SIGTERM);
    };
    RunPollLoop(loop.server);
    EXPECT_EQ((std::vector<unsigned>{1000000, 1000000, 1000000}), host.sleeps);
    EXPECT_EQ(3, responseCount);  // the pass in which the stop came still answered
    for (int i = 0; i < 3; ++i) EXPECT_EQ("Invalid query parameter.\n", loop.Reply());

    // A stop caught before the loop starts: not one pass, and each stop counts.
    std::raise(SIGINT);
    RunPollLoop(loop.server);
    EXPECT_EQ(3u, host.sleeps.size());
    EXPECT_EQ(2, stopFlag);
    EXPECT_EQ((std::vector<std::string>{"L3 SignalCallbackHandler: Caught SIGHUP signal.  Ignoring",
                                        "L3 SignalCallbackHandler: Caught SIGHUP signal.  Ignoring",
                                        "L3 SignalCallbackHandler: Caught unhandled signal.  Unhandled. Ignoring",
                                        "L3 SignalCallbackHandler: Caught SIGTERM signal.  Terminating",
                                        "L3 SignalCallbackHandler: Caught SIGINT signal.  Terminating"}),
              log.Lines());
}

TEST_F(PollLoop, FailuresOfAPassAreLoggedAndTheLoopGoesOn) {
    // A local datagram socket receives like the endpoint but cannot answer an
    // IPv4 sender, so the second pass fails to reply.
    int pair[2];
    ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_DGRAM, 0, pair));
    const int endpoint = loop.server.sock;
    loop.server.sock = pair[0];
    UdpSetNonBlocking(pair[0]);
    ASSERT_EQ(0, send(pair[1], "", 0, 0));
    ASSERT_EQ(4, send(pair[1], "<x/>", 4, 0));
    host.onSleep = [&](unsigned) {
        if (host.sleeps.size() == 3) std::raise(SIGINT);
    };
    RunPollLoop(loop.server);
    EXPECT_EQ((std::vector<std::string>{"L2 UdpReceiveData: error calling recvfrom",
                                        "L2 main: error receiving data",
                                        "L2 UdpSendData: error sending packet",
                                        "L2 HandleReceivedData: error sending data",
                                        "L2 main: error handling received data",
                                        "L3 SignalCallbackHandler: Caught SIGINT signal.  Terminating"}),
              log.Lines());
    EXPECT_EQ(1, responseCount);
    close(pair[0]);
    close(pair[1]);
    loop.server.sock = endpoint;
}

// Ten thousand requests of every kind through the real loop and endpoint:
// a leak of a few bytes or one descriptor a request shows here.
TEST_F(PollLoop, HeapAndDescriptorsStayFlatOverTenThousandRequests) {
    statusFilePaths = {"/dev/null", "/dev/null"};  // each truncation of a file on a disk would cost milliseconds
    std::string garbage(1600, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 7919 % 251);
    const std::string dor = "<config><Power>5</Power><Address>2620010099</Address><ItpRemoteIP>10.0.0.9</ItpRemoteIP>"
                            "<KipDcPowerLimit>2</KipDcPowerLimit></config>";
    const std::string lun = "<LunConfig><LunAddress>2620010098</LunAddress><WiuLocalPort>7</WiuLocalPort></LunConfig>";
    const std::vector<std::string> requests = {QueryMessage("DOR"), QueryMessage("LUN"), QueryMessage("REBOOT"), QueryMessage("dor"), dor, lun,
                                               dor + lun, garbage, garbage.substr(0, 90), ""};
    constexpr int kRequests = 10000, kWarmUp = 500;
    int sent = 0, replies = 0, descriptors = 0;
    size_t heap = 0, heapAtEnd = 0;
    char reply[2048];
    host.onSleep = [&](unsigned microseconds) {
        // The fakes' own records would grow with every request.
        host.sleeps.clear();
        host.commands.clear();
        store.calls.clear();
        log.records.clear();
        while (recv(loop.client, reply, sizeof reply, MSG_DONTWAIT) >= 0) ++replies;
        if (microseconds != 1000000) return;  // an address or reboot pause, not a pass
        if (sent == kWarmUp) {
            heap = mallinfo2().uordblks;
            descriptors = OpenDescriptors();
        }
        if (sent == kRequests) {
            heapAtEnd = mallinfo2().uordblks;
            EXPECT_EQ(descriptors, OpenDescriptors());
            std::raise(SIGTERM);
            return;
        }
        store.failAll = sent % 7 == 3;  // some documents fail in the store
        loop.Send(requests[sent++ % requests.size()]);
    };
    RunPollLoop(loop.server);
    EXPECT_LE(heapAtEnd, heap + 4096) << heap;
    EXPECT_EQ(kRequests - kRequests / static_cast<int>(requests.size()), replies);  // all but the empty datagrams
    std::printf("heap in use %zu after warm-up, %zu at the end; %d descriptors\n", heap, heapAtEnd, descriptors);
}

}  // namespace
