#pragma once

#include <string>

#include "logger.h"

/// The logger of a development machine. Every configuration it is given,
/// "invalid:thus-console" included, selects the console: an entry whose level
/// is at most the threshold becomes one line on `fd`,
///   L<level> <file>:<line> <function>: <message>
/// written with a single write() so that lines from several processes never
/// interleave. It allocates nothing per entry and never throws.
class ConsoleLogger : public LogBackend {
public:
    explicit ConsoleLogger(int fd) : fd_(fd) {}

    void SetLevel(int level) override { threshold_ = level; }
    void SetConfig(const std::string& config) override;
    void Write(int level, const char* file, const char* function, int line, const char* message) override;

private:
    int fd_;
    int threshold_ = 4;
};
