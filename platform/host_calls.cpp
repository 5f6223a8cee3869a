#include "host_calls.h"

#include <unistd.h>

#include <cstdlib>

#include "seam.h"

void HostCalls::Sleep(unsigned microseconds) { usleep(microseconds); }

void HostCalls::RunCommand(const char* command) {
    // The command's outcome is of no use to the caller: it does not come back
    // from a restart, and has nothing to report when it failed to start one.
    (void)!std::system(command);  // NOLINT(cert-env33-c): only ever the fixed reboot command
}

template <>
HostCalls& Seam<HostCalls>::Default() {
    static HostCalls real;
    return real;
}

void PauseMicroseconds(unsigned microseconds) { Seam<HostCalls>::Current().Sleep(microseconds); }

void RunShellCommand(const char* command) { Seam<HostCalls>::Current().RunCommand(command); }
