#include "decimal_rule.h"

#include <cstdlib>
#include <limits>

int32_t DecimalValue(const std::string& text) {
    long value = std::strtol(text.c_str(), nullptr, 10);
    // Where long is wider than 32 bits, strtol's own clamping is not enough.
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}
