#include "xml_path_lookup.h"

#include <tinyxml.h>

#include <cstring>

namespace {

// TinyXML's UTF-8 reader steps over a truncated multi-byte sequence at the end
// of its input, up to three bytes past the terminator. It therefore only ever
// sees a copy of the text followed by this many further NULs.
constexpr size_t kParserPadding = 8;

const TiXmlElement* FollowPath(const TiXmlNode* parent, const std::string& path) {
    const TiXmlElement* element = nullptr;
    size_t begin = 0;
    std::string name;
    while (parent != nullptr) {
        size_t end = path.find(':', begin);
        name.assign(path, begin, end == std::string::npos ? std::string::npos : end - begin);
        element = parent->FirstChildElement(name.c_str());
        if (element == nullptr || end == std::string::npos) {
            return element;
        }
        parent = element;
        begin = end + 1;
    }
    return nullptr;
}

/// Parses `text` and finds `path` in it; nullptr when it does not parse or has
/// no such element. `document` keeps the element alive.
const TiXmlElement* FindInText(TiXmlDocument& document, const std::string& path, const char* text) {
    return ParseXmlText(document, text) ? FollowPath(&document, path) : nullptr;
}

}  // namespace

bool ParseXmlText(TiXmlDocument& document, const char* text) {
    if (text == nullptr) {
        return false;
    }
    // Kept between calls (the daemon has one thread), so a lookup allocates
    // nothing for its copy once the longest document has been seen.
    static std::string padded;
    padded.assign(text, std::strlen(text));
    padded.append(kParserPadding, '\0');
    // Texts are handed back as written: "DOR " is not "DOR".
    TiXmlBase::SetCondenseWhiteSpace(false);
    document.Parse(padded.c_str());
    return !document.Error();
}

// The platform's signatures take the path by value.
// cppcheck-suppress passedByValue
int GetPathedElement(std::string& value, std::string path, const char* text) {  // NOLINT(performance-unnecessary-value-param)
    TiXmlDocument document;
    const TiXmlElement* element = FindInText(document, path, text);
    if (element == nullptr) {
        return 0;
    }
    const char* elementText = element->GetText();
    value.assign(elementText != nullptr ? elementText : "");
    return 1;
}

// cppcheck-suppress passedByValue
int GetPathedElement(TiXmlElement* start, std::string path, const char* text) {  // NOLINT(performance-unnecessary-value-param)
    if (start != nullptr) {
        return FollowPath(start, path) != nullptr ? 1 : 0;
    }
    TiXmlDocument document;
    return FindInText(document, path, text) != nullptr ? 1 : 0;
}
