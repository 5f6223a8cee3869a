#include "logger.h"

#include <cstdarg>
#include <cstdio>

#include "seam.h"

void set_log_level(int level) { Seam<LogBackend>::Current().SetLevel(level); }

// The platform's signature takes the text by value.
// cppcheck-suppress passedByValue
void set_log_config(std::string config) {  // NOLINT(performance-unnecessary-value-param)
    Seam<LogBackend>::Current().SetConfig(config);
}

// NOLINTNEXTLINE(cert-dcl50-cpp): the platform's printf-style entry point; the format attribute checks callers
void send_log_basic(int level, const char* file, const char* function, int line, const char* format, ...) {
    char message[1024];
    va_list args;
    va_start(args, format);
    if (std::vsnprintf(message, sizeof message, format, args) < 0) {
        message[0] = '\0';
    }
    va_end(args);
    Seam<LogBackend>::Current().Write(level, file, function, line, message);
}
