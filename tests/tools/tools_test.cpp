// The operator tools as a shell runs them: a command line in; the exit status,
// the output and what reached the daemon or the store out.
#include <gtest/gtest.h>

#include <sstream>

#include "client_tool.h"
#include "fake_param_service.h"
#include "global_records.h"
#include "host_bytes.h"
#include "recording_host_calls.h"
#include "store_tool.h"

/// Runs "client ARGS" or "store ARGS", split at each blank, with `input` on
/// standard input; `out` and `err` collect what every run printed. The
/// client's transport records each request and answers `reply`.
struct Shell {
    std::string input{}, reply{};
    std::ostringstream out{}, err{};
    std::vector<std::string> sent{};
    Transport transport = [this](auto&, auto& request, auto& answer, auto&) {
        sent.push_back(request);
        answer = reply;
        return ExchangeResult::kReply;
    };

    int Run(const std::string& line) {
        std::istringstream words(line), in(input);
        std::string tool, word;
        std::vector<std::string> args;
        for (std::getline(words, tool, ' '); std::getline(words, word, ' ');) args.push_back(word);
        return tool == "store" ? RunStoreTool(args, out, err)
                               : RunClientTool(args, {in, out, err, false}, transport);
    }
};

TEST(Tools, RefuseBadInputWithOneLineAndSendOrStoreNothing) {
    const struct { std::string line, error, input{}; } cases[] = {
        {"client", "no command given (see --help)"}, {"client frob", "unknown command 'frob' (see --help)"},
        {"client --port 65536 query DOR", "--port takes a port number from 1 to 65535, not '65536'"},
        {"client --port 0 query DOR", "--port takes a port number from 1 to 65535, not '0'"},
        {"client query REBOOT", "query REBOOT restarts the unit; add --yes"}, {"client --timeout", "--timeout needs a value (see --help)"},
        {"client set Power", "set takes KEY VALUE pairs"}, {"client set Power 1 Power 2", "config:Power given twice"},
        {"client set Powr 1", "no key 'Powr' (see: kip-param-client keys)"},
        {"client set LogLevel 1", "key 'LogLevel' is ambiguous: config:LogLevel, LunConfig:LogLevel"},
        {"client set Power -1", "config:Power: -1 is out of range 0-255"},
        {"client set InstallType \t", "config:InstallType cannot be a blank: the daemon would store a NUL byte"},
        {"client get NetLoggerIP", "config:NetLoggerIP is in no document the daemon sends; see the KipParams lines of "
                                   "an apply's report or the LogConfig texts; on the unit: kip-param-store get 158"},
        {"client apply -", "standard input holds more than 1500 bytes, which one datagram takes", std::string(1501, 0)},
        {"client apply -", "document is not well-formed XML: Error reading Element value. (row 0)", "<config><Power>"},
        {"client apply -", "unknown element config:Powr (see: kip-param-client keys)", "<config><Powr/></config>"},
        {"client apply -", "document holds a ParamMessage element, which makes it a query", "<config/><ParamMessage/>"},
        {"client apply -", "document holds neither a config nor a LunConfig element", "<Power>1</Power>"},
        {"client apply -", "document holds a NUL byte; the daemon would stop reading there", {"<config/>\0", 10}},
        {"client apply /", "cannot read /: Is a directory"},
        {"store", "no command given (see --help)"}, {"store frob", "unknown command 'frob' (see --help)"},
        {"store get 134 135", "get takes 1 argument(s), got 2 (see --help)"},
        {"store get 4294967430", "'4294967430' is not a parameter id"},
        {"store set --hex 135 00007b", "parameter 135 (DorConfig.RadioID) takes 4 bytes, got 3"},
        {"store set 139 65536", "parameter 139 (DorConfig.StfpLocalPort): 65536 is out of range 0-65535"},
        {"store set 142 010.0.0.1", "parameter 142 (DorConfig.ItpRemoteIP): '010.0.0.1' is not a dotted IPv4 address"},
        {"store set 147 262001009G", "parameter 147 (DorConfig.Address): '262001009G' is not an ATCS address of 10 hex digits"},
        {"store set 144 AB", "parameter 144 (DorConfig.InstallType): 'AB' is not one character (or \\xNN)"},
    };
    for (const auto& c : cases) {
        FakeParamService store;
        Shell shell{c.input};
        EXPECT_EQ(2, shell.Run(c.line)) << c.line;
        EXPECT_EQ("kip-param-" + c.line.substr(0, c.line.find(' ')) + ": " + c.error + "\n", shell.err.str());
        EXPECT_TRUE(shell.sent.empty() && store.writes.empty()) << c.line;
    }
}

/// Whatever byte its InstallType holds, a document the daemon wrote is read,
/// and applying it stores what gives the same documents after a restart.
TEST(Tools, ClientReadsAndAppliesEveryDocumentTheDaemonWrites) {
    FakeParamService store;
    RecordingHostCalls host;
    store.values[158] = {127, 0, 0, 1};  // NetLoggerIP, in no document
    for (int byte = 0; byte < 256; ++byte) {
        LoadTypicalRecords();
        dorConfig.InstallType.assign(1, static_cast<char>(byte));
        dorConfig.TxFreq = -1294967296;
        Shell client{WrittenDocuments(), WrittenDocuments()};
        ASSERT_EQ(0, client.Run("client --port 65535 --timeout 3600 query DOR")) << client.err.str();
        ASSERT_EQ(0, client.Run("client get TxFreq") + client.Run("client get Power"));
        EXPECT_EQ(client.reply + "3000000000\n5\n", client.out.str()) << "the reply as it came, then the values";
        ASSERT_EQ(0, client.Run("client apply -")) << byte << client.err.str();
        ApplyDocument(client.sent.back());
        Restart();
        // What the daemon reads as empty (a NUL, a blank) stores a NUL, and the client says so.
        const bool warned = client.err.str().find("warning: an empty or blank InstallType") != std::string::npos;
        EXPECT_EQ(warned, dorConfig.InstallType == std::string(1, '\0')) << byte;
        if (warned) dorConfig.InstallType.assign(1, static_cast<char>(byte));
        EXPECT_EQ(client.input, WrittenDocuments()) << byte;
    }
}

// It lists its keys, names the elements of a document that the daemon
// ignores, sends values as typed when asked, and names its network failures.
TEST(Tools, ClientSpeaksInItsOwnWords) {
    Shell client{"<config><Power>1</Power><LogConfig>x</LogConfig></config>"};
    client.input.resize(1500, ' ');  // one datagram's worth, exactly
    EXPECT_EQ(0, client.Run("client keys"));
    EXPECT_EQ(0u, client.out.str().find("key                               id   width  encoding\n"
                                        "config:Address                    147  6      atcs  10 hex digits\n"));
    EXPECT_EQ(0, client.Run("client apply -"));
    EXPECT_EQ(0, client.Run("client set --raw Power 0x10 InstallType \t"));
    EXPECT_EQ("<config><Power>0x10</Power><InstallType>\t</InstallType></config>", client.sent.back());
    client.transport = ExchangeDatagram;
    EXPECT_EQ(1, client.Run("client --port 9 --timeout 0.2 query DOR"));  // nobody listens there
    EXPECT_EQ(2, client.Run("client --host 255.255.255.255 query DOR"));
    EXPECT_EQ("kip-param-client: note: the daemon ignores config:LogConfig\n"
              "kip-param-client: warning: an empty or blank InstallType stores a NUL byte, which makes the daemon's "
              "documents not well-formed XML for other readers\n"
              "kip-param-client: no reply from 127.0.0.1:9 within 200 ms\n"
              "kip-param-client: cannot send to 255.255.255.255\n",
              client.err.str());
}

TEST(Tools, StoreKeepsValuesAsTheirHostOrderBytesAndShowsThemBack) {
    const struct { std::string id, text; std::vector<uint8_t> bytes; std::string shown; } cases[] = {
        {"000000160", "255", {255}, "255"}, {"140", "513", HostBytes<uint16_t>(513), "513"}, {"144", "\t", {9}, "\\x09"},
        {"135", "305419896", HostBytes<uint32_t>(305419896), "305419896"}, {"144", "\\x7e", {'~'}, "~"},
        {"142", "10.1.2.3", {10, 1, 2, 3}, "10.1.2.3"}, {"--hex 135", "0000007b", {0, 0, 0, 123}, "0000007b"},
        {"147", "abcDEF5789", {0xAB, 0xCD, 0xEF, 0x57, 0x89, 0}, "ABCDEF5789"},
    };
    for (const auto& c : cases) {
        FakeParamService store;
        Shell shell;
        EXPECT_EQ(0, shell.Run("store set " + c.id + " " + c.text)) << c.text;
        EXPECT_EQ(c.bytes, store.values.begin()->second) << c.text;
        EXPECT_EQ(0, shell.Run("store get " + c.id));
        EXPECT_EQ(c.shown + "\n", shell.out.str());
    }
    FakeParamService store;
    store.values[160] = {7};
    Shell shell;
    EXPECT_EQ(0, shell.Run("store show"));
    EXPECT_NE(std::string::npos, shell.out.str().find("160  1  KipParams.KipEmpInterval            7\n")) << shell.out.str();
}
