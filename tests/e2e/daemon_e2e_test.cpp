// The real daemon and store tool, driven over UDP and the store file.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <sstream>

#include "sandbox.h"

namespace {

using namespace e2e;

const char* const kStopLine = "Caught SIGTERM signal.  Terminating";
const char* const kHangUpLine = "Caught SIGHUP signal.  Ignoring";

std::string QueryFor(const std::string& type) {
    return "<ParamMessage><QueryType>" + type + "</QueryType></ParamMessage>";
}

std::string ReportHead(const std::string& dor, const std::string& lun, int count) {
    return "Updates applied to DOR:" + dor + "\nUpdates applied to LUN:" + lun +
           "\nResponse count:" + std::to_string(count) + "\n";
}

bool StartsWith(const std::optional<std::string>& text, const std::string& prefix) {
    return text && text->rfind(prefix, 0) == 0;
}

bool Contains(const std::optional<std::string>& text, const std::string& part) {
    return text && text->find(part) != std::string::npos;
}

// Rewriting a file with the same bytes still moves this.
int64_t ModifiedNs(const char* path) {
    struct stat st {};
    if (stat(path, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// Every catalogued parameter as raw bytes, one "id=hex" line each.
std::string StoredParameters() {
    std::string all;
    std::istringstream show(RunStoreTool({"show"}).out);
    for (std::string id, rest; show >> id && std::getline(show, rest);) {
        all += id + "=" + RunStoreTool({"get", "--hex", id}).out;
    }
    return all;
}

std::string CorruptStore() {
    std::string bytes = ReadFile(kStore).value_or("");
    if (!bytes.empty()) bytes[bytes.size() / 2] ^= 0x5a;
    WriteFile(kStore, bytes);
    return bytes;
}

class E2eDaemon : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string failure = EnterSandbox();
        if (!failure.empty()) GTEST_SKIP() << "no private namespaces: " << failure;
    }

    bool StartBound() {
        daemon.Start();
        return PortBound(5);
    }

    bool StartWithFactoryStore() { return RunStoreTool({"init"}).status == 0 && StartBound(); }

    std::string Query(const std::string& type) { return Exchange(QueryFor(type)).value_or("<no reply>"); }

    void ExpectCleanStop() {
        EXPECT_EQ(0, daemon.Stop(SIGTERM));
        EXPECT_EQ(1, daemon.Count(3, "SignalCallbackHandler", kStopLine)) << daemon.Log();
    }

    Daemon daemon;
};

class E2eStoreTool : public E2eDaemon {};

TEST_F(E2eDaemon, StartsFromStoreAndAnswersQueries) {
    ASSERT_EQ(0, RunStoreTool({"init"}).status);
    ASSERT_EQ(0, RunStoreTool({"set", "138", "9"}).status);
    ASSERT_TRUE(StartBound()) << daemon.Log();

    const auto dor = ReadFile(kDorXml);
    const auto lun = ReadFile(kLunXml);
    ASSERT_TRUE(dor && lun);
    EXPECT_TRUE(Contains(dor, "<Power>9</Power>")) << *dor;
    EXPECT_TRUE(Contains(lun, "<LunAddress>2620010003</LunAddress>")) << *lun;
    EXPECT_EQ(*dor, Query("DOR"));
    EXPECT_EQ(*lun, Query("LUN"));
    for (const char* type : {"dor", "REBOOTX", ""}) {
        EXPECT_EQ("Invalid query parameter.\n", Query(type)) << "query '" << type << "'";
    }
    EXPECT_FALSE(ReadFile(kReboots));
    ExpectCleanStop();
}

TEST_F(E2eDaemon, ConfigDocumentUpdatesStoreAndOnlyDorFile) {
    ASSERT_TRUE(StartWithFactoryStore()) << daemon.Log();
    const auto lunBefore = ReadFile(kLunXml);
    const int64_t lunWritten = ModifiedNs(kLunXml);

    // Lower-case hex is accepted; it is kept upper-case.
    EXPECT_EQ(ReportHead("SUCCESS", "NA", 1) +
                  "\nKipParams:\nconfig:KipEmpInterval:0\nconfig:KipDcPowerLimit:0\nconfig:KipDisableDutyCycle:0\n"
                  "  actual:DcWindowSize:24\n  actual:DcTransmitLimit:7\n",
              Exchange("<config><Power>7</Power><RadioID>42</RadioID><Address>26200100aa</Address></config>"));

    EXPECT_EQ("7\n", RunStoreTool({"get", "138"}).out);
    EXPECT_EQ("42\n", RunStoreTool({"get", "135"}).out);
    EXPECT_EQ("26200100AA\n", RunStoreTool({"get", "147"}).out);
    const auto dor = ReadFile(kDorXml);
    for (const char* field : {"<Power>7</Power>", "<RadioID>42</RadioID>", "<Address>26200100AA</Address>"}) {
        EXPECT_TRUE(Contains(dor, field)) << field;
    }
    EXPECT_EQ(dor, Exchange(QueryFor("DOR")));
    EXPECT_EQ(lunBefore, ReadFile(kLunXml));
    EXPECT_EQ(lunWritten, ModifiedNs(kLunXml)) << "lun.xml rewritten for a DOR-only document";
    ExpectCleanStop();
}

TEST_F(E2eDaemon, BothRootsRewriteBothFilesAndOtherDocumentsNeither) {
    ASSERT_TRUE(StartWithFactoryStore()) << daemon.Log();
    EXPECT_TRUE(StartsWith(Exchange("<config><Power>3</Power></config>"
                                    "<LunConfig><WiuLocalPort>4000</WiuLocalPort></LunConfig>"),
                           ReportHead("SUCCESS", "SUCCESS", 1)));
    EXPECT_TRUE(Contains(ReadFile(kDorXml), "<Power>3</Power>"));
    EXPECT_TRUE(Contains(ReadFile(kLunXml), "<WiuLocalPort>4000</WiuLocalPort>"));
    EXPECT_EQ(ReadFile(kLunXml), Exchange(QueryFor("LUN")));

    const auto dor = ReadFile(kDorXml);
    const auto lun = ReadFile(kLunXml);
    const int64_t dorWritten = ModifiedNs(kDorXml);
    const int64_t lunWritten = ModifiedNs(kLunXml);
    const std::string stored = StoredParameters();
    int count = 2;
    for (const char* document : {"garbage \x01\xff", "<other><Power>9</Power></other>", "<config><Power>8</Power>"}) {
        SCOPED_TRACE(document);
        EXPECT_TRUE(StartsWith(Exchange(document), ReportHead("NA", "NA", ++count)));
        EXPECT_EQ(dor, ReadFile(kDorXml));
        EXPECT_EQ(lun, ReadFile(kLunXml));
        EXPECT_EQ(dorWritten, ModifiedNs(kDorXml));
        EXPECT_EQ(lunWritten, ModifiedNs(kLunXml));
        EXPECT_EQ(stored, StoredParameters());
    }
    ExpectCleanStop();
}

TEST_F(E2eDaemon, StatusDocumentsSentBackChangeNothing) {
    ASSERT_TRUE(StartWithFactoryStore()) << daemon.Log();
    const std::string stored = StoredParameters();
    EXPECT_EQ(29, std::count(stored.begin(), stored.end(), '=')) << stored;

    // Each round is query, document, query: the documents are datagrams 2 and 5.
    const struct {
        const char* type;
        const char* file;
        std::string head;
    } rounds[] = {{"DOR", kDorXml, ReportHead("SUCCESS", "NA", 2)}, {"LUN", kLunXml, ReportHead("NA", "SUCCESS", 5)}};
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.type);
        const auto before = Exchange(QueryFor(round.type));
        ASSERT_TRUE(before);
        EXPECT_TRUE(StartsWith(Exchange(*before), round.head));
        EXPECT_EQ(before, Exchange(QueryFor(round.type)));
        EXPECT_EQ(before, ReadFile(round.file));
        EXPECT_EQ(stored, StoredParameters());
    }
    ExpectCleanStop();
}

TEST_F(E2eDaemon, RebootRepliesThenRunsInitAndKeepsServing) {
    ASSERT_TRUE(StartWithFactoryStore()) << daemon.Log();
    EXPECT_EQ("System will reboot.\n", Query("REBOOT"));
    EXPECT_TRUE(WaitFor([] { return ReadFile(kReboots) == std::optional<std::string>("6\n"); }, 5))
        << ReadFile(kReboots).value_or("<no reboots.txt>");
    EXPECT_EQ(ReadFile(kLunXml), Exchange(QueryFor("LUN")));
    ExpectCleanStop();
}

TEST_F(E2eDaemon, CorruptStoreIsReportedAndNeverWritten) {
    ASSERT_EQ(0, RunStoreTool({"init"}).status);
    const std::string corrupt = CorruptStore();
    ASSERT_TRUE(StartBound()) << daemon.Log();
    EXPECT_EQ(1, daemon.Count(1, "LoadFlashParams", "get multiple params using get_parms failed")) << daemon.Log();
    EXPECT_EQ(1, daemon.Count(2, "main", "GetKipParams")) << daemon.Log();

    const auto dor = ReadFile(kDorXml);
    ASSERT_TRUE(dor && ReadFile(kLunXml));
    EXPECT_EQ(dor, Exchange(QueryFor("DOR")));
    const auto report = Exchange("<config><Power>7</Power></config>");
    EXPECT_TRUE(StartsWith(report, "Updates applied to DOR:") && Contains(report, "Response count:2\n"));
    EXPECT_TRUE(daemon.WaitForCount(2, "UpdateUint8FromXml", "error setting TLV", 1)) << daemon.Log();
    EXPECT_TRUE(daemon.WaitForCount(2, "HandleReceivedData", "error GetConfigFromXmlData", 1)) << daemon.Log();
    EXPECT_EQ(dor, Exchange(QueryFor("DOR")));
    EXPECT_EQ(corrupt, ReadFile(kStore));
    ExpectCleanStop();
}

TEST_F(E2eDaemon, HangUpIsIgnoredAndTermStopsMidRequest) {
    ASSERT_TRUE(StartWithFactoryStore()) << daemon.Log();
    for (int sent = 1; sent <= 2; ++sent) {
        // One at a time: a second SIGHUP still pending would merge with the first.
        daemon.Signal(SIGHUP);
        ASSERT_TRUE(daemon.WaitForCount(3, "SignalCallbackHandler", kHangUpLine, sent)) << daemon.Log();
    }
    EXPECT_EQ(ReadFile(kDorXml), Exchange(QueryFor("DOR")));

    // Just after a reply the daemon sleeps 1 s; three address keys add 1.5 s.
    auto threeAddresses = [](char last) {
        return std::string("<config><Address>262001001") + last + "</Address><RfmAddress>262001002" + last +
               "</RfmAddress></config><LunConfig><LunAddress>262001003" + last + "</LunAddress></LunConfig>";
    };
    const auto sent = std::chrono::steady_clock::now();
    EXPECT_TRUE(StartsWith(Exchange(threeAddresses('1')), ReportHead("SUCCESS", "SUCCESS", 2)));
    EXPECT_GT(std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count(), 2.3);

    // Stop while the next one waits or is being handled.
    Exchange(threeAddresses('2'), 1.2);
    ExpectCleanStop();
    EXPECT_EQ(2, daemon.Count(3, "SignalCallbackHandler", kHangUpLine));
    const ToolResult address = RunStoreTool({"get", "149"});
    EXPECT_EQ(0, address.status);
    EXPECT_TRUE(address.out == "2620010031\n" || address.out == "2620010032\n") << address.out;
}

TEST_F(E2eDaemon, TakenPortIsLoggedAndDaemonStillStops) {
    const int holder = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(kPort);
    ASSERT_EQ(0, bind(holder, reinterpret_cast<sockaddr*>(&any), sizeof any)) << std::strerror(errno);
    ASSERT_EQ(0, RunStoreTool({"init"}).status);
    daemon.Start();
    ASSERT_TRUE(daemon.WaitForCount(2, "main", "set non blocking", 1)) << daemon.Log();

    const auto lines = daemon.LogLines();
    auto at = [&](const std::function<bool(const std::string&)>& match) {
        return std::find_if(lines.begin(), lines.end(), match) - lines.begin();
    };
    const auto bindError = at([](auto& l) { return IsLogLine(l, 2, "UdpInitializeServer", "error binding to port"); });
    const auto bindReason = at([](auto& l) { return l.rfind("error bind failed: ", 0) == 0; });
    const auto initError = at([](auto& l) { return IsLogLine(l, 2, "main", "initialize UDP server"); });
    const auto blockError = at([](auto& l) { return IsLogLine(l, 2, "main", "set non blocking"); });
    EXPECT_TRUE(bindError < bindReason && bindReason < initError && initError < blockError) << daemon.Log();
    EXPECT_TRUE(ReadFile(kDorXml) && ReadFile(kLunXml));
    ExpectCleanStop();
    close(holder);
}

TEST_F(E2eStoreTool, ValuesPersistAcrossRunsAndCorruptStoreIsLeftAlone) {
    ASSERT_EQ(0, RunStoreTool({"init"}).status);
    EXPECT_EQ(0, RunStoreTool({"set", "--hex", "135", "0000007b"}).status);
    const ToolResult hex = RunStoreTool({"get", "--hex", "135"});
    EXPECT_EQ(0, hex.status);
    EXPECT_EQ("0000007b\n", hex.out);
    const unsigned char raw[] = {0x00, 0x00, 0x00, 0x7b};
    uint32_t value = 0;
    std::memcpy(&value, raw, sizeof value);
    EXPECT_EQ(std::to_string(value) + "\n", RunStoreTool({"get", "135"}).out);

    const std::string corrupt = CorruptStore();
    const std::vector<std::vector<std::string>> refused = {
        {"get", "135"}, {"get", "--hex", "135"}, {"set", "135", "5"}, {"set", "--hex", "138", "01"}, {"init"}};
    for (const auto& args : refused) {
        SCOPED_TRACE(args[0] + " " + args.back());
        EXPECT_EQ(2, RunStoreTool(args).status);
        EXPECT_EQ(corrupt, ReadFile(kStore));
    }
}

}  // namespace
