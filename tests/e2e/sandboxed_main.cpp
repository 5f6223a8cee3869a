// The end-to-end tests run inside a scratch scripts/sandbox with a network of
// its own, so that they never reach the machine's /var/log, /var/lib,
// /sbin/init or port 3180 and run side by side: started anywhere else, the
// binary starts itself again in there. ctest runs each test in a sandbox of
// its own.

#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr const char* kInside = "KIP_E2E_IN_SANDBOX";

bool Listing(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // The build lists the tests, and needs no sandbox for that.
    if (std::getenv(kInside) == nullptr && !Listing(argc, argv)) {
        std::vector<std::string> command = {KIP_SANDBOX, "--net", "--scratch",
                                            std::filesystem::read_symlink("/proc/self/exe")};
        command.insert(command.end(), argv + 1, argv + argc);
        std::vector<char*> args;
        for (auto& arg : command) args.push_back(arg.data());
        args.push_back(nullptr);
        setenv(kInside, "1", 1);
        execv(args[0], args.data());
        std::fprintf(stderr, "e2e_tests: cannot run %s: %s\n", KIP_SANDBOX, std::strerror(errno));
        return 127;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
