#pragma once

#include <string>

/// The platform logger as the daemon calls it.
void set_log_level(int level);
void set_log_config(std::string config);  // NOLINT(performance-unnecessary-value-param): the platform's signature
void send_log_basic(int level, const char* file, const char* function, int line, const char* format, ...)
    __attribute__((format(printf, 5, 6)));

/// Where the entries go. The default writes to standard error; tests install
/// a capturing backend through Seam<LogBackend>.
class LogBackend {
public:
    virtual ~LogBackend() = default;
    virtual void SetLevel(int level) = 0;
    virtual void SetConfig(const std::string& config) = 0;
    /// `message` is the entry's text, already formatted.
    virtual void Write(int level, const char* file, const char* function, int line, const char* message) = 0;
};
