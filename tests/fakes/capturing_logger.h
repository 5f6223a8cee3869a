#pragma once

#include <string>
#include <vector>

#include "logger.h"
#include "seam.h"

/// Keeps every entry it is given, whatever the level, as
/// "L<level> <function>: <message>": without the file and line, so that tests
/// do not break when code moves. Installs itself for its own lifetime.
class CapturingLogger : public LogBackend {
public:
    void SetLevel(int /*level*/) override {}
    void SetConfig(const std::string& /*config*/) override {}
    void Write(int level, const char* /*file*/, const char* function, int /*line*/, const char* message) override {
        lines.push_back("L" + std::to_string(level) + " " + function + ": " + message);
    }

    std::vector<std::string> lines;

private:
    ScopedInstall<LogBackend> install_{*this};
};
