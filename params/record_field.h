#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "records.h"

/// The records that one walk over the catalogue reads or fills. `link` is the
/// ITP link at work: the one being loaded, or a copy of the first one while a
/// document is applied.
struct RecordSet {
    DorConfig& dor;
    LunConfig& lun;
    LunLinkConfigStruct& link;
    KipParams& kip;
};

/// A record field of any of the types that mirror a parameter.
using FieldRef = std::variant<int32_t*, uint16_t*, uint8_t*, std::string*, ByteVector*>;

/// A number lands cut to its field's width (a 32-bit field takes a 32-bit
/// value unchanged and smaller ones zero-extended); a text field takes it as
/// its one character.
void LandNumber(const FieldRef& field, uint32_t value);
/// A text field takes the text as it is.
void LandText(const FieldRef& field, const std::string& text);
/// An address field takes the first 5 bytes, however long it was before.
void LandAddress(const FieldRef& field, const uint8_t* bytes);

/// The field's own bytes, for a field exactly as wide as its parameter.
const void* FieldBytes(const FieldRef& field);
