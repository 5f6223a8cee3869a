#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "status_files.h"

/// Points the status files into a fresh directory under $TMPDIR, removed with
/// it; a later write fails there rather than reach the unit's /var/log.
struct StatusDir {
    StatusDir() {
        std::string pattern = std::filesystem::temp_directory_path() / "kip-status-XXXXXX";
        path = mkdtemp(&pattern[0]);
        statusFilePaths = {path + "/dor.xml", path + "/lun.xml"};
    }
    ~StatusDir() { std::filesystem::remove_all(path); }

    static std::string Read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
    }

    std::string path;
};
