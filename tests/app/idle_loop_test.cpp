// A unit polls for years: a pass of the loop with nothing to answer must
// neither allocate nor open anything, or it creeps.
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>

#include "loopback.h"
#include "poll_loop.h"
#include "recording_host_calls.h"

namespace {
size_t allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
    ++allocations;
    if (void* memory = std::malloc(size != 0 ? size : 1)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

#define KIP_DENY(call) BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, (call), 0, 1), BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS)

/// From here on the process dies at any attempt to open a file or a socket.
/// False where filters cannot be installed (the PowerPC emulator refuses them).
bool ForbidOpening() {
    sock_filter rules[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        KIP_DENY(__NR_openat),
#ifdef __NR_open
        KIP_DENY(__NR_open),
#endif
#ifdef __NR_creat
        KIP_DENY(__NR_creat),
#endif
        KIP_DENY(__NR_socket),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof rules / sizeof rules[0]), rules};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

TEST(IdleLoop, APassWithNothingToAnswerAllocatesAndOpensNothing) {
    Loopback loop;
    const pid_t child = fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        // The passes between the second wait and the fifth; the first may
        // set up what lives for the whole run.
        RecordingHostCalls host;
        host.sleeps.reserve(8);
        host.onSleep = [&](unsigned) {
            if (host.sleeps.size() == 2) {
                allocations = 0;
                if (!ForbidOpening() && errno != EINVAL) _exit(100);
            }
            if (host.sleeps.size() == 5) _exit(static_cast<int>(std::min<size_t>(allocations, 99)));
        };
        RunPollLoop(loop.server);
        _exit(101);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_FALSE(WIFSIGNALED(status) && WTERMSIG(status) == SIGSYS) << "a pass opened a file or a socket";
    ASSERT_TRUE(WIFEXITED(status)) << "the pass died of signal " << WTERMSIG(status);
    EXPECT_EQ(0, WEXITSTATUS(status)) << "allocations in three passes (100: no filter, 101: the loop ended)";
}

}  // namespace
