#include "capturing_logger.h"

std::vector<std::string> CapturingLogger::Lines() const {
    std::vector<std::string> lines;
    for (const LogRecord& r : records) {
        lines.push_back("L" + std::to_string(r.level) + " " + r.function + ": " + r.message);
    }
    return lines;
}
