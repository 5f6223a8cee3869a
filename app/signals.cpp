#include "signals.h"

#include "log_entry.h"

volatile std::sig_atomic_t stopFlag = 0;

namespace {

enum SignalKind { kHangUp, kInterrupt, kTerminate, kOther, kSignalKinds };

const char* const kSignalMessages[kSignalKinds] = {
    "Caught SIGHUP signal.  Ignoring",
    "Caught SIGINT signal.  Terminating",
    "Caught SIGTERM signal.  Terminating",
    "Caught unhandled signal.  Unhandled. Ignoring",
};

// Written only by the handler; the main thread reads them and keeps its own
// count of what it has logged, so neither side ever writes what the other does.
volatile std::sig_atomic_t caught[kSignalKinds] = {};
std::sig_atomic_t logged[kSignalKinds] = {};

}  // namespace

void SignalCallbackHandler(int signalNumber) {
    const SignalKind kind = signalNumber == SIGHUP    ? kHangUp
                            : signalNumber == SIGINT  ? kInterrupt
                            : signalNumber == SIGTERM ? kTerminate
                                                      : kOther;
    caught[kind] = caught[kind] + 1;
    if (kind == kInterrupt || kind == kTerminate) {
        stopFlag = stopFlag + 1;
    }
}

void InstallSignalHandlers() {
    // signal() fails only for an invalid signal number.
    (void)std::signal(SIGHUP, SignalCallbackHandler);
    (void)std::signal(SIGTERM, SignalCallbackHandler);
    (void)std::signal(SIGINT, SignalCallbackHandler);
    (void)std::signal(SIGQUIT, SignalCallbackHandler);
}

void LogCaughtSignals() {
    for (int kind = 0; kind < kSignalKinds; ++kind) {
        while (logged[kind] != caught[kind]) {
            logged[kind] = logged[kind] + 1;
            LogEntry(3, "SignalCallbackHandler", __LINE__, kSignalMessages[kind]);
        }
    }
}
