#include <gtest/gtest.h>

#include <sstream>

#include "capturing_logger.h"
#include "dor_document.h"
#include "global_records.h"
#include "lun_document.h"

namespace {

template <class Config>
std::string Render(std::ostream& (*write)(std::ostream&, const Config&), const Config& config) {
    std::ostringstream out;
    write(out, config);
    return out.str();
}
std::string Dor(const DorConfig& config) { return Render(GetXmlFromDorConfig, config); }
std::string Lun(const LunConfig& config) { return Render(GetXmlFromLunConfig, config); }

size_t Lines(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

TEST(Documents, DorDocumentBytes) {
    LoadTypicalRecords();
    EXPECT_EQ(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<config xmlns=\"0\">\n"
        "<LogLevel>3</LogLevel>\r\n"
        "<LogConfig>net:itp_addr=2620010001;local_port=34000;remote_addr=127.0.0.1;remote_port=52000</LogConfig>\r\n"
        "<RunAsDaemon>0</RunAsDaemon>\r\n"
        "<Address>2620010001</Address>\r\n"
        "<RfmAddress>2620010002</RfmAddress>\r\n"
        "<RadioID>12</RadioID>\r\n"
        "<TxFreq>160215000</TxFreq>\r\n"
        "<RxFreq>161115000</RxFreq>\r\n"
        "<Power>5</Power>\r\n"
        "<SendBeacons>1</SendBeacons>\r\n"
        "<InstallType>A</InstallType>\r\n"
        "<ClusterMemberId>1</ClusterMemberId>\r\n"
        "<ClusterSize>2</ClusterSize>\r\n"
        "<StfpLocalPort>5000</StfpLocalPort>\r\n"
        "<StfpRemoteIP>127.0.0.1</StfpRemoteIP>\r\n"
        "<StfpRemotePort>5001</StfpRemotePort>\r\n"
        "<ItpLocalPort>6000</ItpLocalPort>\r\n"
        "<ItpRemoteIP>10.1.2.3</ItpRemoteIP>\r\n"
        "<ItpRemotePort>6001</ItpRemotePort>\r\n"
        "</config>\n",
        Dor(dorConfig));
}

TEST(Documents, DorValuesAreWrittenAsTheyAre) {
    DorConfig config;
    EXPECT_EQ(22u, Lines(Dor(config)));
    EXPECT_NE(std::string::npos, Dor(config).find("<LogConfig></LogConfig>\r\n<RunAsDaemon>0</RunAsDaemon>"));
    config.StfpLocalPort = 65535;
    config.TxFreq = -1;
    config.InstallType = "<";
    config.Address = ByteVector(6, 0x11);
    config.ItpRemoteIP = std::string("a\0b", 3);
    const std::string text = Dor(config);
    for (const std::string& line : {std::string("<StfpLocalPort>65535</StfpLocalPort>\r\n"),
                                    std::string("<TxFreq>-1</TxFreq>\r\n"),
                                    std::string("<InstallType><</InstallType>\r\n"),
                                    std::string("<Address></Address>\r\n"),
                                    std::string("<ItpRemoteIP>a\0b</ItpRemoteIP>\r\n", 32)}) {
        EXPECT_NE(std::string::npos, text.find(line)) << line;
    }
}

TEST(Documents, LunDocumentBytesWithTheFirstLinkOnly) {
    LoadTypicalRecords();
    lunConfig.ItpLinks.push_back({1, "9.9.9.9", 2});
    EXPECT_EQ(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<LunConfig xmlns=\"0\">\n"
        "<LogLevel>4</LogLevel>\r\n"
        "<LogConfig>net:itp_addr=2620010003;local_port=34001;remote_addr=127.0.0.1;remote_port=52000</LogConfig>\r\n"
        "<LunAddress>2620010003</LunAddress>\r\n"
        "<WiuLocalPort>7000</WiuLocalPort>\r\n"
        "<WiuLocalCount>8</WiuLocalCount>\r\n"
        "<EmpDataAckTimeout>30</EmpDataAckTimeout>\r\n"
        "<EmpKeepAliveInterval>60</EmpKeepAliveInterval>\r\n"
        "<ItpLink>\n"
        "<LocalPort>4000</LocalPort>\r\n"
        "<RemoteAddress>127.50.50.50</RemoteAddress>\r\n"
        "<RemotePort>4001</RemotePort>\r\n"
        "</ItpLink>\n"
        "</LunConfig>\n",
        Lun(lunConfig));
}

TEST(Documents, LunWithoutLinkIsStillWellFormedAndLogged) {
    CapturingLogger log;
    LunConfig config;
    const std::string text = Lun(config);
    EXPECT_EQ(10u, Lines(text));
    EXPECT_NE(std::string::npos, text.find("<EmpKeepAliveInterval>0</EmpKeepAliveInterval>\r\n</LunConfig>\n"));
    EXPECT_EQ((std::vector<std::string>{"L2 GetXmlFromLunConfig: missing ITP link"}), log.Lines());
}

TEST(Documents, AStreamWithoutABufferEndsBadAndNothingBreaks) {
    LoadTypicalRecords();
    std::ostream detached(nullptr);
    EXPECT_TRUE(GetXmlFromDorConfig(detached, dorConfig).bad());
    EXPECT_TRUE(GetXmlFromLunConfig(detached, lunConfig).bad());
}

}  // namespace
