#include "console_logger.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "seam.h"

namespace {

/// Captures what a ConsoleLogger writes through a pipe.
class ConsoleCapture {
public:
    ConsoleCapture() { EXPECT_EQ(0, pipe(fds_)); }
    ~ConsoleCapture() {
        close(fds_[0]);
        close(fds_[1]);
    }
    int WriteEnd() const { return fds_[1]; }
    std::string Drain() {
        close(fds_[1]);
        fds_[1] = -1;
        std::string text;
        char chunk[4096];
        ssize_t n;
        while ((n = read(fds_[0], chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<size_t>(n));
        return text;
    }

private:
    int fds_[2];
};

TEST(ConsoleLogger, WritesOneLinePerEntryUpToTheThreshold) {
    ConsoleCapture capture;
    ConsoleLogger logger(capture.WriteEnd());
    ScopedInstall<LogBackend> install(logger);
    set_log_level(2);
    set_log_config("invalid:thus-console");
    send_log_basic(2, "app-kip-param.cpp", "HandleReceivedData", 214, "%s", "error sending data");
    send_log_basic(3, "app-kip-param.cpp", "SignalCallbackHandler", 9, "%s", "dropped: above threshold");
    send_log_basic(1, "app-kip-param.cpp", "LoadFlashParams", 7, "%s", "100% kept");
    EXPECT_EQ(
        "L2 app-kip-param.cpp:214 HandleReceivedData: error sending data\n"
        "L1 app-kip-param.cpp:7 LoadFlashParams: 100% kept\n",
        capture.Drain());
}

TEST(ConsoleLogger, CutsAnOverlongEntryToOneLine) {
    ConsoleCapture capture;
    ConsoleLogger logger(capture.WriteEnd());
    ScopedInstall<LogBackend> install(logger);
    std::string huge(5000, 'x');
    send_log_basic(2, "f.cpp", "F", 1, "%s", huge.c_str());
    std::string written = capture.Drain();
    EXPECT_LT(written.size(), 1300u);
    EXPECT_EQ(1, std::count(written.begin(), written.end(), '\n'));
    EXPECT_EQ('\n', written.back());
}

}  // namespace
