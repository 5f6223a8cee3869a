#include "poll_loop.h"

#include <string>

#include "drop_report.h"
#include "host_calls.h"
#include "log_entry.h"
#include "request_handler.h"
#include "signals.h"
#include "source_gate.h"

namespace {
constexpr unsigned kPollPeriod = 1000000;
// The loop is main's; its entries say so.
constexpr const char* kLoopOwner = "main";
}  // namespace

void RunPollLoop(UdpServer& server, const SourceLists& sources) {
    DropReport drops(server.sock);
    std::string dropEntry;
    for (;;) {
        LogCaughtSignals();
        if (stopFlag != 0) {
            break;
        }
        PauseMicroseconds(kPollPeriod);
        if (!sources.Empty() && drops.Due(&dropEntry)) {
            LogEntry(3, kLoopOwner, __LINE__, dropEntry.c_str());
        }
        int32_t dataReceived = 0;
        if (UdpReceiveData(&server, &dataReceived) == 0) {
            LogEntry(2, kLoopOwner, __LINE__, "error receiving data");
        }
        if (dataReceived == 0) {
            continue;
        }
        if (!AdmitsRequest(sources, &server)) {
            drops.Refused();
        } else if (HandleReceivedData(&server) == 0) {
            LogEntry(2, kLoopOwner, __LINE__, "error handling received data");
        }
    }
    LogCaughtSignals();
}
