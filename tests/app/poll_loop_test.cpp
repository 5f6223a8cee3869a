#include "poll_loop.h"

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <csignal>

#include "capturing_logger.h"
#include "fake_param_service.h"
#include "global_records.h"
#include "loopback.h"
#include "recording_host_calls.h"
#include "request_handler.h"
#include "signals.h"
#include "status_dir.h"

namespace {

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

TEST_F(PollLoop, StopCaughtBeforeTheLoopRunsNoPass) {
    std::raise(SIGTERM);
    std::raise(SIGINT);
    RunPollLoop(loop.server);
    EXPECT_EQ(2, stopFlag);
    EXPECT_TRUE(host.sleeps.empty());
    EXPECT_EQ((std::vector<std::string>{"L3 SignalCallbackHandler: Caught SIGINT signal.  Terminating",
                                        "L3 SignalCallbackHandler: Caught SIGTERM signal.  Terminating"}),
              log.Lines());
}

TEST_F(PollLoop, OneDatagramPerPassUntilAStopSignal) {
    // Three queries wait before the first pass; the stop comes during the third.
    loop.Send("<ParamMessage><QueryType>A</QueryType></ParamMessage>");
    loop.Send("<ParamMessage><QueryType>B</QueryType></ParamMessage>");
    loop.Send("<ParamMessage><QueryType>C</QueryType></ParamMessage>");
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
    EXPECT_EQ((std::vector<std::string>{"L3 SignalCallbackHandler: Caught SIGHUP signal.  Ignoring",
                                        "L3 SignalCallbackHandler: Caught SIGHUP signal.  Ignoring",
                                        "L3 SignalCallbackHandler: Caught unhandled signal.  Unhandled. Ignoring",
                                        "L3 SignalCallbackHandler: Caught SIGTERM signal.  Terminating"}),
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

}  // namespace
