#include "console_logger.h"

#include <unistd.h>

#include <cstdio>

#include "seam.h"

void ConsoleLogger::SetConfig(const std::string& /*config*/) {
    // The console is the only output this logger has, so every configuration
    // (the daemon's "invalid:thus-console" included) ends up there.
}

void ConsoleLogger::Write(int level, const char* file, const char* function, int line, const char* message) {
    if (level > threshold_) {
        return;
    }
    char entry[1280];
    int length = std::snprintf(entry, sizeof entry - 1, "L%d %s:%d %s: %s", level, file, line, function, message);
    if (length < 0) {
        return;
    }
    if (static_cast<size_t>(length) > sizeof entry - 2) {
        length = sizeof entry - 2;  // an over-long entry is cut, never split
    }
    entry[length] = '\n';
    (void)!write(fd_, entry, static_cast<size_t>(length) + 1);
}

template <>
LogBackend& Seam<LogBackend>::Default() {
    static ConsoleLogger console(STDERR_FILENO);
    return console;
}
