#pragma once

#include <string>
#include <vector>

#include "records.h"

/// Carries every key of a received document into the store and, for the
/// values that reached it, into the records. `document` holds the datagram's
/// bytes as received; a NUL inside it ends the text. Returns 0 when any key
/// failed to convert or to store (each failure has been logged), else 1.
/// REQUIRES: `lun.ItpLinks` is not empty (start-up appends its one link).
int GetConfigFromXmlData(DorConfig& dor, LunConfig& lun, KipParams& kip, const ByteVector& document);

/// The duty-cycle rule: takes "config:KipDcPowerLimit" and
/// "config:KipDisableDutyCycle", derives the window and transmit limit from
/// them, and stores all three stored values when either input was given.
void HandleKipDutyCycleXml(KipParams& kip, const char* text);

/// Every element path that a document can set, in the order they are
/// applied: the keys and the two duty-cycle inputs.
std::vector<std::string> ConfigurationKeyPaths();

/// The duty-cycle input that has no parameter of its own.
inline constexpr const char* kDisableDutyCyclePath = "config:KipDisableDutyCycle";
