#pragma once

#include <ostream>
#include <string>
#include <vector>

/// Reads and writes the catalogued parameters of the unit's store, through
/// get_parms/set_parms only. `args` are the command line without the program
/// name. Returns the exit status: 0 done, 1 the parameter asked for is unset,
/// 2 anything else that went wrong (then one line on `err`, store untouched).
int RunStoreTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
