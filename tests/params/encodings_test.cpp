#include "encodings.h"

#include <gtest/gtest.h>

#include <cstring>

#include "host_bytes.h"

namespace {

TEST(Encodings, Ipv4IsNetworkOrderFirstOctetFirst) {
    uint32_t value = 0;
    for (const char* text : {"127.0.0.1", "255.255.255.254"}) {  // the second is the longest text
        char printed[16] = "";
        ASSERT_TRUE(StringToIp(value, text));
        EXPECT_TRUE(IpToString(printed, value));
        EXPECT_STREQ(text, printed);
    }
    ASSERT_TRUE(StringToIp(value, "127.0.0.1"));
    EXPECT_EQ((std::vector<uint8_t>{127, 0, 0, 1}), HostBytes(value));
    for (const char* text : {"", "hello", "1.2.3.4.5", "256.1.1.1", "255.255.255.255", "10.1.2.3x"}) {
        EXPECT_FALSE(StringToIp(value, text)) << text;
    }
}

TEST(Encodings, AtcsTextFillsExactlyFiveBytes) {
    const std::pair<const char*, ByteVector> cases[] = {
        {"7620011234", {0x76, 0x20, 0x01, 0x12, 0x34}},
        {"12", {0x12, 0, 0, 0, 0}},
        {"7620011234A", {0x76, 0x20, 0x01, 0x12, 0x34}},  // 11 characters still pass
    };
    for (const auto& [text, bytes] : cases) {
        for (ByteVector address : {ByteVector{1, 2, 3}, ByteVector(7, 9)}) {
            EXPECT_TRUE(StringToAtcsAddress(address, text));
            EXPECT_EQ(bytes, address) << text;
        }
    }
    ByteVector refused = {1, 2, 3};
    EXPECT_FALSE(StringToAtcsAddress(refused, "7620011234AB"));
    EXPECT_EQ((ByteVector{1, 2, 3}), refused);
}

TEST(Encodings, AtcsAddressPrintsIntoTheCallersBufferOnly) {
    char text[11];
    std::memset(text, 'z', sizeof text);
    EXPECT_TRUE(AtcsAddressToString(text, ByteVector{0x76, 0x20, 0x01, 0x12, 0x34}));
    EXPECT_STREQ("7620011234", text);
    EXPECT_TRUE(AtcsAddressToString(text, ByteVector{0xAB}));
    EXPECT_STREQ("AB", text);
    EXPECT_TRUE(AtcsAddressToString(text, ByteVector{}));
    EXPECT_STREQ("", text);
    EXPECT_FALSE(AtcsAddressToString(text, ByteVector(6, 1)));
    EXPECT_STREQ("", text);

    char small[5] = "zzzz";
    EXPECT_TRUE(AtcsAddressToString(small, sizeof small, ByteVector{0x76, 0x20, 0x01}));
    EXPECT_STREQ("7620", small);
}

}  // namespace
