#include "encodings.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(Encodings, Ipv4ValueIsNetworkOrderFirstOctetFirst) {
    uint32_t value = 0;
    ASSERT_TRUE(StringToIp(value, "127.0.0.1"));
    uint8_t bytes[4];
    std::memcpy(bytes, &value, 4);
    EXPECT_EQ(127, bytes[0]);
    EXPECT_EQ(0, bytes[1]);
    EXPECT_EQ(0, bytes[2]);
    EXPECT_EQ(1, bytes[3]);

    char text[16] = "";
    ASSERT_TRUE(IpToString(text, value));
    EXPECT_STREQ("127.0.0.1", text);

    const uint8_t widest[4] = {255, 255, 255, 254};
    std::memcpy(&value, widest, 4);
    ASSERT_TRUE(IpToString(text, value));
    EXPECT_STREQ("255.255.255.254", text);
}

TEST(Encodings, TextThatIsNoIpv4AddressIsRefused) {
    for (const char* text : {"", "hello", "1.2.3.4.5", "256.1.1.1", "255.255.255.255", "10.1.2.3x"}) {
        uint32_t value = 0;
        EXPECT_FALSE(StringToIp(value, text)) << text;
    }
}

TEST(Encodings, AtcsTextFillsExactlyFiveBytes) {
    ByteVector shorter = {1, 2, 3};
    EXPECT_TRUE(StringToAtcsAddress(shorter, "7620011234"));
    EXPECT_EQ((ByteVector{0x76, 0x20, 0x01, 0x12, 0x34}), shorter);

    ByteVector longer = {9, 9, 9, 9, 9, 9, 9};
    EXPECT_TRUE(StringToAtcsAddress(longer, "12"));
    EXPECT_EQ((ByteVector{0x12, 0, 0, 0, 0}), longer);

    ByteVector kept = {1, 2, 3};
    EXPECT_TRUE(StringToAtcsAddress(kept, "7620011234A"));  // 11 characters still pass
    EXPECT_EQ(5u, kept.size());
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
    char guard = 'g';
    EXPECT_TRUE(AtcsAddressToString(small, sizeof small, ByteVector{0x76, 0x20, 0x01}));
    EXPECT_STREQ("7620", small);
    EXPECT_EQ('g', guard);
}

}  // namespace
