// The floors of the daemon's whole-process figures, built and linked as the
// daemon is (same flags, same libraries):
//   kip-process-floor idle    wakes once a second and does nothing else
//   kip-process-floor memory  maps and starts the daemon's libraries, says
//                             "ready" and waits for a signal
#include <tinyxml.h>
#include <unistd.h>
#include <zlib.h>

#include <string>

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "idle") {
        // A whole second in one call, as the daemon waits; glibc takes it.
        // cppcheck-suppress invalidFunctionArg
        for (;;) usleep(1000000);
    }
    // Referenced, so no linker drops a library the daemon keeps.
    TiXmlDocument document;
    std::string text(zlibVersion());
    if (document.Error() || text.empty() || write(STDOUT_FILENO, "ready\n", 6) != 6) return 1;
    pause();
    return 0;
}
