#include "client_tool.h"

#include <gtest/gtest.h>

#include <sstream>

#include "apply_config.h"
#include "capturing_logger.h"
#include "dor_document.h"
#include "fake_param_service.h"
#include "global_records.h"
#include "lun_document.h"
#include "recording_host_calls.h"

namespace {

/// Runs the client against a transport that records what it would send.
struct Client {
    std::vector<std::string> sent;
    std::string host;
    std::string reply = "REPLY";
    ExchangeResult result = ExchangeResult::kReply;
    std::string input;
    bool interactive = false;
    std::string out, err;

    int Run(const std::vector<std::string>& args) {
        std::istringstream in(input);
        std::ostringstream outStream, errStream;
        int status = RunClientTool(args, {in, outStream, errStream, interactive},
                                   [this](const DaemonAddress& daemon, const std::string& request,
                                          std::string& answer, std::string& error) {
                                       host = daemon.host;
                                       sent.push_back(request);
                                       answer = reply;
                                       error = "timed out";
                                       return result;
                                   });
        out = outStream.str();
        err = errStream.str();
        return status;
    }
};

TEST(ClientTool, KeysListsEveryKeyTheDaemonAppliesInItsOrder) {
    Client client;
    EXPECT_EQ(0, client.Run({"keys"}));
    EXPECT_EQ(0u, client.out.find("key                               id   width  encoding\n"
                                  "config:Address                    147  6      atcs  10 hex digits\n"));
    EXPECT_NE(std::string::npos, client.out.find("config:KipDcPowerLimit            163  1      u8    0-255\n"
                                                 "config:KipDisableDutyCycle        -    -      u8    0-255\n"
                                                 "LunConfig:LunAddress              149  6      atcs  10 hex digits\n"));
}

TEST(ClientTool, RefusesBeforeSendingAnything) {
    const std::vector<std::vector<std::string>> refused = {
        {"set", "Power", "256"},           {"set", "LogLevel", "1"},          {"set", "Address", "12345"},
        {"set", "ItpRemoteIP", "1.2.3"},   {"set", "InstallType", "AB"},      {"set", "Powr", "1"},
        {"set", "Power", "1", "Power", "2"}, {"set", "Power"},                {"query", "FOO"},
        {"query", "REBOOT"},               {"get", "NetLoggerIP"},            {"frob"},
        {"--port", "0", "query", "DOR"},   {"apply", "/nonexistent"},         {},
        {"--port", "65536", "query", "DOR"}, {"--timeout", "0", "get", "Power"}, {"query", "DOR", "--host"},
        {"apply", "/tmp"},                 {"apply", "/proc/self/mem"},       {"set", "Power", "-1"},
        {"set", "InstallType", " "},
    };
    for (const auto& args : refused) {
        Client client;
        EXPECT_EQ(2, client.Run(args)) << testing::PrintToString(args);
        EXPECT_TRUE(client.sent.empty());
        EXPECT_EQ(1, std::count(client.err.begin(), client.err.end(), '\n')) << client.err;
    }
    Client client;
    client.Run({"set", "Power", "-1"});
    EXPECT_EQ("kip-param-client: config:Power: -1 is out of range 0-255\n", client.err);
    client.Run({"--port", "65536", "query", "DOR"});
    EXPECT_EQ("kip-param-client: --port takes a port number from 1 to 65535, not '65536'\n", client.err);

    // A long input is refused after one byte more than a datagram takes.
    client.input = std::string(5000, ' ');
    std::istringstream in(client.input);
    std::ostringstream out, err;
    EXPECT_EQ(2, RunClientTool({"apply", "-"}, {in, out, err, false}, nullptr));
    EXPECT_EQ(1501, in.tellg());
    EXPECT_EQ("kip-param-client: standard input holds more than 1500 bytes, which one datagram takes\n", err.str());
    const std::vector<std::string> documents = {
        "<config><Power>1</Power>",                             // not well-formed
        "<config><Powr>1</Powr></config>",                      // misspelt key
        "<config><Power>1</Power></config>" + std::string(1500, ' '),
        "<config/><ParamMessage><QueryType>DOR</QueryType></ParamMessage>",
        "<Power>1</Power>",
        std::string("<config><Power>1</Power></config>\0<x/>", 38),
    };
    for (const std::string& document : documents) {
        Client client;
        client.input = document;
        EXPECT_EQ(2, client.Run({"apply", "-"})) << document;
        EXPECT_TRUE(client.sent.empty());
    }
}

TEST(ClientTool, SetSendsTheSmallestDocument) {
    Client client;
    EXPECT_EQ(0, client.Run({"set", "RemotePort", "4001", "Power", "7", "TxFreq", "3000000000", "InstallType", "<",
                             "config:LogLevel", "2"}));
    EXPECT_EQ((std::vector<std::string>{"<config><Power>7</Power><TxFreq>-1294967296</TxFreq>"
                                        "<InstallType>&lt;</InstallType><LogLevel>2</LogLevel></config>"
                                        "<LunConfig><ItpLink><RemotePort>4001</RemotePort></ItpLink></LunConfig>"}),
              client.sent);
    EXPECT_EQ("REPLY", client.out);
    EXPECT_EQ(0, client.Run({"set", "--raw", "Power", "+9x"}));
    EXPECT_EQ("<config><Power>+9x</Power></config>", client.sent.back());
}

TEST(ClientTool, SendsQueriesAndDocumentsAsTheyAre) {
    Client client;
    client.input = "<config><Power>1</Power><LogConfig>x</LogConfig></config>\n";
    EXPECT_EQ(0, client.Run({"apply", "-"}));
    EXPECT_EQ(client.input, client.sent.back());
    EXPECT_EQ("kip-param-client: note: the daemon ignores config:LogConfig\n", client.err);

    client.reply = std::string("<?xml version=\"1.0\"?>\r\n<config xmlns=\"0\">\n<Power>5</Power>\r\n</config>\n");
    EXPECT_EQ(0, client.Run({"--port", "65535", "--timeout", "3600", "query", "DOR"}));  // the ranges' ends
    EXPECT_EQ("<ParamMessage><QueryType>DOR</QueryType></ParamMessage>", client.sent.back());
    EXPECT_EQ(client.reply, client.out);
    EXPECT_EQ(0, client.Run({"get", "config:Power"}));
    EXPECT_EQ("5\n", client.out);

    client.interactive = true;
    client.input = "yes\n";
    EXPECT_EQ(0, client.Run({"query", "REBOOT"}));
    EXPECT_EQ("<ParamMessage><QueryType>REBOOT</QueryType></ParamMessage>", client.sent.back());
    client.input = "no\n";
    EXPECT_EQ(2, client.Run({"query", "REBOOT"}));
    EXPECT_EQ(4u, client.sent.size());
}

/// Every document the daemon can write is read, and applied again, whatever
/// byte its InstallType holds: applying what a query showed gives the same
/// documents back.
TEST(ClientTool, ReadsAndAppliesEveryDocumentTheDaemonWrites) {
    for (int byte = 0; byte < 256; ++byte) {
        LoadTypicalRecords();
        dorConfig.InstallType.assign(1, static_cast<char>(byte));
        dorConfig.TxFreq = -1294967296;
        std::ostringstream shown;
        GetXmlFromDorConfig(shown, dorConfig);
        GetXmlFromLunConfig(shown, lunConfig);

        Client client;
        client.reply = shown.str();
        ASSERT_EQ(0, client.Run({"get", "Power"})) << byte << client.err;
        EXPECT_EQ("5\n", client.out);
        client.Run({"get", "TxFreq"});
        EXPECT_EQ("3000000000\n", client.out);
        client.Run({"--host", "10.0.0.5", "get", "InstallType"});
        EXPECT_EQ("10.0.0.5", client.host);
        if (byte == 0) {
            EXPECT_EQ("\\x00\n", client.out);
        }

        client.input = shown.str();
        ASSERT_EQ(0, client.Run({"apply", "-"})) << byte << client.err;
        const bool warned = client.err.find("warning: an empty or blank InstallType stores a NUL") != std::string::npos;
        FakeParamService store;
        CapturingLogger log;
        RecordingHostCalls host;
        ResetRecords();
        lunConfig.ItpLinks.emplace_back();
        GetConfigFromXmlData(dorConfig, lunConfig, kipParams, ByteVector(client.sent.back().begin(),
                                                                          client.sent.back().end()));
        dorConfig.LogConfig = "net:itp_addr=2620010001;local_port=34000;remote_addr=127.0.0.1;remote_port=52000";
        lunConfig.LogConfig = "net:itp_addr=2620010003;local_port=34001;remote_addr=127.0.0.1;remote_port=52000";
        dorConfig.StfpRemoteIP = "127.0.0.1";
        dorConfig.SendBeacons = 1;
        // What the daemon reads as empty (a NUL, a blank) stores a NUL, and says so.
        EXPECT_EQ(warned, dorConfig.InstallType == std::string(1, '\0')) << byte;
        if (warned) dorConfig.InstallType.assign(1, static_cast<char>(byte));
        std::ostringstream applied;
        GetXmlFromDorConfig(applied, dorConfig);
        GetXmlFromLunConfig(applied, lunConfig);
        EXPECT_EQ(shown.str(), applied.str()) << byte;
    }
}

TEST(ClientTool, SpeaksInItsOwnWordsWhenTheSendFails) {
    CapturingLogger log;
    std::ostringstream out, err;
    std::istringstream in;
    EXPECT_EQ(2, RunClientTool({"--host", "255.255.255.255", "query", "DOR"}, {in, out, err, false}, ExchangeDatagram));
    EXPECT_EQ("kip-param-client: cannot send to 255.255.255.255\n", err.str());
    EXPECT_TRUE(log.records.empty());
}

TEST(ClientTool, NoReplyInTimeIsExitOne) {
    Client client;
    client.result = ExchangeResult::kTimeout;
    EXPECT_EQ(1, client.Run({"get", "RemotePort"}));
    EXPECT_EQ(1, client.Run({"query", "LUN"}));

    // The real exchange against a loopback port where nobody listens.
    std::ostringstream out, err;
    std::istringstream in;
    EXPECT_EQ(1, RunClientTool({"--port", "9", "--timeout", "0.2", "query", "DOR"}, {in, out, err, false},
                               ExchangeDatagram));
    EXPECT_EQ("", out.str());
}

}  // namespace
