#include "udp_endpoint.h"

#include <gtest/gtest.h>

#include <cstring>

#include "capturing_logger.h"
#include "loopback.h"

namespace {

TEST(UdpEndpoint, ReadsAtMostOneBufferOfADatagram) {
    CapturingLogger log;
    Loopback loop;
    int32_t received = 7;
    EXPECT_EQ(1, UdpReceiveData(&loop.server, &received));  // nothing waiting
    EXPECT_EQ(0, received);
    EXPECT_EQ(-1, loop.server.dataLength);

    for (size_t size : {1u, 1500u, 1600u}) {
        std::string datagram(size, 'x');
        datagram.back() = 'y';
        loop.Send(datagram);
        EXPECT_EQ(1, UdpReceiveData(&loop.server, &received));
        EXPECT_EQ(1, received);
        const size_t kept = std::min<size_t>(size, 1500);
        EXPECT_EQ(static_cast<int32_t>(kept), loop.server.dataLength);
        EXPECT_EQ(datagram.substr(0, kept), std::string(reinterpret_cast<char*>(loop.server.buffer), kept));
    }
    EXPECT_TRUE(log.records.empty());

    loop.Send("");  // an empty datagram is an error
    received = 7;
    EXPECT_EQ(0, UdpReceiveData(&loop.server, &received));
    EXPECT_EQ(0, received);
    EXPECT_EQ((std::vector<std::string>{"L2 UdpReceiveData: error calling recvfrom"}), log.Lines());
}

TEST(UdpEndpoint, RepliesGoToTheLastSender) {
    Loopback loop;
    int other = loop.NewClient();
    loop.Send("first");
    loop.Send("second", other);
    int32_t received = 0;
    UdpReceiveData(&loop.server, &received);
    UdpReceiveData(&loop.server, &received);
    std::memcpy(loop.server.buffer, "reply", 5);
    EXPECT_EQ(1, UdpSendData(&loop.server, 5));
    EXPECT_EQ(1, UdpSendData(&loop.server, 0));
    EXPECT_EQ("reply", Loopback::Reply(other));
    EXPECT_EQ("", Loopback::Reply(other));
    EXPECT_EQ("<none>", loop.Reply());
    close(other);
}

// A burst leaves only a few datagrams waiting, whatever their size; a
// full-size one still gets in.
TEST(UdpEndpoint, BoundedQueueHoldsAFewDatagramsOfAnySize) {
    for (size_t size : {1u, 140u, 600u, 1500u}) {
        Loopback loop;
        ASSERT_EQ(1, UdpBoundReceiveQueue(loop.server.sock));
        for (int i = 0; i < 100; ++i) loop.Send(std::string(size, 'x'));
        int queued = 0;
        for (int32_t received = 1; UdpReceiveData(&loop.server, &received) == 1 && received != 0;) ++queued;
        EXPECT_GE(queued, 1) << size;
        EXPECT_LE(queued, 3) << size;
    }
}

TEST(UdpEndpoint, TakenPortLeavesTheSocketClosed) {
    CapturingLogger log;
    UdpServer first{};
    ASSERT_EQ(1, UdpInitializeServer(&first, 0, 1500));
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    getsockname(first.sock, reinterpret_cast<sockaddr*>(&bound), &length);

    UdpServer second{};
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, UdpInitializeServer(&second, ntohs(bound.sin_port), 1500));
    EXPECT_EQ(0u, testing::internal::GetCapturedStderr().find("error bind failed: "));
    EXPECT_EQ(0, UdpSetNonBlocking(second.sock));
    int32_t received = 7;
    EXPECT_EQ(1, UdpReceiveData(&second, &received));
    EXPECT_EQ(0, received);
    EXPECT_EQ(0, UdpSendData(&second, 1));
    EXPECT_EQ((std::vector<std::string>{"L2 UdpInitializeServer: error binding to port",
                                        "L2 UdpSendData: error sending packet"}),
              log.Lines());
    close(first.sock);
}

}  // namespace
