#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "status_files.h"

/// Points the status files into a fresh directory under $TMPDIR for one test;
/// the test may point them elsewhere meanwhile.
class StatusDir {
public:
    StatusDir() : saved_(statusFilePaths) {
        const char* base = getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/kip-status-XXXXXX";
        path_ = mkdtemp(&pattern[0]);
        statusFilePaths = {path_ + "/dor.xml", path_ + "/lun.xml"};
    }
    ~StatusDir() {
        unlink((path_ + "/dor.xml").c_str());
        unlink((path_ + "/lun.xml").c_str());
        rmdir(path_.c_str());
        statusFilePaths = saved_;
    }

    static std::string Read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        if (!in) return "<missing>";
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string Dor() const { return Read(statusFilePaths.dor); }
    std::string Lun() const { return Read(statusFilePaths.lun); }

private:
    StatusFilePaths saved_;
    std::string path_;
};
