#pragma once

#include "record_field.h"

/// Carries every key of a received document into the store and, for the
/// values that reached it, into the records. `document` holds the datagram's
/// bytes as received; a NUL inside it ends the text. Returns 0 when any key
/// failed to convert or to store (each failure has been logged), else 1.
/// REQUIRES: `lun.ItpLinks` is not empty (start-up appends its one link).
int GetConfigFromXmlData(DorConfig& dor, LunConfig& lun, KipParams& kip, const ByteVector& document);
