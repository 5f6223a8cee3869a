// Ten thousand requests of every kind through the real loop and endpoint:
// a leak of a few bytes or one descriptor a request shows here.

#include <dirent.h>
#include <malloc.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "capturing_logger.h"
#include "fake_param_service.h"
#include "global_records.h"
#include "loopback.h"
#include "poll_loop.h"
#include "recording_host_calls.h"
#include "request_handler.h"
#include "signals.h"
#include "status_files.h"

namespace {

int OpenDescriptors() {
    DIR* dir = opendir("/proc/self/fd");
    int count = 0;
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
    return count;
}

TEST(RequestLoad, HeapAndDescriptorsStayFlatOverTenThousandRequests) {
    InstallSignalHandlers();
    LogCaughtSignals();
    stopFlag = 0;
    LoadTypicalRecords();
    FakeParamService store;
    CapturingLogger log;
    RecordingHostCalls host;
    Loopback loop;
    // Each truncation of a file on a disk would cost milliseconds.
    const StatusFilePaths saved = statusFilePaths;
    statusFilePaths = {"/dev/null", "/dev/null"};

    std::string garbage(1600, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 7919 % 251);
    auto query = [](const std::string& type) {
        return "<ParamMessage><QueryType>" + type + "</QueryType></ParamMessage>";
    };
    const std::string dor = "<config><Power>5</Power><Address>2620010099</Address><ItpRemoteIP>10.0.0.9</ItpRemoteIP>"
                            "<KipDcPowerLimit>2</KipDcPowerLimit></config>";
    const std::string lun = "<LunConfig><LunAddress>2620010098</LunAddress><WiuLocalPort>7</WiuLocalPort></LunConfig>";
    const std::vector<std::string> requests = {query("DOR"), query("LUN"), query("REBOOT"), query("dor"), dor, lun,
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
    stopFlag = 0;
    statusFilePaths = saved;
    EXPECT_LE(heapAtEnd, heap + 4096) << heap;
    EXPECT_EQ(kRequests - kRequests / static_cast<int>(requests.size()), replies);  // all but the empty datagrams
    std::printf("heap in use %zu after warm-up, %zu at the end; %d descriptors\n", heap, heapAtEnd, descriptors);
}

}  // namespace
