#pragma once

#include <ostream>

#include "records.h"

/// Writes `config` as the DOR document: the reply to a DOR query and the
/// content of the DOR status file.
std::ostream& GetXmlFromDorConfig(std::ostream& out, const DorConfig& config);
