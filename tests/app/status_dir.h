#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "status_files.h"

/// Points the status files into a fresh temporary directory for one test.
class StatusDir {
public:
    StatusDir() : saved_(statusFilePaths) {
        char pattern[] = "/tmp/kip-status-XXXXXX";
        path_ = mkdtemp(pattern);
        statusFilePaths.dor = path_ + "/dor.xml";
        statusFilePaths.lun = path_ + "/lun.xml";
    }
    ~StatusDir() {
        unlink(statusFilePaths.dor.c_str());
        unlink(statusFilePaths.lun.c_str());
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
