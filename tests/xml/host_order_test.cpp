// Runs on the build machine and, through scripts/test-target, on the
// big-endian target: the expected bytes follow the host it runs on.
#include <gtest/gtest.h>

#include <cstring>

#include "apply_config.h"
#include "capturing_logger.h"
#include "fake_param_service.h"
#include "global_records.h"
#include "host_bytes.h"
#include "loading.h"
#include "recording_host_calls.h"

namespace {

using Bytes = std::vector<uint8_t>;

bool BigEndianHost() {
    const uint16_t probe = 1;
    uint8_t first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 0;
}

TEST(HostOrder, SameDocumentStoresHostOrderNumbersAndReadsThemBack) {
    FakeParamService store;
    CapturingLogger log;
    RecordingHostCalls host;
    LoadTypicalRecords();
    const std::string text =
        "<config><TxFreq>305419896</TxFreq><StfpLocalPort>4660</StfpLocalPort>"
        "<ItpRemoteIP>10.1.2.3</ItpRemoteIP><InstallType>\xC3\xA9</InstallType></config>";
    ASSERT_EQ(1, GetConfigFromXmlData(dorConfig, lunConfig, kipParams, ByteVector(text.begin(), text.end())));

    const bool big = BigEndianHost();
    const std::vector<ParamBytes> expected = {
        {136, big ? Bytes{0x12, 0x34, 0x56, 0x78} : Bytes{0x78, 0x56, 0x34, 0x12}},
        {139, big ? Bytes{0x12, 0x34} : Bytes{0x34, 0x12}},
        {142, {10, 1, 2, 3}},  // network order on every host
        {144, {0xC3}},         // a high byte, whatever char's signedness
    };
    EXPECT_EQ(expected, store.Writes());
    ASSERT_EQ(4u, store.Writes().size());
    EXPECT_EQ(HostBytes<uint32_t>(0x12345678), store.Writes()[0].bytes);
    EXPECT_EQ(HostBytes<uint16_t>(0x1234), store.Writes()[1].bytes);

    ResetRecords();
    EXPECT_TRUE(GetKipParams());
    EXPECT_EQ(0x12345678, dorConfig.TxFreq);
    EXPECT_EQ(0x1234, dorConfig.StfpLocalPort);
    EXPECT_EQ("10.1.2.3", dorConfig.ItpRemoteIP);
    EXPECT_EQ("\xC3", dorConfig.InstallType);
}

}  // namespace
