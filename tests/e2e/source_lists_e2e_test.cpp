// The daemon with source lists, sending from addresses of the sandbox's
// network: who is answered, what is taken, and what a flood from elsewhere
// can no longer do.

#include <algorithm>
#include <chrono>
#include <tuple>

#include "harness.h"

using namespace testing;

constexpr const char* kWriter = "192.0.2.1";
constexpr const char* kRefused = "192.0.2.9";
constexpr const char* kReader = "192.0.2.17";
const std::string kDocument = "<config><Power>9</Power></config>";

// `source` sends `rate` datagrams a second while a writer asks `asks` times,
// every 2 s. Returns how many asks were answered within 2 s, and prints the waits.
int AnsweredWhileSending(const UdpClient& source, int rate, int asks) {
    const UdpClient writer(kWriter);
    const auto started = std::chrono::steady_clock::now();
    const auto seconds = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(); };
    long sent = 0;
    std::vector<double> waits(asks, 2.0);  // 2: no answer within 2 s
    for (int ask = 0; ask < asks; ++ask) {
        writer.Receive(0);  // a late answer to the ask before
        writer.Send(QueryMessage("DOR"));
        for (; seconds() < 2 * ask + 2; usleep(1000)) {
            while (static_cast<double>(sent) < rate * seconds()) source.Send(sent++ % 2 ? kDocument : QueryMessage("DOR"));
            if (waits[ask] == 2.0 && writer.Receive(0) != "<none>") waits[ask] = seconds() - 2 * ask;
        }
    }
    std::cout << static_cast<double>(sent) / seconds() << " datagrams/s; waits for the answers (2: none within 2 s) " << PrintToString(waits) << "\n";
    return static_cast<int>(std::count_if(waits.begin(), waits.end(), [](double wait) { return wait < 2; }));
}

// Who is answered and what is taken; a flood from a refused source neither
// delays the writer nor reaches the daemon.
TEST_F(E2e, ListsDecideWhoIsAnsweredAndWhatIsTakenAndAFloodFromElsewhereIsShutOut) {
    ASSERT_TRUE(Start("--allow 192.0.2.0/30 --allow-queries=192.0.2.16/28")) << Log();
    const UdpClient writer(kWriter);
    const std::string kept = Kept();
    // Source, datagram, reply.
    const std::tuple<const char*, std::string, std::string> rows[] = {
        {kReader, QueryMessage("DOR"), ReadFile(kDorXml)},
        {kReader, QueryMessage("LUN"), ReadFile(kLunXml)},
        {kReader, kDocument, "<none>"},
        {kReader, QueryMessage("REBOOT"), "<none>"},
        {kReader, QueryMessage("dor"), "<none>"},  // not even an invalid query's answer
        {kRefused, QueryMessage("REBOOT"), "<none>"},  // its documents are the flood's
    };
    for (const auto& [source, datagram, reply] : rows) {
        SCOPED_TRACE(std::string(source) + " " + datagram);
        const UdpClient client(source);
        client.Send(datagram);
        // The writer's next datagram queues behind it: once that is answered,
        // the row's had its turn.
        EXPECT_EQ("Invalid query parameter.\n", writer.Send(QueryMessage("fence")).Receive());
        EXPECT_EQ(reply, client.Receive(0));
    }
    // A flood for 30 s, 1,250 a second: a margin over the 1,000 asked for.
    EXPECT_EQ(15, AnsweredWhileSending(UdpClient(kRefused), 1250, 15));
    EXPECT_EQ(kept, Kept() + ReadFile("/var/log/reboots.log")) << "a reader's or refused source's document or REBOOT was taken";
    // Taken so far: the two reads, the six fences and the flood's 15 asks.
    EXPECT_THAT(writer.Send(kDocument).Receive(), StartsWith(Report("SUCCESS", "NA", 24)));
    EXPECT_EQ("System will reboot.\n", writer.Send(QueryMessage("REBOOT")).Receive());
    EXPECT_EQ("L3 main: sources allowed: 192.0.2.0/30; queries only: 192.0.2.16/28\n", Log());
}

// What the lists are for: the same flood, let through, leaves the writer
// unanswered most of the time (and proves the flood above a real one). The
// bounded queue keeps only a few of the flood's: once it stops, the writer is
// soon answered again.
TEST_F(E2e, WithoutListsTheSameFloodStarvesAClientUntilItStops) {
    ASSERT_TRUE(Start()) << Log();
    EXPECT_LE(AnsweredWhileSending(UdpClient(kRefused), 1250, 15), 7);
    EXPECT_GE(AnsweredWhileSending(UdpClient(kRefused), 0, 5), 3);
}

// A wrong option stops the daemon at once, before it writes or binds
// anything, with one line and status 2.
TEST(E2eOptions, MalformedOptionsStopTheDaemonWithOneLine) {
    const std::string noAddress = ": no IPv4 address (ADDR or ADDR/BITS, as 192.0.2.0/24)";
    const std::string badPrefix = ": the prefix length must be a number from 0 to 32";
    const std::pair<std::string, std::string> rows[] = {  // options, the line they stop the daemon with
        {"--allow 10.0.0.0/33", "--allow '10.0.0.0/33'" + badPrefix},
        {"--allow 10.0.0.0/", "--allow '10.0.0.0/'" + badPrefix},
        {"--allow-queries 10.0.0.0/1x", "--allow-queries '10.0.0.0/1x'" + badPrefix},
        {"--allow 10.0.0.1 --allow-queries 1.2.3", "--allow-queries '1.2.3'" + noAddress},
        {"--allow-queries=", "--allow-queries ''" + noAddress},
        {"--allow 10.0.0.5/24", "--allow '10.0.0.5/24': bits set past the prefix; the network is 10.0.0.0/24"},
        {"--allow", "--allow needs a value, ADDR or ADDR/BITS"},
        {"10.0.0.1", "unknown argument '10.0.0.1' (use --allow ADDR[/BITS] or --allow-queries ADDR[/BITS])"},
        {"$(yes -- '--allow 10.0.0.1' | head -n 257)", "more than 256 sources in all"},
    };
    std::remove(kDorXml);  // left by a test before, in a shared sandbox
    for (const auto& [options, line] : rows) {
        EXPECT_EQ("app-kip-param: " + line + "\n", Output("app-kip-param", options, 2));
        EXPECT_EQ("", ReadFile(kDorXml)) << options;
    }
    // Well-formed options, only checked: the daemon does not start.
    EXPECT_EQ("", Output("app-kip-param", "--check --allow 10.0.0.1") + ReadFile(kDorXml));
}
