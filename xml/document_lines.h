#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "records.h"

/// The line writers of the outgoing documents. Declaration and element lines
/// end in "\r\n"; values are written as they are, without escaping, since the
/// readers of these documents expect the bytes exactly so.

/// <?xml version="1.0" encoding="UTF-8"?>
std::ostream& WriteXmlHeader(std::ostream& out);
/// <name>value</name>, the value's every byte, NULs included.
std::ostream& WriteXmlElement(std::ostream& out, std::string_view name, const std::string& value);
/// <name>ATCS text</name>; empty content when the address cannot be printed.
std::ostream& WriteXmlElement(std::ostream& out, std::string_view name, const ByteVector& address);
/// <name>decimal</name>, with a "-" for negative numbers.
std::ostream& WriteXmlElement(std::ostream& out, std::string_view name, int32_t value);

/// One element line per name and value, in the order given.
template <class Value, class... More>
std::ostream& WriteXmlElements(std::ostream& out, std::string_view name, const Value& value, const More&... more) {
    WriteXmlElement(out, name, value);
    if constexpr (sizeof...(more) > 0) {
        WriteXmlElements(out, more...);
    }
    return out;
}
