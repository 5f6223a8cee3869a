#include "apply_config.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <sstream>

#include "capturing_logger.h"
#include "decimal_rule.h"
#include "dor_document.h"
#include "fake_param_service.h"
#include "global_records.h"
#include "host_bytes.h"
#include "derived_params.h"
#include "loading.h"
#include "lun_document.h"
#include "recording_host_calls.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string Documents() {
    std::ostringstream out;
    GetXmlFromDorConfig(out, dorConfig);
    GetXmlFromLunConfig(out, lunConfig);
    return out.str();
}

TEST(DecimalRule, ReadsLikeStrtolHeldInThirtyTwoBits) {
    const std::pair<const char*, int32_t> cases[] = {
        {"", 0},     {"abc", 0},  {" 42", 42}, {"42abc", 42}, {"+5", 5},
        {"0x10", 0}, {"010", 10}, {"-1", -1},  {"3000000000", INT_MAX},
        {"-2147483648", INT_MIN}, {"-99999999999", INT_MIN},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(value, DecimalValue(text)) << text;
}

class ApplyConfig : public ::testing::Test {
protected:
    void SetUp() override { LoadTypicalRecords(); }
    int Apply(const std::string& text) {
        return GetConfigFromXmlData(dorConfig, lunConfig, kipParams, ByteVector(text.begin(), text.end()));
    }

    FakeParamService store;
    CapturingLogger log;
    RecordingHostCalls host;
};

const char* const kEveryKey =
    "<config>"
    "<Address>7620011234</Address><RfmAddress>7620011235</RfmAddress><LogLevel>9</LogLevel>"
    "<RadioID>-1</RadioID><TxFreq>160000000</TxFreq><RxFreq>161000000</RxFreq><Power>300</Power>"
    "<StfpLocalPort>70000</StfpLocalPort><StfpRemotePort>2</StfpRemotePort><ItpLocalPort>3</ItpLocalPort>"
    "<ItpRemoteIP>10.1.2.3</ItpRemoteIP><ItpRemotePort>4</ItpRemotePort><InstallType>Bxyz</InstallType>"
    "<ClusterMemberId>5</ClusterMemberId><ClusterSize>6</ClusterSize><NetLoggerIP>10.9.8.7</NetLoggerIP>"
    "<KipEmpInterval>7</KipEmpInterval><KipDcPowerLimit>1</KipDcPowerLimit>"
    "</config><LunConfig>"
    "<LunAddress>7620011236</LunAddress><LogLevel>2</LogLevel>"
    "<ItpLink><LocalPort>65535</LocalPort><RemoteAddress>10.5.5.5</RemoteAddress><RemotePort>8</RemotePort></ItpLink>"
    "<WiuLocalPort>9</WiuLocalPort><WiuLocalCount>10</WiuLocalCount>"
    "<EmpDataAckTimeout>11</EmpDataAckTimeout><EmpKeepAliveInterval>12</EmpKeepAliveInterval>"
    "</LunConfig>";

TEST_F(ApplyConfig, EveryKeyIsStoredInOrderWithItsWidth) {
    host.onSleep = [&](unsigned) { EXPECT_TRUE(store.calls.back().set); };  // between write and read-back
    EXPECT_EQ(1, Apply(kEveryKey));
    const std::vector<ParamBytes> expected = {
        {147, {0x76, 0x20, 0x01, 0x12, 0x34, 0}},
        {148, {0x76, 0x20, 0x01, 0x12, 0x35, 0}},
        {134, {9}},
        {135, HostBytes<uint32_t>(0xFFFFFFFF)},
        {136, HostBytes<uint32_t>(160000000)},
        {137, HostBytes<uint32_t>(161000000)},
        {138, {44}},
        {139, HostBytes<uint16_t>(70000 & 0xFFFF)},
        {140, HostBytes<uint16_t>(2)},
        {141, HostBytes<uint16_t>(3)},
        {142, {10, 1, 2, 3}},
        {143, HostBytes<uint16_t>(4)},
        {144, {'B'}},
        {145, {5}},
        {146, {6}},
        {158, {10, 9, 8, 7}},
        {160, {7}},
        {163, {1}},
        {161, HostBytes<uint16_t>(24)},
        {162, HostBytes<uint16_t>(7)},
        {149, {0x76, 0x20, 0x01, 0x12, 0x36, 0}},
        {150, {2}},
        {151, HostBytes<uint16_t>(65535)},
        {152, {10, 5, 5, 5}},
        {153, HostBytes<uint16_t>(8)},
        {154, HostBytes<uint16_t>(9)},
        {155, {10}},
        {156, HostBytes<uint16_t>(11)},
        {157, HostBytes<uint16_t>(12)},
    };
    EXPECT_EQ(expected, store.Writes());
    EXPECT_EQ((std::vector<uint32_t>{147, 148, 149}), store.Reads());  // the address read-backs
    for (const ParamCall& call : store.calls) EXPECT_EQ(1, call.callSize);
    for (const ParamCall& call : store.calls) EXPECT_TRUE(call.set || call.length == 6u);
    EXPECT_EQ((std::vector<unsigned>{500000, 500000, 500000}), host.sleeps);

    EXPECT_EQ(7, kipParams.KipEmpInterval);

    // Each value landed in its own field: the store's values, loaded, give the same documents.
    UpdateKipDerivedParams();
    const std::string applied = Documents();
    ResetRecords();
    ASSERT_TRUE(GetKipParams());
    EXPECT_EQ(applied, Documents());
    EXPECT_TRUE(log.records.empty());
}

TEST_F(ApplyConfig, OnlyValuesThatReachedTheStoreReachTheRecords) {
    store.failingIds = {147, 134, 136, 139, 144, 158, 151};
    store.failingReadIds = {148};
    EXPECT_EQ(0, Apply("<config><Address>1234567890</Address><RfmAddress>11</RfmAddress><LogLevel>9</LogLevel>"
                       "<TxFreq>1</TxFreq><RxFreq>2</RxFreq><StfpLocalPort>1</StfpLocalPort>"
                       "<ItpRemoteIP>not.an.ip</ItpRemoteIP><InstallType>B</InstallType>"
                       "<NetLoggerIP>1.2.3.4</NetLoggerIP></config><LunConfig><LunAddress>762001123456</LunAddress>"
                       "<ItpLink><LocalPort>5</LocalPort><RemotePort>6</RemotePort></ItpLink></LunConfig>"));
    EXPECT_EQ((std::vector<std::string>{"L2 UpdateBytesFromXml: error setting TLV",
                                        "L2 UpdateBytesFromXml: error checking TLV",
                                        "L2 UpdateUint8FromXml: error setting TLV",
                                        "L2 UpdateUint32FromXml: error setting TLV",
                                        "L2 UpdateUint16FromXml: error setting TLV",
                                        "L2 UpdateIpFromXml: error getting IP address",
                                        "L2 UpdateCharFromXml: error setting TLV",
                                        "L2 UpdateIpFromXml: error setting TLV",
                                        "L2 UpdateBytesFromXml: error getting bytevector",
                                        "L2 UpdateUint16FromXml: error setting TLV"}),
              log.Lines());
    for (const LogRecord& r : log.records) EXPECT_EQ("app-kip-param.cpp", r.file);
    EXPECT_NE(log.records[2].line, log.records[4].line);  // each updater names its own line
    std::vector<uint32_t> written;
    for (const ParamBytes& write : store.Writes()) written.push_back(write.id);
    EXPECT_EQ((std::vector<uint32_t>{147, 148, 134, 136, 137, 139, 144, 158, 151, 153}), written);
    EXPECT_EQ((std::vector<unsigned>{500000}), host.sleeps);  // no read-back after a failed write

    EXPECT_EQ((ByteVector{0x26, 0x20, 0x01, 0x00, 0x01}), dorConfig.Address);
    EXPECT_EQ((ByteVector{0x11, 0, 0, 0, 0}), dorConfig.RfmAddress);  // stored, though not read back
    EXPECT_EQ(3, dorConfig.LogLevel);
    EXPECT_EQ(160215000, dorConfig.TxFreq);
    EXPECT_EQ(2, dorConfig.RxFreq);
    EXPECT_EQ(5000, dorConfig.StfpLocalPort);
    EXPECT_EQ("10.1.2.3", dorConfig.ItpRemoteIP);
    EXPECT_EQ("A", dorConfig.InstallType);
    EXPECT_EQ("127.0.0.1", kipParams.NetLoggerIP);
    EXPECT_EQ((ByteVector{0x26, 0x20, 0x01, 0x00, 0x03}), lunConfig.LunAddress);
    EXPECT_EQ(4000, lunConfig.ItpLinks[0].LocalPort);
    EXPECT_EQ(6, lunConfig.ItpLinks[0].RemotePort);
    EXPECT_EQ("127.50.50.50", lunConfig.ItpLinks[0].RemoteAddress);
}

TEST_F(ApplyConfig, DutyCycleRule) {
    struct Case {
        const char* elements;
        uint8_t limitBefore;
        std::vector<ParamBytes> writes;
        uint8_t disable;
        uint16_t window;
        uint16_t transmit;
    };
    const Case cases[] = {
        {"<KipDcPowerLimit>2</KipDcPowerLimit>", 0,
         {{163, {2}}, {161, HostBytes<uint16_t>(48)}, {162, HostBytes<uint16_t>(48)}}, 0, 48, 48},
        {"<KipDcPowerLimit>1</KipDcPowerLimit>", 0,
         {{163, {1}}, {161, HostBytes<uint16_t>(24)}, {162, HostBytes<uint16_t>(7)}}, 0, 24, 7},
        {"<KipDisableDutyCycle>1</KipDisableDutyCycle>", 5,
         {{163, {5}}, {161, HostBytes<uint16_t>(48)}, {162, HostBytes<uint16_t>(48)}}, 1, 48, 48},
        {"<KipDisableDutyCycle>256</KipDisableDutyCycle>", 5,
         {{163, {5}}, {161, HostBytes<uint16_t>(24)}, {162, HostBytes<uint16_t>(7)}}, 0, 24, 7},
        {"<KipDcPowerLimit>258</KipDcPowerLimit>", 0,
         {{163, {2}}, {161, HostBytes<uint16_t>(48)}, {162, HostBytes<uint16_t>(48)}}, 0, 48, 48},
        // Neither input: only the key's own write (an empty text is the character 0).
        {"<InstallType></InstallType>", 2, {{144, {0}}}, 0, 48, 48},
    };
    for (const Case& c : cases) {
        LoadTypicalRecords();
        store.calls.clear();
        kipParams.KipDcPowerLimit = c.limitBefore;
        EXPECT_EQ(1, Apply(std::string("<config>") + c.elements + "</config>"));
        EXPECT_EQ(c.writes, store.Writes()) << c.elements;
        EXPECT_EQ(c.disable, kipParams.KipDisableDutyCycle) << c.elements;
        EXPECT_EQ(c.window, kipParams.DcWindowSize) << c.elements;
        EXPECT_EQ(c.transmit, kipParams.DcTransmitLimit) << c.elements;
    }
}

TEST_F(ApplyConfig, DutyCycleWritesAllThreeEvenWhenOneFails) {
    store.failingIds = {163};
    Apply("<config><KipDcPowerLimit>2</KipDcPowerLimit></config>");
    EXPECT_EQ((std::vector<uint32_t>{163, 161, 162}),
              (std::vector<uint32_t>{store.calls[0].id, store.calls[1].id, store.calls[2].id}));
    EXPECT_EQ((std::vector<std::string>{"L2 HandleKipDutyCycleXml: error setting DC params"}), log.Lines());
    EXPECT_EQ(2, kipParams.KipDcPowerLimit);
}

TEST_F(ApplyConfig, OnlyAWholeDocumentUpToANulIsApplied) {
    const std::pair<std::string, std::vector<ParamBytes>> cases[] = {
        {"", {}},
        {"hello", {}},
        {"<config><Power>5</Power>", {}},
        {"<config><Power>5</Power></config", {}},
        {"<ParamMessage><Power>1</Power></ParamMessage>", {}},
        {std::string("<config><Power>7</Power></config>") + '\0' + "<LunConfig><LogLevel>1</LogLevel></LunConfig>",
         {{138, {7}}}},
    };
    for (const auto& [text, writes] : cases) {
        store.calls.clear();
        EXPECT_EQ(1, Apply(text)) << text;
        EXPECT_EQ(writes, store.Writes()) << text;
        EXPECT_EQ(writes.size(), store.calls.size()) << text;
    }
    EXPECT_TRUE(host.sleeps.empty() && log.records.empty());  // absent keys neither pause nor complain
}

bool BigEndianHost() {
    const uint16_t probe = 1;
    uint8_t first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 0;
}

// Runs on the build machine and, through scripts/test-target, on the
// big-endian target: the expected bytes follow the host it runs on.
TEST_F(ApplyConfig, HostOrderNumbersAreStoredAndReadBackOnEitherHost) {
    ASSERT_EQ(1, Apply("<config><TxFreq>305419896</TxFreq><StfpLocalPort>4660</StfpLocalPort>"
                       "<ItpRemoteIP>10.1.2.3</ItpRemoteIP><InstallType>\xC3\xA9</InstallType></config>"));

    const bool big = BigEndianHost();
    const std::vector<ParamBytes> expected = {
        {136, big ? Bytes{0x12, 0x34, 0x56, 0x78} : Bytes{0x78, 0x56, 0x34, 0x12}},
        {139, big ? Bytes{0x12, 0x34} : Bytes{0x34, 0x12}},
        {142, {10, 1, 2, 3}},  // network order on every host
        {144, {0xC3}},         // a high byte, whatever char's signedness
    };
    EXPECT_EQ(expected, store.Writes());

    ResetRecords();
    EXPECT_TRUE(GetKipParams());
    EXPECT_EQ(0x12345678, dorConfig.TxFreq);
    EXPECT_EQ(0x1234, dorConfig.StfpLocalPort);
    EXPECT_EQ("10.1.2.3", dorConfig.ItpRemoteIP);
    EXPECT_EQ("\xC3", dorConfig.InstallType);
}

}  // namespace
