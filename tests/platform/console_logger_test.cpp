#include "console_logger.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

// Each entry at most at the threshold becomes one whole line; an over-long
// one is cut to the logger's buffer, never split.
TEST(ConsoleLogger, WritesEachEntryAsOneLineCutToItsBuffer) {
    int pipeEnds[2];
    ASSERT_EQ(0, pipe2(pipeEnds, O_NONBLOCK));
    ConsoleLogger console(pipeEnds[1]);
    const std::string longMessage(1266, 'm');  // two bytes more than the buffer holds
    const struct { int level; std::string message, line; } cases[] = {
        {2, "error sending packet", "L2 f.cpp:7 F: error sending packet\n"},
        {5, "above the threshold", ""},
        {4, longMessage, "L4 f.cpp:7 F: " + longMessage.substr(0, 1264) + "\n"},
    };
    for (const auto& c : cases) {
        console.Write(c.level, "f.cpp", "F", 7, c.message.c_str());
        char written[4096];
        const ssize_t length = read(pipeEnds[0], written, sizeof written);
        EXPECT_EQ(c.line, std::string(written, static_cast<size_t>(std::max<ssize_t>(length, 0)))) << c.level;
    }
    close(pipeEnds[0]);
    close(pipeEnds[1]);
}
