#pragma once

#include "logger.h"

/// Every entry of the daemon names this one source file, whichever file the
/// code lives in, and the function that writes it.
inline constexpr const char* kLogSourceFile = "app-kip-param.cpp";

/// Writes one entry; `message` reaches the logger as the argument of "%s", so
/// a per-cent sign in it stays as it is.
inline void LogEntry(int level, const char* function, int line, const char* message) {
    send_log_basic(level, kLogSourceFile, function, line, "%s", message);
}

/// The usual form: the entry names the enclosing function and this line.
#define KIP_LOG(level, message) LogEntry((level), __func__, __LINE__, (message))
