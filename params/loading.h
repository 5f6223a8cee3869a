#pragma once

/// Start-up: fills the three records from the store in one bulk read, sets
/// the values no parameter holds and derives the log configurations. True
/// when the bulk read succeeded; the other steps run either way.
bool GetKipParams();

/// Reads all managed parameters in one call into the records and appends the
/// one ITP link. True when the read succeeded.
bool LoadFlashParams();

/// The record values that have no parameter.
void SetFixedParams();
