// The real daemon and store tool, driven over UDP and through the files they keep.

#include <sys/mount.h>

#include <tuple>

#include "harness.h"

using namespace testing;

const std::string kHungUp = "L3 SignalCallbackHandler: Caught SIGHUP signal.  Ignoring\n";

TEST_F(E2e, EachDatagramGetsItsReplyAndChangesOnlyWhatItShould) {
    // No factory default, so the documents sent back below keep it only if
    // start-up loaded it; in bytes that read the same in either byte order.
    Output("kip-param-store", "set --hex 135 7b00007b");
    // Only --force lets init replace a store that holds values.
    EXPECT_THAT(Output("kip-param-store", "init", 2), EndsWith("; use init --force to overwrite\n"));
    ASSERT_TRUE(Start()) << Log();
    // Datagram; its reply (for a report, its head); the entries it adds; what
    // the store tool then shows (none: no byte kept changes).
    const std::tuple<std::string, std::string, std::string, std::vector<std::pair<std::string, std::string>>> rows[] = {
        // No whole document. Once a declaration puts TinyXML in UTF-8 mode,
        // its reader steps past the end of a text that stops inside a
        // multi-byte character. As the first datagram, the daemon's reused
        // copy of it grows into a fresh block that ends right after the text:
        // under the sanitizers a read past it stops the daemon.
        {"<?xml?><config>" + std::string(64, 'x') + "\xF0", Report("NA", "NA", 1), "", {}},
        // What the daemon wrote, sent back, changes no byte it keeps.
        {ReadFile(kDorXml) + ReadFile(kLunXml), Report("SUCCESS", "SUCCESS", 2), "", {}},
        {"<config><Power>7</Power><RadioID>42</RadioID><Address>26200100aa</Address></config>", Report("SUCCESS", "NA", 3), "",
         {{"138", "7"}, {"135", "42"}, {"147", "26200100AA"}}},
        // A value that does not convert fails alone; the report still says SUCCESS.
        {"<config><Power>3</Power><ItpRemoteIP>10.0.0.256</ItpRemoteIP></config><LunConfig><WiuLocalPort>4000</WiuLocalPort></LunConfig>",
         Report("SUCCESS", "SUCCESS", 4), "L2 UpdateIpFromXml: error getting IP address\nL2 HandleReceivedData: error GetConfigFromXmlData\n",
         {{"138", "3"}, {"154", "4000"}}},
        {QueryMessage("REBOOT"), "System will reboot.\n", "", {}},
    };
    for (const auto& [datagram, reply, logged, stored] : rows) {
        SCOPED_TRACE(datagram);
        const std::string kept = Kept(), log = Log();
        EXPECT_THAT(UdpClient().Send(datagram).Receive(), StartsWith(reply));
        EXPECT_TRUE(!stored.empty() || kept == Kept());
        for (const auto& [id, value] : stored) EXPECT_EQ(value + "\n", Output("kip-param-store", "get " + id)) << id;
        EXPECT_EQ(log + logged, Log());
    }
    // Both status files were written again: each holds what its query answers, values applied.
    EXPECT_THAT(UdpClient().Send(QueryMessage("DOR")).Receive(), AllOf(Eq(ReadFile(kDorXml)), HasSubstr("<Address>26200100AA<")));
    EXPECT_THAT(UdpClient().Send(QueryMessage("LUN")).Receive(), AllOf(Eq(ReadFile(kLunXml)), HasSubstr("<WiuLocalPort>4000<")));
    EXPECT_THAT(ReadFile("/var/log/reboots.log"), MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}Z /sbin/init 6\n"));
}

TEST_F(E2e, TakenPortIsLoggedAndTheDaemonIdlesIgnoringHangUps) {
    const UdpClient holder("0.0.0.0", 3180);
    Start();
    const std::string failed = "L2 UdpInitializeServer: error binding to port\nerror bind failed: Address already in use\n"
                               "L2 main: initialize UDP server\nL2 main: set non blocking\n";
    for (const std::string& log : {failed, failed + kHungUp, failed + kHungUp + kHungUp}) {
        if (log != failed) kill(pid, SIGHUP);  // one at a time: a second one still pending would merge with the first
        ASSERT_TRUE(WaitFor([&] { return Log() == log; }, 10)) << Log();
    }
}

// A store corrupt at start-up, then whole but read-only: a document fails and
// changes no byte. Once the store is writable again it applies, and a stop
// that lands in the middle lets it finish.
TEST_F(E2e, StoreFaultsFailDocumentsUntilLiftedAndAStopLetsTheLastOneFinish) {
    const std::string good = ReadFile(kStore);
    std::ofstream(kStore, std::ios::binary) << good.substr(0, good.size() - 1) << static_cast<char>(good.back() ^ 1);
    ASSERT_TRUE(Start()) << Log();
    EXPECT_EQ("L1 LoadFlashParams: get multiple params using get_parms failed\nL2 main: GetKipParams\n", Log());
    // Whole documents still, of what loading sets without a store.
    EXPECT_THAT(ReadFile(kDorXml), HasSubstr("itp_addr=0000000000;local_port=34000;remote_addr=0.0.0.0;"));
    EXPECT_THAT(ReadFile(kLunXml), HasSubstr("<RemoteAddress>0.0.0.0<"));
    // Addresses alone: their failure must fail the document by itself.
    const std::string document = "<config><Address>2620010011</Address><RfmAddress>2620010021</RfmAddress></config>";
    for (const unsigned long remount : {MS_RDONLY + 0UL, 0UL}) {
        const std::string kept = Kept(), log = Log();
        UdpClient().Send(document).Receive();
        EXPECT_EQ(log + "L2 UpdateBytesFromXml: error setting TLV\nL2 UpdateBytesFromXml: error setting TLV\n"
                        "L2 HandleReceivedData: error GetConfigFromXmlData\n", Log());
        EXPECT_EQ(kept, Kept());
        std::ofstream(kStore, std::ios::binary) << good;  // in vain on a read-only disk
        ASSERT_EQ(0, mount(nullptr, "/var/lib/app-kip-param", nullptr, MS_REMOUNT | remount, nullptr));
    }
    // Each address stored waits half a second: the stop lands after the first.
    const UdpClient client;
    client.Send(document);
    ASSERT_TRUE(WaitFor([&] { return ReadFile(kStore) != good; }, 5));
    Stop();
    EXPECT_THAT(client.Receive(0), StartsWith(Report("SUCCESS", "NA", 3)));
    EXPECT_EQ("2620010021\n", Output("kip-param-store", "get 148"));
}
