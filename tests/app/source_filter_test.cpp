// The kernel's verdict on each source through the filter the daemon attaches,
// against the daemon's own: sources on 127/8, every address of which is this
// host's own, so a client may send from any of them.
#include "source_filter.h"

#include <gtest/gtest.h>

#include <set>

#include "daemon_options.h"
#include "udp_client.h"

namespace {

TEST(SourceFilter, KernelPassesExactlyTheSourcesTheDaemonAllows) {
    // The daemon's command line; sources and what it lets each do.
    const std::pair<std::vector<const char*>, std::vector<std::pair<std::string, SourceKind>>> cases[] = {
        {{"app-kip-param", "--allow", "127.0.0.2", "--allow=127.0.1.0/24", "--allow-queries", "127.0.2.0/25", "--allow-queries=127.0.1.9"},
         {{"127.0.0.2", SourceKind::kWriter},
          {"127.0.0.3", SourceKind::kRefused},    // one bit off a host entry
          {"127.0.0.1", SourceKind::kRefused},
          {"127.0.1.77", SourceKind::kWriter},
          {"127.0.1.9", SourceKind::kWriter},     // in both lists
          {"127.1.1.77", SourceKind::kRefused},   // one bit off inside the prefix
          {"127.0.2.127", SourceKind::kReader},
          {"127.0.2.128", SourceKind::kRefused}}},  // the first past a /25
        {{"app-kip-param", "--allow-queries", "0.0.0.0/0"}, {{"127.0.0.1", SourceKind::kReader}, {"127.255.0.3", SourceKind::kReader}}},
    };
    for (const auto& [argv, sources] : cases) {
        DaemonOptions options;
        std::string err;
        ASSERT_TRUE(ParseDaemonOptions(static_cast<int>(argv.size()), argv.data(), &options, &err)) << err;
        const SourceLists& lists = options.sources;
        const UdpClient receiver;
        ASSERT_EQ(1, UdpFilterSources(receiver.fd, lists));
        for (const auto& [source, kind] : sources) UdpClient(source.c_str(), 0, BoundPort(receiver.fd)).Send(source);
        // Loopback delivers within microseconds; half a second of silence ends it.
        std::set<std::string> passed;
        for (std::string text; (text = receiver.Receive(500)) != "<none>";) passed.insert(text);
        for (const auto& [source, kind] : sources) {
            EXPECT_EQ(kind, ClassifySource(lists, ntohl(inet_addr(source.c_str())))) << source;
            EXPECT_EQ(kind != SourceKind::kRefused, passed.count(source) == 1) << source << ": the kernel disagrees";
        }
    }
}

}  // namespace
