#pragma once

#include <string>
#include <vector>

#include "logger.h"
#include "seam.h"

struct LogRecord {
    int level;
    std::string function;
    std::string message;
};

/// Keeps every entry it is given, whatever the level. Installs itself for its
/// own lifetime.
class CapturingLogger : public LogBackend {
public:
    CapturingLogger() : install_(*this) {}
    void SetLevel(int /*level*/) override {}
    void SetConfig(const std::string& /*config*/) override {}
    void Write(int level, const char* /*file*/, const char* function, int /*line*/, const char* message) override {
        records.push_back({level, function, message});
    }

    /// Entries as "L<level> <function>: <message>", without the line numbers
    /// so that tests do not break when code moves.
    std::vector<std::string> Lines() const;

    std::vector<LogRecord> records;

private:
    ScopedInstall<LogBackend> install_;
};
