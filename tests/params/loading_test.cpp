#include "loading.h"

#include <gtest/gtest.h>

#include "capturing_logger.h"
#include "catalogue.h"
#include "derived_params.h"
#include "fake_param_service.h"
#include "host_bytes.h"
#include "global_records.h"

namespace {

class Loading : public ::testing::Test {
protected:
    void SetUp() override { ResetRecords(); }
    FakeParamService store;
    CapturingLogger log;
};

// Which field each parameter lands in shows in the apply tests' round trip.
TEST_F(Loading, ReadsEveryParameterInOneCallAndLandsValuesWidenedWithoutSign) {
    store.values = {
        {134, {255}},
        {144, {0}},
        {147, {0x76, 0x20, 0x01, 0x12, 0x34, 0x99}},
        {149, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66}},
        {158, {10, 0, 0, 9}},
        {161, HostBytes<uint16_t>(48)},
    };
    kipParams.KipDisableDutyCycle = 3;
    EXPECT_TRUE(GetKipParams());
    ASSERT_EQ(kCatalogueSize, store.calls.size());
    for (size_t i = 0; i < kCatalogueSize; ++i) {  // one call, by ascending id, each at its width
        EXPECT_TRUE(i == 0 || store.calls[i - 1].id < store.calls[i].id);
        EXPECT_EQ(FindCatalogueEntry(store.calls[i].id)->Width(), store.calls[i].length);
        EXPECT_EQ(29, store.calls[i].callSize);
        EXPECT_FALSE(store.calls[i].set);
    }
    EXPECT_EQ(255, dorConfig.LogLevel);
    EXPECT_EQ(std::string(1, '\0'), dorConfig.InstallType);
    EXPECT_EQ((ByteVector{0x76, 0x20, 0x01, 0x12, 0x34}), dorConfig.Address);
    EXPECT_EQ((ByteVector{0, 0, 0, 0, 0}), dorConfig.RfmAddress);
    EXPECT_EQ(1u, lunConfig.ItpLinks.size());
    EXPECT_EQ(48, kipParams.DcWindowSize);
    EXPECT_EQ("127.0.0.1", dorConfig.StfpRemoteIP);
    EXPECT_EQ(1, dorConfig.SendBeacons);
    EXPECT_EQ(0, kipParams.KipDisableDutyCycle);
    EXPECT_EQ("net:itp_addr=7620011234;local_port=34000;remote_addr=10.0.0.9;remote_port=52000", dorConfig.LogConfig);
    EXPECT_EQ("net:itp_addr=1122334455;local_port=34001;remote_addr=10.0.0.9;remote_port=52000", lunConfig.LogConfig);
    EXPECT_TRUE(log.records.empty());
}

TEST_F(Loading, FailedReadStillSetsFixedValuesAndDerivesTexts) {
    store.failAll = true;
    EXPECT_FALSE(GetKipParams());
    EXPECT_EQ((std::vector<std::string>{"L1 LoadFlashParams: get multiple params using get_parms failed"}), log.Lines());
    EXPECT_EQ("127.0.0.1", dorConfig.StfpRemoteIP);
    EXPECT_EQ(1, dorConfig.SendBeacons);
    EXPECT_EQ(0, dorConfig.RunAsDaemon);
    EXPECT_EQ(1u, lunConfig.ItpLinks.size());
    EXPECT_EQ("0.0.0.0", lunConfig.ItpLinks[0].RemoteAddress);
    EXPECT_EQ("net:itp_addr=0000000000;local_port=34000;remote_addr=0.0.0.0;remote_port=52000", dorConfig.LogConfig);
}

TEST_F(Loading, UnprintableAddressLeavesBothDerivedTextsAlone) {
    dorConfig.LogConfig = "old dor";
    lunConfig.LogConfig = "old lun";
    lunConfig.LunAddress = {1, 2, 3, 4, 5};
    dorConfig.Address = ByteVector(6, 1);
    UpdateKipDerivedParams();
    dorConfig.Address = {1, 2, 3, 4, 5};
    lunConfig.LunAddress = ByteVector(6, 1);
    UpdateKipDerivedParams();
    EXPECT_EQ("old dor", dorConfig.LogConfig);
    EXPECT_EQ("old lun", lunConfig.LogConfig);
    EXPECT_EQ((std::vector<std::string>{"L2 UpdateKipDerivedParams: error getting dor address",
                                        "L2 UpdateKipDerivedParams: error getting lun address"}),
              log.Lines());
}

}  // namespace
