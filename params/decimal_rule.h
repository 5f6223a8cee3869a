#pragma once

#include <cstdint>
#include <string>

/// A document's number: read like strtol in base 10 (leading blanks, one
/// sign, digits up to the first non-digit, 0 when there are none), held in
/// the signed 32-bit range. Callers cut it to their width in two's complement.
int32_t DecimalValue(const std::string& text);
