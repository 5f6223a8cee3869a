#include "records.h"

#include <gtest/gtest.h>

namespace {

TEST(Records, LinkCopiesAreIndependent) {
    LunLinkConfigStruct source{4000, "127.50.50.50", 4001};
    LunLinkConfigStruct copy = source;
    copy.RemoteAddress = "10.0.0.1";
    EXPECT_EQ("127.50.50.50", source.RemoteAddress);
    source.RemoteAddress[0] = '9';
    EXPECT_EQ("10.0.0.1", copy.RemoteAddress);

    LunLinkConfigStruct assigned;
    assigned = source;
    LunLinkConfigStruct& self = assigned;
    assigned = self;
    EXPECT_EQ(4000, assigned.LocalPort);
    EXPECT_EQ("927.50.50.50", assigned.RemoteAddress);
    EXPECT_EQ(4001, assigned.RemotePort);
}

TEST(Records, InstallTypeKeepsAnyByte) {
    DorConfig dor;
    dor.InstallType = std::string(1, '\0');
    EXPECT_EQ(1u, dor.InstallType.size());
    dor.InstallType[0] = '<';
    EXPECT_EQ("<", dor.InstallType);
}

}  // namespace
