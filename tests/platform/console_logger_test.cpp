#include "console_logger.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "seam.h"

namespace {

TEST(ConsoleLogger, WritesOneWholeLinePerEntryUpToTheThreshold) {
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    {
        ConsoleLogger logger(fds[1]);
        ScopedInstall<LogBackend> install(logger);
        set_log_level(2);
        set_log_config("invalid:thus-console");
        send_log_basic(2, "app-kip-param.cpp", "HandleReceivedData", 214, "%s", "error sending data");
        send_log_basic(3, "app-kip-param.cpp", "SignalCallbackHandler", 9, "%s", "dropped: above threshold");
        send_log_basic(1, "app-kip-param.cpp", "LoadFlashParams", 7, "%s", "100% kept");
        send_log_basic(2, "f.cpp", "F", 1, "%s", std::string(5000, 'x').c_str());
    }
    close(fds[1]);
    std::string text;
    char chunk[4096];
    for (ssize_t n; (n = read(fds[0], chunk, sizeof chunk)) > 0;) text.append(chunk, static_cast<size_t>(n));
    close(fds[0]);

    const std::string kept =
        "L2 app-kip-param.cpp:214 HandleReceivedData: error sending data\n"
        "L1 app-kip-param.cpp:7 LoadFlashParams: 100% kept\n";
    ASSERT_EQ(kept, text.substr(0, kept.size()));
    const std::string overlong = text.substr(kept.size());  // cut, never split
    EXPECT_EQ(0u, overlong.find("L2 f.cpp:1 F: xxx"));
    EXPECT_LT(overlong.size(), 1300u);
    EXPECT_EQ(1, std::count(overlong.begin(), overlong.end(), '\n'));
    EXPECT_EQ('\n', overlong.back());
}

}  // namespace
