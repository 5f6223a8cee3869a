#include "client_keys.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "value_text.h"

namespace {

std::string LastComponent(const std::string& path) { return path.substr(path.rfind(':') + 1); }

}  // namespace

std::vector<ClientKey> ClientKeys() {
    std::vector<ClientKey> keys;
    for (const CatalogueEntry& entry : kCatalogue) {
        if (entry.xmlKey != nullptr) keys.push_back({entry.xmlKey, entry});
    }
    return keys;
}

bool ResolveKey(const std::string& name, ClientKey& key, std::string& error) {
    std::vector<ClientKey> matches;
    for (const ClientKey& candidate : ClientKeys()) {
        if (candidate.path == name) {
            key = candidate;
            return true;
        }
        if (LastComponent(candidate.path) == name) matches.push_back(candidate);
    }
    if (matches.size() == 1) {
        key = matches.front();
        return true;
    }
    if (matches.empty()) {
        error = "no key '" + name + "' (see: kip-param-client keys)";
    } else {
        error = "key '" + name + "' is ambiguous: ";
        for (size_t i = 0; i < matches.size(); ++i) error += (i > 0 ? ", " : "") + matches[i].path;
    }
    return false;
}

bool KeyValueText(const ClientKey& key, const std::string& value, std::string& text, std::string& error) {
    std::vector<uint8_t> bytes;
    if (key.entry.encoding == Encoding::Char && value.size() != 1) {
        error = key.path + " takes exactly one character";
        return false;
    }
    // The daemon reads a blank element as empty, which stores a NUL instead.
    if (key.entry.encoding == Encoding::Char && std::isspace(static_cast<unsigned char>(value[0])) != 0) {
        error = key.path + " cannot be a blank: the daemon would store a NUL byte";
        return false;
    }
    if (!ParseValue(key.entry, value, bytes, error)) {
        error = key.path + ": " + error;
        return false;
    }
    text = value;
    if (key.entry.encoding == Encoding::U32) {
        uint32_t number = 0;
        std::memcpy(&number, bytes.data(), sizeof number);
        text = std::to_string(static_cast<int32_t>(number));
    }
    return true;
}

std::string ShownValue(const ClientKey& key, const std::string& documentValue) {
    std::string text = documentValue;
    if (key.entry.encoding == Encoding::U32) {
        text = std::to_string(static_cast<uint32_t>(std::strtoll(documentValue.c_str(), nullptr, 10)));
    } else if (key.entry.encoding == Encoding::Char && documentValue.size() == 1) {
        FormatValue(key.entry, {static_cast<uint8_t>(documentValue[0])}, text);
    }
    return text;
}
