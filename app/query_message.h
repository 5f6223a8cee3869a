#pragma once

#include <string>

/// A datagram that holds this element is a query, whatever else it holds.
inline constexpr const char* kQueryPath = "ParamMessage:QueryType";

/// The datagram that asks query `type`: "DOR", "LUN" or "REBOOT".
inline std::string QueryMessage(const std::string& type) {
    return "<ParamMessage><QueryType>" + type + "</QueryType></ParamMessage>";
}

/// The queries that only read: all that a source allowed queries only may ask.
inline bool IsReadingQuery(const std::string& type) { return type == "DOR" || type == "LUN"; }
