#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue.h"

/// The text form of catalogued values, as operators type and read them (the
/// forms are in operator_text.h).

/// Decodes `bytes` of `entry` into `text`. False, with `text` untouched, when
/// `bytes` is not exactly the entry's width.
bool FormatValue(const CatalogueEntry& entry, const std::vector<uint8_t>& bytes, std::string& text);

/// Encodes `text` into exactly the entry's width of bytes. False, with
/// `bytes` untouched and a short reason in `error`, when it does not fit.
bool ParseValue(const CatalogueEntry& entry, const std::string& text, std::vector<uint8_t>& bytes,
                std::string& error);

/// Bytes of a hex text, two digits each (either case), no separators. False,
/// with `bytes` untouched, for an odd length or a non-hex character.
bool ParseHex(const std::string& text, std::vector<uint8_t>& bytes);

/// Lowercase hex of `bytes`, two digits each, no separators.
std::string FormatHex(const std::vector<uint8_t>& bytes);
