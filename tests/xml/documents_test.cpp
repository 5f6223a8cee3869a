#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "capturing_logger.h"
#include "catalogue.h"
#include "fake_param_service.h"
#include "global_records.h"
#include "host_bytes.h"
#include "recording_host_calls.h"

namespace {

using Stored = std::map<uint32_t, std::vector<uint8_t>>;

/// What the duty-cycle rule stores: the power limit, the window and the transmit limit.
Stored DutyCycle(uint8_t limit, uint16_t window, uint16_t transmit) { return {{163, {limit}}, {161, HostBytes(window)}, {162, HostBytes(transmit)}}; }

class Documents : public ::testing::Test {
protected:
    /// A typical unit, whose documents are then applied to a store that held
    /// only the logger's address.
    void SetUp() override {
        LoadTypicalRecords();
        store.values = {{158, {127, 0, 0, 1}}};
        ASSERT_EQ(1, ApplyDocument(kTypicalDocuments));
    }
    FakeParamService store;
    CapturingLogger log;
    RecordingHostCalls host;
};

// Read, stored and loaded again, a typical unit's documents are written as
// they were, each value stored in catalogue order. Without a link the
// document still ends well, and the gap is logged.
TEST_F(Documents, ATypicalUnitsAreReadStoredAndWrittenByteForByteAndAMissingLinkIsLogged) {
    EXPECT_EQ(kTypicalDocuments, WrittenDocuments());
    auto inOrder = [](uint32_t a, uint32_t b) { return FindCatalogueEntry(a) < FindCatalogueEntry(b); };
    EXPECT_TRUE(std::is_sorted(store.writes.begin(), store.writes.end(), inOrder));
    EXPECT_EQ((std::vector<uint8_t>{0x26, 0x20, 0x01, 0x00, 0x01, 0}), store.values[147]);
    EXPECT_EQ((std::vector<unsigned>(3, 500000)), host.sleeps);  // each address read back after a pause
    lunConfig.ItpLinks.clear();
    EXPECT_NE(std::string::npos, WrittenDocuments().find("<EmpKeepAliveInterval>60</EmpKeepAliveInterval>\r\n</LunConfig>\n"));
    EXPECT_EQ((std::vector<std::string>{"L2 GetXmlFromLunConfig: missing ITP link"}), log.lines);
}

// Each document and all that it stores.
TEST_F(Documents, StoreWhatTheyHoldUpToANul) {
    const std::pair<std::string, Stored> cases[] = {
        {std::string("<config><Power>7</Power></config>") + '\0' + "<LunConfig><LogLevel>1</LogLevel></LunConfig>",
         {{138, {7}}}},
        // Numbers read like strtol, held in 32 bits, cut to the width, in the host's byte order;
        // IPv4 texts like inet_addr, in network order; addresses of at most 11 characters, up to
        // a non-digit, the rest zero-filled even after a longer one.
        {"<config><RadioID>-1</RadioID><TxFreq>3000000000</TxFreq><RxFreq>-99999999999</RxFreq><Power>300</Power>"
         "<StfpLocalPort>70000</StfpLocalPort><ItpLocalPort>0x10</ItpLocalPort><ItpRemotePort>010</ItpRemotePort>"
         "<InstallType>\xC3\xA9</InstallType><NetLoggerIP>10.9.8.7</NetLoggerIP><ItpRemoteIP>010.0.0.0x1</ItpRemoteIP>"
         "<Address>7620011234A</Address><RfmAddress>762</RfmAddress></config><LunConfig><LunAddress>76x0011234</LunAddress></LunConfig>",
         {{135, HostBytes<uint32_t>(0xFFFFFFFF)}, {136, HostBytes<uint32_t>(0x7FFFFFFF)},
          {137, HostBytes<uint32_t>(0x80000000)}, {138, {44}}, {139, HostBytes<uint16_t>(70000 - 65536)},
          {141, {0, 0}}, {143, HostBytes<uint16_t>(10)}, {144, {0xC3}}, {158, {10, 9, 8, 7}}, {142, {8, 0, 0, 1}},
          {147, {0x76, 0x20, 0x01, 0x12, 0x34, 0}}, {148, {0x76, 0x20, 0, 0, 0, 0}}, {149, {0x76, 0, 0, 0, 0, 0}}}},
        // The duty-cycle rule: switched off, the duty cycle widens the window, as power limit 2 does (below).
        {"<config><KipDcPowerLimit>1</KipDcPowerLimit></config>", DutyCycle(1, 24, 7)},
        {"<config><KipDisableDutyCycle>1</KipDisableDutyCycle></config>", DutyCycle(0, 48, 48)},
        {"<config><KipDisableDutyCycle>256</KipDisableDutyCycle></config>", DutyCycle(0, 24, 7)},
    };
    for (const auto& [text, stored] : cases) {
        LoadTypicalRecords();
        store.values.clear();
        EXPECT_EQ(1, ApplyDocument(text)) << text;
        EXPECT_EQ(stored, store.values) << text;
    }
}

// What the records hold after an apply is what a restart loads from the store.
TEST_F(Documents, OnlyValuesThatReachedTheStoreReachTheRecords) {
    store.failingIds = {147, 134, 136, 139, 144, 158, 163};
    store.failingReadIds = {148};
    EXPECT_EQ(0, ApplyDocument("<config><Address>1234567890</Address><RfmAddress>11</RfmAddress><LogLevel>9</LogLevel>"
                       "<TxFreq>1</TxFreq><RxFreq>2</RxFreq><StfpLocalPort>1</StfpLocalPort>"
                       "<InstallType>B</InstallType><ItpRemoteIP>x</ItpRemoteIP><NetLoggerIP>1.2.3.4</NetLoggerIP>"
                       "<KipDcPowerLimit>2</KipDcPowerLimit></config><LunConfig><LunAddress>762001123456</LunAddress>"
                       "<ItpLink><RemotePort>6</RemotePort></ItpLink></LunConfig>"));
    EXPECT_EQ(log.lines, (std::vector<std::string>{
        "L2 UpdateBytesFromXml: error setting TLV", "L2 UpdateBytesFromXml: error checking TLV", "L2 UpdateUint8FromXml: error setting TLV",
        "L2 UpdateUint32FromXml: error setting TLV", "L2 UpdateUint16FromXml: error setting TLV", "L2 UpdateIpFromXml: error getting IP address",
        "L2 UpdateCharFromXml: error setting TLV", "L2 UpdateIpFromXml: error setting TLV", "L2 HandleKipDutyCycleXml: error setting DC params",
        "L2 UpdateBytesFromXml: error getting bytevector"}));
    EXPECT_EQ(HostBytes<uint16_t>(48), store.values[162]);  // the rule's other writes are made all the same
    const std::string applied = WrittenDocuments();
    store.failingIds.clear();
    store.failingReadIds.clear();
    EXPECT_TRUE(Restart());
    EXPECT_EQ(applied, WrittenDocuments());
}

}  // namespace
