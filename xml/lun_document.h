#pragma once

#include <ostream>

#include "records.h"

/// Writes `config` as the LUN document, with its first ITP link only: the
/// reply to a LUN query and the content of the LUN status file.
std::ostream& GetXmlFromLunConfig(std::ostream& out, const LunConfig& config);
