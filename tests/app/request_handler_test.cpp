#include "request_handler.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "capturing_logger.h"
#include "dor_document.h"
#include "fake_param_service.h"
#include "global_records.h"
#include "loopback.h"
#include "lun_document.h"
#include "recording_host_calls.h"
#include "status_dir.h"

namespace {

std::string Report(const char* dor, const char* lun, int count, const char* kip) {
    return std::string("Updates applied to DOR:") + dor + "\nUpdates applied to LUN:" + lun +
           "\nResponse count:" + std::to_string(count) + "\n\nKipParams:\n" + kip;
}

/// A document of the records as they are now.
template <class Config>
std::string Now(std::ostream& (*write)(std::ostream&, const Config&), const Config& config) {
    std::ostringstream out;
    write(out, config);
    return out.str();
}

class RequestHandler : public ::testing::Test {
protected:
    void SetUp() override {
        LoadTypicalRecords();
        responseCount = 0;
    }

    /// One datagram through the handler; returns what the client got.
    std::string Exchange(const std::string& datagram, int expectSent = 1) {
        loop.Deliver(datagram);
        EXPECT_EQ(expectSent, HandleReceivedData(&loop.server));
        return loop.Reply();
    }

    FakeParamService store;
    CapturingLogger log;
    RecordingHostCalls host;
    StatusDir status;
    Loopback loop;
};

TEST_F(RequestHandler, QueriesAnswerWithDocumentsAndChangeNothing) {
    EXPECT_EQ(Now(GetXmlFromDorConfig, dorConfig), Exchange(QueryMessage("DOR")));
    EXPECT_EQ(Now(GetXmlFromLunConfig, lunConfig), Exchange(QueryMessage("LUN")));
    for (const char* value : {"dor", "DOR ", "DORX", "", "LUNA", "reboot"}) {
        EXPECT_EQ("Invalid query parameter.\n", Exchange(QueryMessage(value))) << value;
    }
    // A query wins over documents in the same datagram.
    EXPECT_EQ("Invalid query parameter.\n", Exchange("<config><Power>9</Power></config>" + QueryMessage("x")));
    EXPECT_TRUE(store.calls.empty());
    EXPECT_TRUE(host.commands.empty());
    EXPECT_EQ("<missing>", status.Dor());
    EXPECT_EQ("<missing>", status.Lun());
    EXPECT_EQ(9, responseCount);
}

TEST_F(RequestHandler, RebootRunsAfterTheReplyWasSent) {
    EXPECT_EQ("System will reboot.\n", Exchange(QueryMessage("REBOOT")));
    EXPECT_EQ((std::vector<std::string>{"/sbin/init 6"}), host.commands);
    EXPECT_EQ((std::vector<unsigned>{2000000}), host.sleeps);

    loop.Deliver(QueryMessage("REBOOT"));
    close(loop.server.sock);  // the reply cannot go out, the restart still does
    loop.server.sock = -1;
    EXPECT_EQ(0, HandleReceivedData(&loop.server));
    EXPECT_EQ(2u, host.commands.size());
    EXPECT_EQ((std::vector<std::string>{"L2 UdpSendData: error sending packet",
                                        "L2 HandleReceivedData: error sending data"}),
              log.Lines());
}

TEST_F(RequestHandler, DocumentsAreAppliedReportedAndRewriteTheirStatusFiles) {
    std::ofstream(statusFilePaths.dor) << std::string(5000, 'z');  // a longer file is cut, not overlaid
    kipParams.KipEmpInterval = 200;
    EXPECT_EQ(Report("SUCCESS", "NA", 1,
                     "config:KipEmpInterval:200\nconfig:KipDcPowerLimit:2\nconfig:KipDisableDutyCycle:0\n"
                     "  actual:DcWindowSize:48\n  actual:DcTransmitLimit:48\n"),
              Exchange("<config><KipDcPowerLimit>2</KipDcPowerLimit><Address>1234567890</Address></config>"));
    EXPECT_EQ(Now(GetXmlFromDorConfig, dorConfig), status.Dor());
    EXPECT_NE(std::string::npos, status.Dor().find("<Address>1234567890</Address>"));
    EXPECT_NE(std::string::npos, status.Dor().find("net:itp_addr=1234567890;"));
    EXPECT_EQ("<missing>", status.Lun());

    // The LUN document's reply stays in the buffer: the shorter request after it must not see it.
    Exchange(QueryMessage("LUN"));
    EXPECT_EQ(0u, Exchange("<LunConfig/>").find(Report("NA", "SUCCESS", 3, "")));
    EXPECT_EQ(Now(GetXmlFromLunConfig, lunConfig), status.Lun());
    EXPECT_EQ(0u, Exchange("<config/><LunConfig/>").find(Report("SUCCESS", "SUCCESS", 4, "")));
    std::string cutQuery = QueryMessage("DOR");
    cutQuery[3] = '\0';  // a NUL ends the request's text
    EXPECT_EQ(0u, Exchange(cutQuery).find(Report("NA", "NA", 5, "")));
}

TEST_F(RequestHandler, FailuresAreLoggedAndStillReported) {
    store.failingIds = {138};
    EXPECT_EQ(0u, Exchange("<config><Power>3</Power></config>").find(Report("SUCCESS", "NA", 1, "")));
    EXPECT_EQ(5, dorConfig.Power);
    EXPECT_NE(std::string::npos, status.Dor().find("<Power>5</Power>"));

    statusFilePaths.dor = "/nonexistent-directory/dor.xml";  // skipped, the other file still written
    EXPECT_EQ(0u, Exchange("<config/><LunConfig/>").find(Report("SUCCESS", "SUCCESS", 2, "")));
    EXPECT_EQ(Now(GetXmlFromLunConfig, lunConfig), status.Lun());
    EXPECT_EQ((std::vector<std::string>{"L2 UpdateUint8FromXml: error setting TLV",
                                        "L2 HandleReceivedData: error GetConfigFromXmlData",
                                        "L2 WriteDorXmlFile: error opening /nonexistent-directory/dor.xml"}),
              log.Lines());
}

TEST_F(RequestHandler, OverlongReplyIsCutToTheBuffer) {
    dorConfig.LogConfig = std::string(3000, 'x');
    const std::string reply = Exchange(QueryMessage("DOR"));
    EXPECT_EQ(1503u, reply.size());
    EXPECT_EQ(0u, reply.find("<?xml"));
    EXPECT_EQ((std::vector<std::string>{"L2 HandleReceivedData: reply truncated"}), log.Lines());
}

}  // namespace
