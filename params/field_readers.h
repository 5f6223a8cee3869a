#pragma once

#include <cstdint>
#include <string>

#include "records.h"

/// The updaters take one value out of a configuration document and store it.
/// Each looks up `path` in `text`, converts the element's text into `value`,
/// writes it as parameter `id` and sets `applied` to 1 only once it reached
/// the store. An absent element is success with `applied` 0 and `value` as it
/// was. Each logs its own failures and returns 0 for them.

/// The first character of the text, 0 for an empty one.
int UpdateCharFromXml(uint8_t& value, int& applied, const char* path, const char* text, uint32_t id);
/// Decimal numbers cut to 8, 16 or 32 bits, stored in the host's byte order.
int UpdateUint8FromXml(uint8_t& value, int& applied, const char* path, const char* text, uint32_t id);
int UpdateUint16FromXml(uint16_t& value, int& applied, const char* path, const char* text, uint32_t id);
int UpdateUint32FromXml(uint32_t& value, int& applied, const char* path, const char* text, uint32_t id);
/// `value` takes the element text as written; the store gets the address.
int UpdateIpFromXml(std::string& value, int& applied, const char* path, const char* text, uint32_t id);
/// An ATCS address: stored as 5 bytes and a 0, then read back after a pause.
int UpdateBytesFromXml(ByteVector& value, int& applied, const char* path, const char* text, uint32_t id);

/// Reads a decimal number cut to 8 bits without storing it. `found` tells
/// whether the element exists; `value` is only set when it does.
int ReadUint8FromXml(uint8_t& value, int& found, const char* path, const char* text);
