#include "encodings.h"

#include <gtest/gtest.h>

#include "capturing_logger.h"
#include "derived_params.h"
#include "host_bytes.h"

// Each text, the bytes its destination holds afterwards (an IPv4 value in
// network order) and the text those print back as; nullptr for a refused text.
TEST(Encodings, AddressTextsStoreAsBytesAndPrintBack) {
    struct Case { bool ip; const char* text; ByteVector bytes; const char* printed; };
    const ByteVector before(7, 0x99), none(4, 0xFF);
    const Case cases[] = {
        {true, "127.0.0.1", {127, 0, 0, 1}, "127.0.0.1"}, {true, "010.0.0.0x1", {8, 0, 0, 1}, "8.0.0.1"},
        {true, "", none, nullptr}, {true, "256.1.1.1", none, nullptr}, {true, "10.1.2.3x", none, nullptr},
        {false, "abcDEF5789", {0xAB, 0xCD, 0xEF, 0x57, 0x89}, "ABCDEF5789"},
        {false, "762", {0x76, 0x20, 0, 0, 0}, "7620000000"}, {false, "7620011234AB", before, nullptr},
        {false, "76x0011234", {0x76, 0, 0, 0, 0}, "7600000000"},  // packing stops at a non-digit
        {false, "7620011234A", {0x76, 0x20, 0x01, 0x12, 0x34}, "7620011234"},  // eleven characters pass
    };
    for (const Case& c : cases) {
        ByteVector bytes = before;
        uint32_t ip = 0;
        const bool taken = c.ip ? StringToIp(ip, c.text) : StringToAtcsAddress(bytes, c.text);
        if (c.ip) bytes = HostBytes(ip);
        EXPECT_EQ(c.bytes, bytes) << c.text;
        if (!taken) continue;
        char printed[16] = "zzzz";
        EXPECT_TRUE(c.ip ? IpToString(printed, ip) : AtcsAddressToString(printed, bytes));
        EXPECT_STREQ(c.printed, printed);
    }
    char printed[11] = "zzzz";  // an address of another size prints as nothing
    EXPECT_TRUE(!AtcsAddressToString(printed, ByteVector(6, 1)) && printed == std::string());
    char cut[5];  // a smaller buffer takes what fits, terminated
    EXPECT_TRUE(AtcsAddressToString(cut, ByteVector{0x76, 0x20, 1, 2, 3}) && cut == std::string("7620"));
}

// An address that no text gives (more than 5 bytes) is logged, and leaves
// both log configurations as they were.
TEST(Encodings, AnUnprintableAddressIsLoggedAndKeepsTheLogConfigurations) {
    const struct { ByteVector dor, lun; std::string entry; } cases[] = {
        {ByteVector(6, 1), ByteVector(5, 1), "L2 UpdateKipDerivedParams: error getting dor address"},
        {ByteVector(5, 1), ByteVector(6, 1), "L2 UpdateKipDerivedParams: error getting lun address"},
    };
    for (const auto& c : cases) {
        CapturingLogger log;
        dorConfig.Address = c.dor;
        lunConfig.LunAddress = c.lun;
        dorConfig.LogConfig = lunConfig.LogConfig = "kept";
        UpdateKipDerivedParams();
        EXPECT_EQ(std::vector<std::string>{c.entry}, log.lines);
        EXPECT_EQ("kept kept", dorConfig.LogConfig + " " + lunConfig.LogConfig) << c.entry;
    }
}
