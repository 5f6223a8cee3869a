// The daemon with source lists, sending from addresses of the sandbox's
// network: who is answered, what is taken, and what a flood from elsewhere
// can no longer do.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include <gmock/gmock.h>

#include "harness.h"
#include "query_message.h"

using namespace testing;

namespace {

constexpr const char* kWriter = "192.0.2.1";
constexpr const char* kRefused = "192.0.2.9";
constexpr const char* kReader = "192.0.2.17";
const std::string kLists = "--allow 192.0.2.0/30 --allow-queries=192.0.2.16/28";
const std::string kListsEntry = "L3 main: sources allowed: 192.0.2.0/30; queries only: 192.0.2.16/28\n";
const std::string kDocument = "<config><Power>9</Power></config>";

TEST_F(E2e, ListsDecideWhoIsAnsweredAndWhatIsTaken) {
    ASSERT_TRUE(daemon.Start(kLists)) << daemon.Log();
    const Client writer(kWriter);
    const std::string dor = ReadFile(kDorXml), lun = ReadFile(kLunXml);
    const struct {
        const char* source;
        std::string datagram, reply;  // "": none, and no byte kept changes
    } rows[] = {
        {kReader, QueryMessage("DOR"), dor},
        {kReader, QueryMessage("LUN"), lun},
        {kReader, kDocument, ""},
        {kReader, QueryMessage("REBOOT"), ""},
        {kReader, QueryMessage("dor"), ""},  // not even an invalid query's answer
        {kRefused, QueryMessage("DOR"), ""},
        {kRefused, kDocument, ""},
        {kRefused, QueryMessage("REBOOT"), ""},
        {"127.0.0.1", QueryMessage("DOR"), ""},
        // Taken so far: the two reads and the fence after each of the seven
        // left unanswered.
        {kWriter, kDocument, Report("SUCCESS", "NA", 10)},
        {kWriter, QueryMessage("REBOOT"), "System will reboot.\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.source) + " " + row.datagram);
        const std::string kept = Kept();
        const Client client(row.source);
        client.Send(row.datagram);
        if (row.reply.empty()) {
            // The writer's next datagram queues behind it: once that is
            // answered, the row's had its turn.
            EXPECT_EQ("Invalid query parameter.\n", writer.Send(QueryMessage("fence")).Receive());
            EXPECT_EQ("", client.Receive(0));
            EXPECT_EQ(kept, Kept());
            EXPECT_EQ("", ReadFile("/var/log/reboots.log"));
        } else {
            EXPECT_THAT(client.Receive(), StartsWith(row.reply));
        }
    }
    EXPECT_EQ("9\n", StoreTool("get 138"));
    // The reply goes out before the restart is run.
    EXPECT_TRUE(WaitFor([] { return !ReadFile("/var/log/reboots.log").empty(); }, 5));
    EXPECT_THAT(ReadFile("/var/log/reboots.log"), EndsWith(" /sbin/init 6\n"));
    EXPECT_EQ(kListsEntry, daemon.Log());
}

// A refused source floods for 30 s while a writer asks every 2 s. Returns how
// many of the 15 asks were answered within 2 s, and prints the figures.
int AnsweredDuringFlood() {
    using Clock = std::chrono::steady_clock;
    const auto since = [](Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); };
    std::atomic<bool> flooding{true};
    long sent = 0;
    const auto started = Clock::now();
    const auto rate = [&] { return static_cast<double>(sent) / since(started); };
    std::thread flood([&] {
        const Client source(kRefused);
        for (; flooding; usleep(1000)) {
            // 1,250 a second: a margin over the 1,000 asked for.
            while (rate() < 1250) source.Send(sent++ % 2 ? kDocument : QueryMessage("DOR"));
        }
    });
    const Client writer(kWriter);
    std::vector<double> waits;
    char reply[2048];
    auto asked = Clock::now();
    for (int ask = 0; ask < 15; ++ask, asked += std::chrono::seconds(2)) {
        std::this_thread::sleep_until(asked);
        while (recv(writer.fd, reply, sizeof reply, MSG_DONTWAIT) > 0) {}  // a late answer to the ask before
        writer.Send(QueryMessage("DOR"));
        double wait = 0;
        while ((wait = since(asked)) < 2 && recv(writer.fd, reply, sizeof reply, MSG_DONTWAIT) <= 0) usleep(5000);
        if (wait < 2) waits.push_back(wait);
    }
    flooding = false;
    flood.join();
    EXPECT_GE(rate(), 1000);
    std::sort(waits.begin(), waits.end());
    std::cout << "flood of " << rate() << " datagrams/s: " << waits.size() << " of 15 answered within 2 s";
    if (!waits.empty()) std::cout << ", waits min " << waits.front() << " median " << waits[waits.size() / 2] << " max " << waits.back();
    std::cout << "\n";
    return static_cast<int>(waits.size());
}

TEST_F(E2e, FloodFromARefusedSourceNeitherDelaysNorReachesTheDaemon) {
    ASSERT_TRUE(daemon.Start(kLists)) << daemon.Log();
    const std::string kept = Kept();
    EXPECT_EQ(15, AnsweredDuringFlood());
    EXPECT_EQ(kept, Kept());
    EXPECT_EQ(kListsEntry, daemon.Log());
}

// What the lists are for: the same flood, let through, leaves the writer
// unanswered most of the time (and proves the flood above a real one).
TEST_F(E2e, WithoutListsTheSameFloodStarvesAClient) {
    ASSERT_TRUE(daemon.Start()) << daemon.Log();
    EXPECT_LE(AnsweredDuringFlood(), 7);
}

// A wrong option stops the daemon at once, before it writes or binds
// anything, with one line and status 2.
TEST(E2eOptions, MalformedOptionsStopTheDaemonWithOneLine) {
    std::string many;
    for (int i = 0; i < 257; ++i) many += " --allow 10.0.0.1";
    const std::string noAddress = ": no IPv4 address (ADDR or ADDR/BITS, as 192.0.2.0/24)";
    const std::string badPrefix = ": the prefix length must be a number from 0 to 32";
    const struct {
        std::string options, line;
    } rows[] = {
        {"--allow 10.0.0.0/33", "--allow '10.0.0.0/33'" + badPrefix},
        {"--allow 10.0.0.0/", "--allow '10.0.0.0/'" + badPrefix},
        {"--allow-queries 10.0.0.0/1x", "--allow-queries '10.0.0.0/1x'" + badPrefix},
        {"--allow foo", "--allow 'foo'" + noAddress},
        {"--allow 10.0.0.1 --allow-queries 1.2.3", "--allow-queries '1.2.3'" + noAddress},
        {"--allow ''", "--allow ''" + noAddress},
        {"--allow-queries=", "--allow-queries ''" + noAddress},
        {"--allow ' 10.0.0.1'", "--allow ' 10.0.0.1'" + noAddress},
        {"--allow 10.0.0.5/24", "--allow '10.0.0.5/24': bits set past the prefix; the network is 10.0.0.0/24"},
        {"--allow", "--allow needs a value, ADDR or ADDR/BITS"},
        {"--allow 10.0.0.1 --alow 10.0.0.2", "unknown argument '--alow' (use --allow ADDR[/BITS] or --allow-queries ADDR[/BITS])"},
        {"10.0.0.1", "unknown argument '10.0.0.1' (use --allow ADDR[/BITS] or --allow-queries ADDR[/BITS])"},
        {many, "more than 256 sources in all"},
    };
    std::remove(kDorXml);  // left by a test before, in a shared sandbox
    for (const auto& row : rows) {
        SCOPED_TRACE(row.options.substr(0, 60));
        // Were it to run, the time-out ends it with 124.
        const int status = std::system(("timeout 20 " + Command("app-kip-param") + " " + row.options +
                                        " >/var/lib/e2e-options.out 2>/var/lib/e2e-options.err").c_str());
        EXPECT_EQ(2, WEXITSTATUS(status));
        EXPECT_EQ("app-kip-param: " + row.line + "\n", ReadFile("/var/lib/e2e-options.err"));
        EXPECT_EQ("", ReadFile("/var/lib/e2e-options.out") + ReadFile(kDorXml));
    }
}

}  // namespace
