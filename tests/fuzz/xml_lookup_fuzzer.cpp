// The element lookup over any document. Input: the path, a newline, then the
// document, handed over in a buffer of exactly its size so that ASan sees any
// read past its terminator.
#include <tinyxml.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "xml_path_lookup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const char* newline = static_cast<const char*>(std::memchr(bytes, '\n', size));
    const std::string path = newline != nullptr ? std::string(bytes, newline) : std::string();
    const size_t start = newline != nullptr ? static_cast<size_t>(newline - bytes) + 1 : 0;
    std::unique_ptr<char[]> text(new char[size - start + 1]);
    std::memcpy(text.get(), bytes + start, size - start);
    text[size - start] = '\0';

    std::string value;
    const int found = GetPathedElement(value, path, text.get());
    // Both forms of the lookup agree.
    if ((found != 0) != (GetPathedElement(nullptr, path, text.get()) != 0)) std::abort();

    // Following the rest of the path from the first root of that name finds
    // the same element; a text that does not parse has none.
    const size_t colon = path.find(':');
    TiXmlDocument document;
    const bool parsed = ParseXmlText(document, text.get());
    if (!parsed && found != 0) std::abort();
    if (parsed && colon != std::string::npos) {
        TiXmlElement* root = document.FirstChildElement(path.substr(0, colon).c_str());
        const int below = root != nullptr ? GetPathedElement(root, path.substr(colon + 1), nullptr) : 0;
        if ((below != 0) != (found != 0)) std::abort();
    }
    return 0;
}
