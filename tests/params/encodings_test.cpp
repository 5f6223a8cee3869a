#include "encodings.h"

#include <gtest/gtest.h>

#include "capturing_logger.h"
#include "derived_params.h"

// How the daemon reads address texts is in the documents' tests, how the
// tools read and print them in the tools'. An address that no text gives
// (more than 5 bytes) prints as nothing, is logged, and leaves both log
// configurations as they were; a smaller buffer takes what fits.
TEST(Encodings, AddressesPrintIntoTheBufferGivenAndAnUnprintableOneIsLoggedKeepingTheLogConfigurations) {
    for (const std::string bad : {"dor", "lun"}) {
        CapturingLogger log;
        dorConfig.Address = ByteVector(bad == "dor" ? 6 : 5, 1);
        lunConfig.LunAddress = ByteVector(bad == "lun" ? 6 : 5, 1);
        dorConfig.LogConfig = lunConfig.LogConfig = "kept";
        UpdateKipDerivedParams();
        EXPECT_EQ(std::vector<std::string>{"L2 UpdateKipDerivedParams: error getting " + bad + " address"}, log.lines);
        EXPECT_EQ("kept kept", dorConfig.LogConfig + " " + lunConfig.LogConfig) << bad;
    }
    char printed[11] = "zzzz";
    EXPECT_TRUE(!AtcsAddressToString(printed, ByteVector(6, 1)) && printed == std::string());
    char cut[5];
    EXPECT_TRUE(AtcsAddressToString(cut, ByteVector{0x76, 0x20, 1, 2, 3}) && cut == std::string("7620"));
}
