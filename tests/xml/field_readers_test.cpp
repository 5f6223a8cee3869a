#include "field_readers.h"

#include <gtest/gtest.h>

#include <cstring>

#include "capturing_logger.h"
#include "decimal_rule.h"
#include "fake_param_service.h"
#include "recording_host_calls.h"

namespace {

using Bytes = std::vector<uint8_t>;


std::string Config(const std::string& element, const std::string& text) {
    return "<config><" + element + ">" + text + "</" + element + "></config>";
}

TEST(DecimalRule, ReadsLikeStrtolClampedAndCut) {
    struct Case {
        const char* text;
        uint8_t u8;
        uint16_t u16;
        uint32_t u32;
    };
    const Case cases[] = {
        {"", 0, 0, 0},
        {"abc", 0, 0, 0},
        {" 42", 42, 42, 42},
        {"42abc", 42, 42, 42},
        {"+5", 5, 5, 5},
        {"0x10", 0, 0, 0},
        {"010", 10, 10, 10},
        {"300", 44, 300, 300},
        {"70000", 112, 4464, 70000},
        {"-1", 255, 65535, 4294967295u},
        {"3000000000", 255, 65535, 2147483647u},
        {"-2147483648", 0, 0, 2147483648u},
        {"-99999999999", 0, 0, 2147483648u},
    };
    for (const Case& c : cases) {
        uint32_t bits = static_cast<uint32_t>(DecimalValue(c.text));
        EXPECT_EQ(c.u8, static_cast<uint8_t>(bits)) << c.text;
        EXPECT_EQ(c.u16, static_cast<uint16_t>(bits)) << c.text;
        EXPECT_EQ(c.u32, bits) << c.text;
    }
}

TEST(FieldReaders, CharacterIsTheFirstOfTheText) {
    FakeParamService store;
    int applied = 0;
    uint8_t character = 1;
    UpdateCharFromXml(character, applied, "config:InstallType", Config("InstallType", "Bxyz").c_str(), 144);
    UpdateCharFromXml(character, applied, "config:InstallType", Config("InstallType", "").c_str(), 144);
    EXPECT_EQ((std::vector<ParamBytes>{{144, {'B'}}, {144, {0}}}), store.Writes());
}

TEST(FieldReaders, AbsentElementIsSuccessWithoutAnyCall) {
    FakeParamService store;
    CapturingLogger log;
    RecordingHostCalls host;
    const char* text = "<config><Other>1</Other></config>";
    int applied = 7;
    uint8_t u8 = 9;
    std::string ip = "kept";
    ByteVector bytes = {1, 2};
    EXPECT_EQ(1, UpdateUint8FromXml(u8, applied, "config:Power", text, 138));
    EXPECT_EQ(0, applied);
    EXPECT_EQ(1, UpdateIpFromXml(ip, applied, "config:ItpRemoteIP", text, 142));
    EXPECT_EQ(1, UpdateBytesFromXml(bytes, applied, "config:Address", text, 147));
    EXPECT_EQ(1, ReadUint8FromXml(u8, applied, "config:KipDcPowerLimit", text));
    EXPECT_EQ(0, applied);
    EXPECT_EQ(9, u8);
    EXPECT_EQ("kept", ip);
    EXPECT_EQ((ByteVector{1, 2}), bytes);
    EXPECT_TRUE(store.calls.empty());
    EXPECT_TRUE(log.records.empty());
    EXPECT_TRUE(host.sleeps.empty());
}

TEST(FieldReaders, FailedWriteIsLoggedByTheReaderThatMadeIt) {
    FakeParamService store;
    store.failingIds = {1};
    CapturingLogger log;
    RecordingHostCalls host;
    const std::string text = Config("V", "10.0.0.1");
    int applied = 1;
    uint8_t u8 = 0;
    uint16_t u16 = 0;
    uint32_t u32 = 0;
    std::string ip;
    ByteVector bytes;
    EXPECT_EQ(0, UpdateCharFromXml(u8, applied, "config:V", text.c_str(), 1));
    EXPECT_EQ(0, UpdateUint8FromXml(u8, applied, "config:V", text.c_str(), 1));
    EXPECT_EQ(0, UpdateUint16FromXml(u16, applied, "config:V", text.c_str(), 1));
    EXPECT_EQ(0, UpdateUint32FromXml(u32, applied, "config:V", text.c_str(), 1));
    EXPECT_EQ(0, UpdateIpFromXml(ip, applied, "config:V", text.c_str(), 1));
    EXPECT_EQ(0, UpdateBytesFromXml(bytes, applied, "config:V", text.c_str(), 1));
    EXPECT_EQ(0, applied);
    EXPECT_EQ((std::vector<std::string>{"L2 UpdateCharFromXml: error setting TLV",
                                        "L2 UpdateUint8FromXml: error setting TLV",
                                        "L2 UpdateUint16FromXml: error setting TLV",
                                        "L2 UpdateUint32FromXml: error setting TLV",
                                        "L2 UpdateIpFromXml: error setting TLV",
                                        "L2 UpdateBytesFromXml: error setting TLV"}),
              log.Lines());
    EXPECT_NE(log.records[1].line, log.records[2].line);
    for (const LogRecord& r : log.records) {
        EXPECT_EQ("app-kip-param.cpp", r.file);
    }
    EXPECT_TRUE(host.sleeps.empty());  // no read-back after a failed write
}

TEST(FieldReaders, IpAddressTextIsKeptAsWrittenAndStoredFirstOctetFirst) {
    FakeParamService store;
    CapturingLogger log;
    int applied = 0;
    std::string ip;
    EXPECT_EQ(1, UpdateIpFromXml(ip, applied, "config:ItpRemoteIP", Config("ItpRemoteIP", "10.1.2.3").c_str(), 142));
    EXPECT_EQ("10.1.2.3", ip);
    EXPECT_EQ((std::vector<ParamBytes>{{142, {10, 1, 2, 3}}}), store.Writes());

    EXPECT_EQ(0, UpdateIpFromXml(ip, applied, "config:ItpRemoteIP", Config("ItpRemoteIP", "not.an.ip").c_str(), 142));
    EXPECT_EQ(0, applied);
    EXPECT_EQ("not.an.ip", ip);
    EXPECT_EQ(1u, store.Writes().size());
    EXPECT_EQ((std::vector<std::string>{"L2 UpdateIpFromXml: error getting IP address"}), log.Lines());
}

TEST(FieldReaders, AtcsAddressIsWrittenWithAZeroByteThenReadBackAfterAPause) {
    FakeParamService store;
    CapturingLogger log;
    RecordingHostCalls host;
    host.onSleep = [&](unsigned) { EXPECT_TRUE(store.calls.back().set); };  // the pause comes between write and read-back
    int applied = 0;
    ByteVector address;
    EXPECT_EQ(1, UpdateBytesFromXml(address, applied, "config:Address", Config("Address", "7620011234").c_str(), 147));
    EXPECT_EQ(1, applied);
    EXPECT_EQ((ByteVector{0x76, 0x20, 0x01, 0x12, 0x34}), address);
    ASSERT_EQ(2u, store.calls.size());
    EXPECT_EQ((Bytes{0x76, 0x20, 0x01, 0x12, 0x34, 0}), store.calls[0].bytes);
    EXPECT_FALSE(store.calls[1].set);
    EXPECT_EQ(147u, store.calls[1].id);
    EXPECT_EQ(6u, store.calls[1].length);
    EXPECT_EQ((std::vector<unsigned>{500000}), host.sleeps);

    store.failingReadIds = {148};
    EXPECT_EQ(0, UpdateBytesFromXml(address, applied, "config:Address", Config("Address", "11").c_str(), 148));
    EXPECT_EQ(1, applied);
    EXPECT_EQ((ByteVector{0x11, 0, 0, 0, 0}), address);

    EXPECT_EQ(0, UpdateBytesFromXml(address, applied, "config:Address", Config("Address", "762001123456").c_str(), 147));
    EXPECT_EQ(0, applied);
    EXPECT_EQ((ByteVector{0x11, 0, 0, 0, 0}), address);
    EXPECT_EQ((std::vector<std::string>{"L2 UpdateBytesFromXml: error checking TLV",
                                        "L2 UpdateBytesFromXml: error getting bytevector"}),
              log.Lines());
    EXPECT_EQ(2u, store.Writes().size());
}

}  // namespace
