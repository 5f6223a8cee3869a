#include "document_lines.h"

#include "encodings.h"

std::ostream& WriteXmlHeader(std::ostream& out) {
    return out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
}

std::ostream& WriteXmlElement(std::ostream& out, const std::string& name, const std::string& value) {
    return out << '<' << name << '>' << value << "</" << name << ">\r\n";
}

std::ostream& WriteXmlElement(std::ostream& out, const std::string& name, const ByteVector& address) {
    char text[11];  // ten digits and the terminator
    AtcsAddressToString(text, address);
    return out << '<' << name << '>' << text << "</" << name << ">\r\n";
}

std::ostream& WriteXmlElement(std::ostream& out, const std::string& name, int32_t value) {
    return out << '<' << name << '>' << value << "</" << name << ">\r\n";
}
