#include "field_readers.h"

#include "decimal_rule.h"
#include "encodings.h"
#include "host_calls.h"
#include "log_entry.h"
#include "param_access.h"
#include "xml_path_lookup.h"

namespace {

constexpr unsigned kReadBackPause = 500000;

/// Starts an updater: clears `applied` and finds the element's text.
bool FindElement(std::string& element, int& applied, const char* path, const char* text) {
    applied = 0;
    return GetPathedElement(element, path, text) != 0;
}

/// Writes the value and reports it the way every updater does; the entry
/// names the updater that asked.
int StoreValue(uint32_t id, uint32_t width, const void* bytes, int& applied, const char* function, int line) {
    applied = SetParam(id, width, bytes) ? 1 : 0;
    if (applied == 0) {
        LogEntry(2, function, line, "error setting TLV");
    }
    return applied;
}

template <class T>
int UpdateDecimalFromXml(T& value, int& applied, const char* path, const char* text, uint32_t id,
                         const char* function, int line) {
    std::string element;
    if (!FindElement(element, applied, path, text)) {
        return 1;
    }
    value = static_cast<T>(static_cast<uint32_t>(DecimalValue(element)));
    return StoreValue(id, sizeof value, &value, applied, function, line);
}

}  // namespace

int UpdateCharFromXml(uint8_t& value, int& applied, const char* path, const char* text, uint32_t id) {
    std::string element;
    if (!FindElement(element, applied, path, text)) {
        return 1;
    }
    value = element.empty() ? 0 : static_cast<uint8_t>(element[0]);
    return StoreValue(id, 1, &value, applied, __func__, __LINE__);
}

int UpdateUint8FromXml(uint8_t& value, int& applied, const char* path, const char* text, uint32_t id) {
    return UpdateDecimalFromXml(value, applied, path, text, id, __func__, __LINE__);
}

int UpdateUint16FromXml(uint16_t& value, int& applied, const char* path, const char* text, uint32_t id) {
    return UpdateDecimalFromXml(value, applied, path, text, id, __func__, __LINE__);
}

int UpdateUint32FromXml(uint32_t& value, int& applied, const char* path, const char* text, uint32_t id) {
    return UpdateDecimalFromXml(value, applied, path, text, id, __func__, __LINE__);
}

int UpdateIpFromXml(std::string& value, int& applied, const char* path, const char* text, uint32_t id) {
    std::string element;
    if (!FindElement(element, applied, path, text)) {
        return 1;
    }
    value = element;
    uint32_t address = 0;
    if (!StringToIp(address, value.c_str())) {
        KIP_LOG(2, "error getting IP address");
        return 0;
    }
    return StoreValue(id, sizeof address, &address, applied, __func__, __LINE__);
}

int UpdateBytesFromXml(ByteVector& value, int& applied, const char* path, const char* text, uint32_t id) {
    std::string element;
    if (!FindElement(element, applied, path, text)) {
        return 1;
    }
    if (!StringToAtcsAddress(value, element.c_str())) {
        KIP_LOG(2, "error getting bytevector");
        return 0;
    }
    value.push_back(0);
    const int stored = StoreValue(id, static_cast<uint32_t>(value.size()), value.data(), applied, __func__, __LINE__);
    value.resize(kAtcsAddressBytes);
    if (stored == 0) {
        return 0;
    }
    // The store needs a moment before the new address can be read back.
    PauseMicroseconds(kReadBackPause);
    uint8_t readBack[kAtcsAddressBytes + 1];
    if (!GetParam(id, sizeof readBack, readBack)) {
        KIP_LOG(2, "error checking TLV");
        return 0;
    }
    return 1;
}

int ReadUint8FromXml(uint8_t& value, int& found, const char* path, const char* text) {
    std::string element;
    found = GetPathedElement(element, path, text) != 0 ? 1 : 0;
    if (found != 0) {
        value = static_cast<uint8_t>(DecimalValue(element));
    }
    return 1;
}
