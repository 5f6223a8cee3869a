#pragma once

#include <string>

#include "source_lists.h"

/// What the daemon's command line asks for.
struct DaemonOptions {
    SourceLists sources;
    bool checkOnly = false;  // --check: the options are only checked, for an init script
};

/// Reads the daemon's command line: `--allow ADDR[/BITS]` and
/// `--allow-queries ADDR[/BITS]`, each any number of times, as two arguments
/// or one with "=", and `--check`. False with one line saying why in `*err`
/// for anything else (more than kMostSources entries too); `*options` then
/// means nothing.
bool ParseDaemonOptions(int argc, const char* const* argv, DaemonOptions* options, std::string* err);
