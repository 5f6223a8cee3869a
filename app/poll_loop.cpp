#include "poll_loop.h"

#include "host_calls.h"
#include "log_entry.h"
#include "request_handler.h"
#include "signals.h"

namespace {
constexpr unsigned kPollPeriod = 1000000;
// The loop is main's; its entries say so.
constexpr const char* kLoopOwner = "main";
}  // namespace

void RunPollLoop(UdpServer& server) {
    for (;;) {
        LogCaughtSignals();
        if (stopFlag != 0) {
            break;
        }
        PauseMicroseconds(kPollPeriod);
        int32_t dataReceived = 0;
        if (UdpReceiveData(&server, &dataReceived) == 0) {
            LogEntry(2, kLoopOwner, __LINE__, "error receiving data");
        }
        if (dataReceived != 0 && HandleReceivedData(&server) == 0) {
            LogEntry(2, kLoopOwner, __LINE__, "error handling received data");
        }
    }
    LogCaughtSignals();
}
