#include "apply_config.h"

#include <gtest/gtest.h>

#include <cstring>

#include "capturing_logger.h"
#include "fake_param_service.h"
#include "host_bytes.h"
#include "global_records.h"
#include "recording_host_calls.h"

namespace {

using Bytes = std::vector<uint8_t>;


ByteVector Document(const std::string& text) { return ByteVector(text.begin(), text.end()); }

class ApplyConfig : public ::testing::Test {
protected:
    void SetUp() override { LoadTypicalRecords(); }
    int Apply(const std::string& text) { return GetConfigFromXmlData(dorConfig, lunConfig, kipParams, Document(text)); }

    FakeParamService store;
    CapturingLogger log;
    RecordingHostCalls host;
};

const char* const kEveryKey =
    "<config>"
    "<Address>7620011234</Address><RfmAddress>7620011235</RfmAddress><LogLevel>9</LogLevel>"
    "<RadioID>-1</RadioID><TxFreq>160000000</TxFreq><RxFreq>161000000</RxFreq><Power>300</Power>"
    "<StfpLocalPort>1</StfpLocalPort><StfpRemotePort>2</StfpRemotePort><ItpLocalPort>3</ItpLocalPort>"
    "<ItpRemoteIP>10.1.2.3</ItpRemoteIP><ItpRemotePort>4</ItpRemotePort><InstallType>B</InstallType>"
    "<ClusterMemberId>5</ClusterMemberId><ClusterSize>6</ClusterSize><NetLoggerIP>10.9.8.7</NetLoggerIP>"
    "<KipEmpInterval>7</KipEmpInterval><KipDcPowerLimit>1</KipDcPowerLimit>"
    "</config><LunConfig>"
    "<LunAddress>7620011236</LunAddress><LogLevel>2</LogLevel>"
    "<ItpLink><LocalPort>65535</LocalPort><RemoteAddress>10.5.5.5</RemoteAddress><RemotePort>8</RemotePort></ItpLink>"
    "<WiuLocalPort>9</WiuLocalPort><WiuLocalCount>10</WiuLocalCount>"
    "<EmpDataAckTimeout>11</EmpDataAckTimeout><EmpKeepAliveInterval>12</EmpKeepAliveInterval>"
    "</LunConfig>";

TEST_F(ApplyConfig, EveryKeyIsStoredInOrderWithItsWidth) {
    EXPECT_EQ(1, Apply(kEveryKey));
    const std::vector<ParamBytes> expected = {
        {147, {0x76, 0x20, 0x01, 0x12, 0x34, 0}},
        {148, {0x76, 0x20, 0x01, 0x12, 0x35, 0}},
        {134, {9}},
        {135, HostBytes<uint32_t>(0xFFFFFFFF)},
        {136, HostBytes<uint32_t>(160000000)},
        {137, HostBytes<uint32_t>(161000000)},
        {138, {44}},
        {139, HostBytes<uint16_t>(1)},
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
    EXPECT_EQ((std::vector<unsigned>{500000, 500000, 500000}), host.sleeps);

    EXPECT_EQ((ByteVector{0x76, 0x20, 0x01, 0x12, 0x34}), dorConfig.Address);
    EXPECT_EQ(9, dorConfig.LogLevel);
    EXPECT_EQ(-1, dorConfig.RadioID);
    EXPECT_EQ(44, dorConfig.Power);
    EXPECT_EQ("10.1.2.3", dorConfig.ItpRemoteIP);
    EXPECT_EQ("B", dorConfig.InstallType);
    EXPECT_EQ("10.9.8.7", kipParams.NetLoggerIP);
    EXPECT_EQ(7, kipParams.KipEmpInterval);
    EXPECT_EQ(10, lunConfig.WiuLocalCount);
    ASSERT_EQ(1u, lunConfig.ItpLinks.size());
    EXPECT_EQ(65535, lunConfig.ItpLinks[0].LocalPort);
    EXPECT_EQ("10.5.5.5", lunConfig.ItpLinks[0].RemoteAddress);
    EXPECT_EQ(12, lunConfig.EmpKeepAliveInterval);
    EXPECT_TRUE(log.records.empty());
}

TEST_F(ApplyConfig, OnlyValuesThatReachedTheStoreReachTheRecords) {
    store.failingIds = {136, 158, 151};
    EXPECT_EQ(0, Apply("<config><TxFreq>1</TxFreq><RxFreq>2</RxFreq><NetLoggerIP>1.2.3.4</NetLoggerIP>"
                       "<ItpRemoteIP>300.1.1.1</ItpRemoteIP></config>"
                       "<LunConfig><ItpLink><LocalPort>5</LocalPort><RemotePort>6</RemotePort></ItpLink></LunConfig>"));
    EXPECT_EQ(160215000, dorConfig.TxFreq);
    EXPECT_EQ(2, dorConfig.RxFreq);
    EXPECT_EQ("127.0.0.1", kipParams.NetLoggerIP);
    EXPECT_EQ("10.1.2.3", dorConfig.ItpRemoteIP);
    EXPECT_EQ(4000, lunConfig.ItpLinks[0].LocalPort);
    EXPECT_EQ(6, lunConfig.ItpLinks[0].RemotePort);
    EXPECT_EQ("127.50.50.50", lunConfig.ItpLinks[0].RemoteAddress);
    EXPECT_EQ((std::vector<std::string>{"L2 UpdateUint32FromXml: error setting TLV",
                                        "L2 UpdateIpFromXml: error getting IP address",
                                        "L2 UpdateIpFromXml: error setting TLV",
                                        "L2 UpdateUint16FromXml: error setting TLV"}),
              log.Lines());
}

TEST_F(ApplyConfig, AFailedFirstKeyStillFailsTheWholeDocument) {
    store.failingIds = {135};
    EXPECT_EQ(0, Apply("<config><RadioID>1</RadioID></config><LunConfig><EmpKeepAliveInterval>3</EmpKeepAliveInterval></LunConfig>"));
    EXPECT_EQ(3, lunConfig.EmpKeepAliveInterval);
}

TEST_F(ApplyConfig, AddressWhoseReadBackFailsIsStillTaken) {
    store.failingReadIds = {149};
    EXPECT_EQ(0, Apply("<LunConfig><LunAddress>1234567890</LunAddress></LunConfig>"));
    EXPECT_EQ((ByteVector{0x12, 0x34, 0x56, 0x78, 0x90}), lunConfig.LunAddress);
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
        {"<Power>1</Power>", 2, {{138, {1}}}, 0, 48, 48},
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

TEST_F(ApplyConfig, TextWithoutDocumentChangesNothingStored) {
    for (std::string text : {std::string(), std::string("hello"), std::string("<config><Power>5</Power>"),
                             std::string("<config><Power>5</Power></config"),
                             std::string("<ParamMessage><Power>1</Power></ParamMessage>")}) {
        LoadTypicalRecords();
        EXPECT_EQ(1, Apply(text)) << text;
        EXPECT_TRUE(store.calls.empty()) << text;
        EXPECT_EQ(5, dorConfig.Power);
    }
}

TEST_F(ApplyConfig, ANulByteEndsTheDocument) {
    std::string text = "<config><Power>7</Power></config>";
    text += std::string(1, '\0') + "<LunConfig><LogLevel>1</LogLevel></LunConfig>";
    EXPECT_EQ(1, Apply(text));
    EXPECT_EQ((std::vector<ParamBytes>{{138, {7}}}), store.Writes());
    EXPECT_EQ(4, lunConfig.LogLevel);
}

}  // namespace
