// The element lookup over any document. Input: the path, a newline, then the
// document, handed over in a buffer of exactly its size so that ASan sees any
// read past its terminator.
#include <tinyxml.h>

#include <cassert>
#include <memory>
#include <string>

#include "xml_path_lookup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t start = input.find('\n') + 1;  // 0 without a newline: no path
    const std::string path = input.substr(0, start == 0 ? 0 : start - 1);
    std::unique_ptr<char[]> text(new char[size - start + 1]);
    text[input.copy(text.get(), size - start, start)] = '\0';

    // Both forms of the lookup agree, and find nothing in a text that does not parse.
    std::string value;
    const bool found = GetPathedElement(value, path, text.get()) != 0;
    assert(found == (GetPathedElement(nullptr, path, text.get()) != 0));
    TiXmlDocument document;
    assert(ParseXmlText(document, text.get()) || !found);
    return 0;
}
