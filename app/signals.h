#pragma once

#include <csignal>

/// Non-zero once a SIGINT or SIGTERM asked the daemon to stop; each adds 1.
extern volatile std::sig_atomic_t stopFlag;

/// The one handler of SIGHUP, SIGTERM, SIGINT and SIGQUIT. It only counts:
/// the logger may be busy on the main thread when a signal arrives, so the
/// entry for each signal is written later by LogCaughtSignals.
void SignalCallbackHandler(int signalNumber);

/// Installs SignalCallbackHandler for SIGHUP, SIGTERM, SIGINT and SIGQUIT.
void InstallSignalHandlers();

/// Writes one entry for every signal caught since the last call.
void LogCaughtSignals();
