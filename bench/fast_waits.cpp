// Preloaded into the daemon, turns each of its waits from microseconds into
// as many nanoseconds: the unchanged binary then takes a thousand requests in
// seconds rather than over a quarter of an hour, doing the same work for each.
#include <time.h>
#include <unistd.h>

// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name): libc names it with a reserved name
extern "C" int usleep(useconds_t microseconds) {
    const timespec wait{static_cast<time_t>(microseconds / 1000000000), static_cast<long>(microseconds % 1000000000)};
    return nanosleep(&wait, nullptr);
}
