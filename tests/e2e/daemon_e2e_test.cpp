// The real daemon and store tool, driven over UDP and the store file.

#include <arpa/inet.h>
#include <poll.h>
#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <thread>

#include "harness.h"
#include "query_message.h"

namespace {

using namespace e2e;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

const std::string kStopped = "L3 SignalCallbackHandler: Caught SIGTERM signal.  Terminating";
const std::string kHungUp = "L3 SignalCallbackHandler: Caught SIGHUP signal.  Ignoring";

std::string Reply(const std::string& datagram) { return Exchange(datagram).value_or("<no reply>"); }
std::string Ask(const std::string& type) { return Reply(QueryMessage(type)); }

// A report's head, and the head of the reply to `document`.
std::string Report(const std::string& dor, const std::string& lun, int count) {
    return "Updates applied to DOR:" + dor + "\nUpdates applied to LUN:" + lun + "\nResponse count:" +
           std::to_string(count) + "\n";
}
std::string ReportOn(const std::string& document) {
    const std::string reply = Reply(document);
    return reply.substr(0, reply.find("\n\n") + 1);
}

// Every byte the daemon keeps; then when its status files were last written,
// which rewriting the same bytes still moves.
std::string Kept() {
    return ReadFile(kDorXml).value_or("") + ReadFile(kLunXml).value_or("") + ReadFile(kStore).value_or("");
}
auto Written() { return std::pair(fs::last_write_time(kDorXml), fs::last_write_time(kLunXml)); }

class E2e : public ::testing::Test {
protected:
    // Tests sharing one sandbox (one run of the binary) start from nothing kept too.
    void SetUp() override {
        for (const char* kept : {kDorXml, kLunXml, kStore, kReboots}) std::remove(kept);
    }
    void ExpectCleanStop() {
        EXPECT_EQ(0, daemon.Stop());
        EXPECT_EQ(1, daemon.Count(kStopped)) << daemon.Log();
    }
    Daemon daemon;
};

// 20,000 datagrams from 200 ports in half a second leave only the few the
// bounded queue holds: a client asking every 5 s from 0.4 s on, whose first
// question the burst drowns, gets its second one answered.
TEST_F(E2e, BurstLeavesAPatientClientAnsweredWithinSeconds) {
    ASSERT_EQ(0, StoreTool({"init"}).first);
    ASSERT_TRUE(daemon.Start()) << daemon.Log();
    std::string garbage(1600, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 7919 % 251);
    const std::vector<std::string> kinds = {
        QueryMessage("DOR"), QueryMessage("LUN"), QueryMessage("REBOOTX"), garbage, garbage.substr(0, 600),
        "<config><Power>4</Power><Address>2620010077</Address></config>",
        "<LunConfig><WiuLocalPort>4001</WiuLocalPort></LunConfig>"};
    std::vector<pollfd> burst(200);
    for (pollfd& port : burst) port = {socket(AF_INET, SOCK_DGRAM, 0), POLLIN, 0};
    pollfd client{socket(AF_INET, SOCK_DGRAM, 0), POLLIN, 0};
    const sockaddr_in to{AF_INET, htons(kPort), {htonl(INADDR_LOOPBACK)}, {}};
    auto send = [&](int fd, const std::string& datagram) {
        sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    };
    const auto start = Clock::now();
    auto since = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    double nextAsk = 0.4;
    auto ask = [&] {
        if (since() < nextAsk) return;
        send(client.fd, QueryMessage("DOR"));
        nextAsk += 5;
    };
    // Reads the replies that reached the burst's ports, and counts them.
    char reply[2048];
    auto drain = [&] {
        int replies = 0;
        poll(burst.data(), burst.size(), 0);
        for (pollfd& port : burst) replies += (port.revents & POLLIN) != 0 && recv(port.fd, reply, sizeof reply, 0) >= 0;
        return replies;
    };

    for (int i = 0; i < 20000; ++i) {
        send(burst[i % burst.size()].fd, kinds[i % kinds.size()]);
        if (i % 400 == 399) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ask();
        }
    }
    const double sent = since();
    drain();
    int repliesAfter = 0;
    const bool answered = WaitFor([&] {
        ask();
        repliesAfter += drain();
        return poll(&client, 1, 0) == 1;
    }, 10);
    std::printf("burst sent in %.2f s; client answered: %s at %.1f s, after %d replies to the burst\n", sent,
                answered ? "yes" : "no", since(), repliesAfter);
    EXPECT_TRUE(answered);
    // What the queue held when the burst ended, and the one datagram in hand.
    EXPECT_LE(repliesAfter, 4);
    for (const pollfd& port : burst) close(port.fd);
    close(client.fd);
    ExpectCleanStop();
}

TEST_F(E2e, ServesAppliesRebootsAndStopsOnlyOnTerm) {
    ASSERT_EQ(0, StoreTool({"init"}).first);
    ASSERT_EQ(0, StoreTool({"set", "138", "9"}).first);
    // Raw bytes that read the same in either byte order, so a target's order does not matter.
    ASSERT_EQ(0, StoreTool({"set", "--hex", "135", "7b00007b"}).first);
    EXPECT_EQ("7b00007b\n", StoreTool({"get", "--hex", "135"}).second);
    ASSERT_TRUE(daemon.Start()) << daemon.Log();
    EXPECT_TRUE(Contains(ReadFile(kDorXml), "<RadioID>2063597691</RadioID>"));
    EXPECT_TRUE(Contains(ReadFile(kDorXml), "<Power>9</Power>"));
    EXPECT_EQ(ReadFile(kDorXml), Ask("DOR"));
    EXPECT_EQ(ReadFile(kLunXml), Ask("LUN"));

    // A DOR document reaches the store and dor.xml; lun.xml is not even rewritten.
    const auto lunWritten = Written().second;
    EXPECT_EQ(Report("SUCCESS", "NA", 3),
              ReportOn("<config><Power>7</Power><RadioID>42</RadioID><Address>26200100aa</Address></config>"));
    for (const auto& [id, value] : {std::pair{"138", "7\n"}, {"135", "42\n"}, {"147", "26200100AA\n"}}) {
        EXPECT_EQ(value, StoreTool({"get", id}).second) << id;
    }
    EXPECT_TRUE(Contains(ReadFile(kDorXml), "<Address>26200100AA</Address>"));
    EXPECT_EQ(ReadFile(kDorXml), Ask("DOR"));
    EXPECT_EQ(lunWritten, Written().second);

    EXPECT_EQ(Report("SUCCESS", "SUCCESS", 5),
              ReportOn("<config><Power>3</Power></config><LunConfig><WiuLocalPort>4000</WiuLocalPort></LunConfig>"));
    EXPECT_TRUE(Contains(ReadFile(kDorXml), "<Power>3</Power>"));
    EXPECT_TRUE(Contains(ReadFile(kLunXml), "<WiuLocalPort>4000</WiuLocalPort>"));

    // Neither root, or no whole document: nothing kept is touched.
    const std::string kept = Kept();
    const auto written = Written();
    int count = 5;
    for (const char* document : {"garbage \x01\xff", "<other><Power>9</Power></other>", "<config><Power>8</Power>"}) {
        EXPECT_EQ(Report("NA", "NA", ++count), ReportOn(document)) << document;
        EXPECT_EQ(kept, Kept()) << document;
        EXPECT_TRUE(written == Written()) << document;
    }
    // The status documents sent back apply every stored byte as it was.
    for (const auto& [type, report] :
         {std::pair{"DOR", Report("SUCCESS", "NA", 10)}, {"LUN", Report("NA", "SUCCESS", 12)}}) {
        EXPECT_EQ(report, ReportOn(Ask(type))) << type;
        EXPECT_EQ(kept, Kept()) << type;
    }

    EXPECT_FALSE(ReadFile(kReboots));
    EXPECT_EQ("System will reboot.\n", Ask("REBOOT"));
    const std::regex rebooted("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z /sbin/init 6\n");
    EXPECT_TRUE(WaitFor([&] { return std::regex_match(ReadFile(kReboots).value_or(""), rebooted); }, 5))
        << ReadFile(kReboots).value_or("no reboot log");
    for (int sent = 1; sent <= 2; ++sent) {
        // One at a time: a second SIGHUP still pending would merge with the first.
        kill(daemon.Pid(), SIGHUP);
        ASSERT_TRUE(WaitFor([&] { return daemon.Count(kHungUp) == sent; }, 5)) << daemon.Log();
    }
    EXPECT_EQ(ReadFile(kLunXml), Ask("LUN"));

    // A reply was just sent, so the daemon sleeps 1 s, then handles three
    // addresses with 0.5 s pauses: the stop lands mid-request.
    Exchange("<config><Address>2620010011</Address><RfmAddress>2620010021</RfmAddress></config>"
             "<LunConfig><LunAddress>2620010031</LunAddress></LunConfig>", 1.2);
    ExpectCleanStop();
    const std::string address = StoreTool({"get", "149"}).second;
    EXPECT_TRUE(address == "2620010003\n" || address == "2620010031\n") << address;
}

TEST_F(E2e, StoreFaultsFailDocumentsAndTouchNothingUntilLifted) {
    ASSERT_EQ(0, StoreTool({"init"}).first);
    const std::string good = *ReadFile(kStore);
    std::string corrupt = good;
    corrupt[corrupt.size() / 2] ^= 0x5a;
    WriteFile(kStore, corrupt);
    ASSERT_TRUE(daemon.Start()) << daemon.Log();
    EXPECT_EQ(1, daemon.Count("L1 LoadFlashParams: get multiple params using get_parms failed")) << daemon.Log();
    EXPECT_EQ(1, daemon.Count("L2 main: GetKipParams"));
    EXPECT_EQ(ReadFile(kDorXml), Ask("DOR"));

    auto remount = [](unsigned long flags, const char* options) {
        ASSERT_EQ(0, mount(nullptr, kStoreDir, nullptr, MS_REMOUNT | flags, options)) << std::strerror(errno);
    };
    const struct {
        const char* name;
        std::function<void()> fault, lift;
    } faults[] = {
        {"corrupt at start-up", [] {}, [&] { WriteFile(kStore, good); }},
        {"read-only", [&] { remount(MS_RDONLY, nullptr); }, [&] { remount(0, nullptr); }},
        {"full", [&] { remount(0, "size=4k"); }, [&] { remount(0, "size=1m"); }},
        {"corrupt", [&] { WriteFile(kStore, corrupt); }, [&] { WriteFile(kStore, good); }},
    };
    int power = 0;
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.name);
        auto document = [&] {
            const std::string value = std::to_string(++power);
            return "<config><Address>262001001" + value + "</Address><Power>" + value + "</Power></config>";
        };
        fault.fault();
        const std::string stored = *ReadFile(kStore), dor = Ask("DOR"), log = daemon.Log();
        EXPECT_TRUE(Exchange(document()));
        EXPECT_EQ("L2 UpdateBytesFromXml: error setting TLV\nL2 UpdateUint8FromXml: error setting TLV\n"
                  "L2 HandleReceivedData: error GetConfigFromXmlData\n",
                  daemon.Log().substr(log.size()));
        EXPECT_EQ(dor, Ask("DOR"));
        EXPECT_EQ(stored, ReadFile(kStore));
        EXPECT_FALSE(ReadFile(std::string(kStore) + ".tmp"));

        fault.lift();
        EXPECT_TRUE(Exchange(document()));
        EXPECT_TRUE(Contains(ReadFile(kDorXml), "<Power>" + std::to_string(power) + "</Power>"));
        EXPECT_EQ(std::to_string(power) + "\n", StoreTool({"get", "138"}).second);
    }
    ExpectCleanStop();
}

// TinyXML's UTF-8 reader steps past the end of a text that stops inside a
// multi-byte character. Each datagram here is at least twice the one before,
// so the daemon's reused copy of it grows into a fresh block that ends right
// after the text: under the sanitizers a read past it stops the daemon.
TEST_F(E2e, TextsEndingInsideACharacterAreAnsweredWithoutAReadPastThem) {
    ASSERT_EQ(0, StoreTool({"init"}).first);
    ASSERT_TRUE(daemon.Start()) << daemon.Log();
    // With and without what puts the parser in UTF-8 mode: a declaration or a byte-order mark.
    const std::pair<std::string, std::string> texts[] = {
        {"<config>", "\xF0"},
        {"<a b='", "\xF0"},
        {"<?xml?><config>", "\xF0"},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>b", "\xD4"},
        {"\xEF\xBB\xBF<config><Power>", "\xE2\x82"},
    };
    size_t length = 40;
    int count = 0;
    for (const auto& [head, tail] : texts) {
        const std::string text = head + std::string(length - head.size() - tail.size(), 'x') + tail;
        EXPECT_EQ(Report("NA", "NA", ++count), ReportOn(text)) << text;
        length *= 2;
    }
    ExpectCleanStop();
}

TEST_F(E2e, TakenPortIsLoggedAndDaemonStillStops) {
    const int holder = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in any{AF_INET, htons(kPort), {}, {}};
    ASSERT_EQ(0, bind(holder, reinterpret_cast<sockaddr*>(&any), sizeof any)) << std::strerror(errno);
    ASSERT_EQ(0, StoreTool({"init"}).first);
    daemon.Start();
    const std::string failed = "\nL2 main: initialize UDP server\nL2 main: set non blocking\n";
    EXPECT_TRUE(WaitFor([&] { return Contains(daemon.Log(), failed); }, 10)) << daemon.Log();
    EXPECT_TRUE(ReadFile(kDorXml) && ReadFile(kLunXml));
    ExpectCleanStop();
    close(holder);
}

}  // namespace
