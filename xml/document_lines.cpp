#include "document_lines.h"

#include <charconv>
#include <cstring>

#include "encodings.h"

namespace {

char* Put(char* at, std::string_view piece) {
    std::memcpy(at, piece.data(), piece.size());
    return at + piece.size();
}

/// Writes one element line with a single write: what costs on a stream is
/// each insertion, not the bytes, so the line goes straight to the stream's
/// buffer, and a stream that cannot take it all is marked bad, as a write
/// would. The daemon has one thread, so one line buffer, which only ever
/// grows, serves every line.
std::ostream& WriteLine(std::ostream& out, std::string_view name, std::string_view value) {
    static std::string line;
    const size_t length = 2 * name.size() + value.size() + std::strlen("<></>\r\n");
    if (line.size() < length) line.resize(length);
    char* at = Put(Put(Put(line.data(), "<"), name), ">");
    Put(Put(Put(Put(at, value), "</"), name), ">\r\n");
    std::streambuf* buffer = out.rdbuf();
    const auto size = static_cast<std::streamsize>(length);
    if (!out.good() || buffer == nullptr || buffer->sputn(line.data(), size) != size) {
        out.setstate(std::ios_base::badbit);
    }
    return out;
}

}  // namespace

std::ostream& WriteXmlHeader(std::ostream& out) {
    return out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
}

std::ostream& WriteXmlElement(std::ostream& out, std::string_view name, const std::string& value) {
    return WriteLine(out, name, value);
}

std::ostream& WriteXmlElement(std::ostream& out, std::string_view name, const ByteVector& address) {
    char text[11];  // ten digits and the terminator
    AtcsAddressToString(text, address);
    return WriteLine(out, name, text);
}

std::ostream& WriteXmlElement(std::ostream& out, std::string_view name, int32_t value) {
    char digits[12];  // "-2147483648"
    const std::to_chars_result printed = std::to_chars(digits, digits + sizeof digits, value);
    return WriteLine(out, name, {digits, static_cast<size_t>(printed.ptr - digits)});
}
