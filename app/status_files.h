#pragma once

#include <string>

/// Where the status files live. Tests point these elsewhere.
struct StatusFilePaths {
    std::string dor = "/var/log/dor.xml";
    std::string lun = "/var/log/lun.xml";
};
extern StatusFilePaths statusFilePaths;

/// Rewrite the DOR and LUN status files from the records: each holds exactly
/// what a query for its component would get. A file that cannot be opened is
/// skipped after a log entry; nothing else is reported.
void WriteDorXmlFile();
void WriteLunXmlFile();
