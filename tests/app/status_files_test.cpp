#include "status_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "capturing_logger.h"
#include "dor_document.h"
#include "global_records.h"
#include "lun_document.h"
#include "status_dir.h"

namespace {

TEST(StatusFiles, HoldExactlyTheDocumentOfTheMoment) {
    StatusDir status;
    std::ofstream(statusFilePaths.dor) << std::string(5000, 'z');
    LoadTypicalRecords();
    WriteDorXmlFile();
    WriteLunXmlFile();
    std::ostringstream dor, lun;
    GetXmlFromDorConfig(dor, dorConfig);
    GetXmlFromLunConfig(lun, lunConfig);
    EXPECT_EQ(dor.str(), status.Dor());
    EXPECT_EQ(lun.str(), status.Lun());
}

TEST(StatusFiles, UnopenableFileIsSkippedWithAnEntry) {
    CapturingLogger log;
    StatusDir status;
    LoadTypicalRecords();
    const StatusFilePaths saved = statusFilePaths;
    statusFilePaths.dor = "/nonexistent-directory/dor.xml";
    WriteDorXmlFile();
    WriteLunXmlFile();
    EXPECT_EQ((std::vector<std::string>{"L2 WriteDorXmlFile: error opening /nonexistent-directory/dor.xml"}),
              log.Lines());
    EXPECT_NE("<missing>", status.Lun());
    statusFilePaths = saved;
}

}  // namespace
