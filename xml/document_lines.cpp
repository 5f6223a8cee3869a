#include "document_lines.h"

#include <charconv>

#include "encodings.h"

namespace {

/// Writes one element line with a single write: what costs on a stream is
/// each insertion, not the bytes. The daemon has one thread, so one buffer
/// serves every line.
std::ostream& WriteLine(std::ostream& out, const std::string& name, const char* value, size_t length) {
    static std::string line;
    line.assign(1, '<').append(name).append(1, '>').append(value, length);
    line.append("</").append(name).append(">\r\n");
    return out.write(line.data(), static_cast<std::streamsize>(line.size()));
}

}  // namespace

std::ostream& WriteXmlHeader(std::ostream& out) {
    return out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
}

std::ostream& WriteXmlElement(std::ostream& out, const std::string& name, const std::string& value) {
    return WriteLine(out, name, value.data(), value.size());
}

std::ostream& WriteXmlElement(std::ostream& out, const std::string& name, const ByteVector& address) {
    char text[11];  // ten digits and the terminator
    AtcsAddressToString(text, address);
    return WriteLine(out, name, text, std::char_traits<char>::length(text));
}

std::ostream& WriteXmlElement(std::ostream& out, const std::string& name, int32_t value) {
    char digits[12];  // "-2147483648"
    const std::to_chars_result printed = std::to_chars(digits, digits + sizeof digits, value);
    return WriteLine(out, name, digits, static_cast<size_t>(printed.ptr - digits));
}
