#include "atcs_address.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::vector<uint8_t> Pack(const std::string& text, size_t size = 5, int* result = nullptr) {
    std::vector<uint8_t> bytes(size, 0xEE);
    int r = AtcsAddress::StringToNibbles(text, bytes, 0);
    if (result != nullptr) *result = r;
    return bytes;
}

std::string Print(const std::vector<uint8_t>& bytes, bool spaced = false) {
    std::ostringstream out;
    EXPECT_EQ(0, PrintBinaryBasic(bytes.data(), static_cast<unsigned>(bytes.size()), out, spaced));
    return out.str();
}

TEST(AtcsAddress, PacksDigitsHighNibbleFirstAndZeroesTheRest) {
    struct Case {
        const char* text;
        std::vector<uint8_t> bytes;
        int result;
    };
    const Case cases[] = {
        {"7620011234", {0x76, 0x20, 0x01, 0x12, 0x34}, 0},
        {"abcDEF5789", {0xAB, 0xCD, 0xEF, 0x57, 0x89}, 0},
        {"76", {0x76, 0, 0, 0, 0}, 0},
        {"762", {0x76, 0x20, 0, 0, 0}, 0},
        {"", {0, 0, 0, 0, 0}, 0},
        {"76x0011234", {0x76, 0, 0, 0, 0}, -1},
        {"7620011234A", {0x76, 0x20, 0x01, 0x12, 0x34}, -1},
        {" 7620011234", {0, 0, 0, 0, 0}, -1},
    };
    for (const Case& c : cases) {
        int result = -2;
        EXPECT_EQ(c.bytes, Pack(c.text, 5, &result)) << c.text;
        EXPECT_EQ(c.result, result) << c.text;
    }
}

TEST(AtcsAddress, NeverChangesTheVectorSize) {
    EXPECT_EQ((std::vector<uint8_t>{0x12, 0x34}), Pack("1234567890", 2));
    EXPECT_TRUE(Pack("1234", 0).empty());
    std::vector<uint8_t> bytes(5, 7);
    EXPECT_EQ(-1, AtcsAddress::StringToNibbles("1234", bytes, 1));
    EXPECT_EQ(std::vector<uint8_t>(5, 7), bytes);
}

TEST(AtcsAddress, PrintsUppercaseWithOptionalBlanks) {
    EXPECT_EQ("ABCDEF4589", Print({0xAB, 0xCD, 0xEF, 0x45, 0x89}));
    EXPECT_EQ("0A FF 10", Print({0x0a, 0xff, 0x10}, true));
    EXPECT_EQ("", Print({}));
    std::ostringstream failed;
    failed.setstate(std::ios::badbit);
    const uint8_t byte = 1;
    EXPECT_NE(0, PrintBinaryBasic(&byte, 1, failed, false));
}

}  // namespace
