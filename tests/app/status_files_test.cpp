#include "status_files.h"

#include <gtest/gtest.h>

#include <sstream>

#include "capturing_logger.h"
#include "fake_file_system.h"
#include "global_records.h"
#include "lun_document.h"

namespace {

TEST(StatusFiles, AreWrittenThroughTheFileSystemAndAFailedOpenIsOnlyLogged) {
    LoadTypicalRecords();
    FakeFileSystem fs;
    CapturingLogger log;
    const StatusFilePaths saved = statusFilePaths;
    // No such directory on the host: a write that missed the seam would fail.
    statusFilePaths = {"/no-such-directory/dor.xml", "/no-such-directory/lun.xml"};
    fs.faults = {{"open", statusFilePaths.dor, 0, EACCES}};

    WriteDorXmlFile();
    WriteLunXmlFile();
    std::ostringstream lun;
    GetXmlFromLunConfig(lun, lunConfig);
    EXPECT_EQ(lun.str(), fs.Contents(statusFilePaths.lun));
    EXPECT_FALSE(fs.Contents(statusFilePaths.dor));
    EXPECT_EQ((std::vector<std::string>{"L2 WriteDorXmlFile: error opening /no-such-directory/dor.xml"}), log.Lines());
    statusFilePaths = saved;
}

}  // namespace
