#pragma once

#include <string>

#include "source_lists.h"

/// Reads the daemon's command line: `--allow ADDR[/BITS]` and
/// `--allow-queries ADDR[/BITS]`, each any number of times, as two arguments
/// or one with "=". False with one line saying why in `*err` for anything
/// else (more than kMostSources entries too); `*lists` then means nothing.
bool ParseDaemonOptions(int argc, const char* const* argv, SourceLists* lists, std::string* err);
