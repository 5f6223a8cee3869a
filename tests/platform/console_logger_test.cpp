#include "console_logger.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "logger.h"
#include "seam.h"

// Each entry at most at the threshold becomes one whole line; an over-long
// one is cut to the logger's buffer, never split, and the platform's entry
// point cuts the message to its own buffer before that.
TEST(ConsoleLogger, WritesEachEntryAsOneLineCutToItsBuffer) {
    int pipeEnds[2];
    ASSERT_EQ(0, pipe(pipeEnds));
    ConsoleLogger console(pipeEnds[1]);
    const ScopedInstall<LogBackend> installed(console);
    const std::string longMessage(1266, 'm');  // two bytes more than the buffer holds
    console.Write(2, "f.cpp", "F", 7, "error sending packet");
    console.Write(5, "f.cpp", "F", 7, "above the threshold");
    console.Write(4, "f.cpp", "F", 7, longMessage.c_str());
    send_log_basic(3, "f.cpp", "F", 7, "%s", longMessage.c_str());
    close(pipeEnds[1]);
    char written[4096];
    const ssize_t length = read(pipeEnds[0], written, sizeof written);
    EXPECT_EQ("L2 f.cpp:7 F: error sending packet\nL4 f.cpp:7 F: " + longMessage.substr(0, 1264) + "\n" +
                  "L3 f.cpp:7 F: " + longMessage.substr(0, 1023) + "\n",
              std::string(written, static_cast<size_t>(std::max<ssize_t>(length, 0))));
    close(pipeEnds[0]);
}
