#include "file_param_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "fake_file_system.h"
#include "host_bytes.h"

namespace {

using namespace std::string_literals;
using Bytes = std::vector<uint8_t>;

// Each call opens the store afresh, as another process would.
int SetOne(const std::string& dir, uint32_t id, Bytes value) {
    ParamDescriptor d{id, static_cast<uint32_t>(value.size()), value.data()};
    return FileParamStore(dir).Set(&d, 1);
}

// The Get's result and the value it read.
std::pair<int, Bytes> GetOne(const std::string& dir, uint32_t id, uint32_t length) {
    Bytes value(length);
    ParamDescriptor d{id, length, value.data()};
    return {FileParamStore(dir).Get(&d, 1), value};
}

// Each round a victim sets one value over and over until it is killed, while
// this process adds values of its own: the value stays whole, and no update
// is lost, although the victim may die holding the lock.
TEST(FileParamStore, AWriterKilledMidSetLeavesAWholeStoreAndOthersLoseNoUpdate) {
    char dir[] = "/tmp/kip-store-test-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    const std::shared_ptr<void> removeDir(nullptr, [&](void*) { std::filesystem::remove_all(dir); });  // however it ends
    constexpr uint32_t kLength = 4096, kPerRound = 15;  // the longest value, one byte repeated: a mix of two would show
    ASSERT_EQ(0, SetOne(dir, 0, Bytes(kLength, 1)));  // a completed Set, which no kill may undo
    for (uint32_t round = 0, id = 1; round < 20; ++round) {
        SCOPED_TRACE(round);
        const pid_t victim = fork();
        ASSERT_NE(-1, victim);  // a kill(-1) would reach every process of ours
        // The victim sets until it is killed, or ends unsignalled when a Set fails.
        if (victim == 0) for (uint8_t b = 2;; b = b % 255 + 1) if (SetOne(dir, 0, Bytes(kLength, b)) != 0) _exit(0);
        for (const uint32_t last = id + kPerRound; id < last; ++id) EXPECT_EQ(0, SetOne(dir, id, HostBytes(id)));
        usleep((round * 1237) % 3000);  // the kill comes at a different point each round
        kill(victim, SIGKILL);
        int status = 0;
        ASSERT_TRUE(waitpid(victim, &status, 0) == victim && WIFSIGNALED(status)) << "a Set failed in the victim";
        const auto got = GetOne(dir, 0, kLength);  // 0 and one byte repeated: the store opens, passes its check, is whole
        EXPECT_EQ(std::pair(0, Bytes(kLength, got.second.front())), got);
    }
    for (uint32_t id = 1; id <= 20 * kPerRound; ++id) ASSERT_EQ(std::pair(0, HostBytes(id)), GetOne(dir, id, 4)) << id;
}

// The tests below run on the in-memory filesystem. Its store directory lies
// under one the host does not have, so a call that missed the seam fails
// instead of touching the machine.
const std::string kDir = "/no-such-directory/kip";
const std::string kStore = kDir + "/parameters.store", kTemp = kStore + ".tmp";

TEST(FileParamStore, ARefusedSetLeavesTheStoreByteIdenticalAndAnInterruptedCallIsMadeAgain) {
    // Magic, version, count, crc of the rest; then id, length and bytes in
    // ascending id order; little-endian. Units hold their stores in it.
    const std::string good = "KIPPSTOR\1\0\0\0\2\0\0\0\360\34\326D\7\0\0\0\3\0\0\0abc\4\3\2\1\1\0\0\0z"s;
    constexpr int kOk = FileParamStore::kOk, kIoError = FileParamStore::kIoError, kCorrupt = FileParamStore::kCorrupt;
    constexpr int kAbsent = FileParamStore::kAbsent;
    // A corrupt file is read without any fault, so only the store's own
    // checks can refuse it; a Get of the new id then tells why the Set failed.
    const std::tuple<const char*, std::string, std::optional<FileFault>, int, int> cases[] = {
        {"flipped value byte", good.substr(0, good.size() - 1) + 'y', {}, kCorrupt, kCorrupt},
        {"trailing byte, crc correct", "KIPPSTOR\1\0\0\0\2\0\0\0'\212\371H\7\0\0\0\3\0\0\0abc\4\3\2\1\1\0\0\0zq"s, {}, kCorrupt, kCorrupt},
        {"wrong magic", 'X' + good.substr(1), {}, kCorrupt, kCorrupt},
        {"repeated id, crc correct", "KIPPSTOR\1\0\0\0\2\0\0\0\276zq\325\7\0\0\0\3\0\0\0abc\7\0\0\0\3\0\0\0abc"s, {},
         kCorrupt, kCorrupt},
        {"lock not taken", good, FileFault{"flock", kDir + "/parameters.lock", 1, EWOULDBLOCK}, kIoError, kAbsent},
        {"nothing written, no error either", good, FileFault{"write", kTemp, 1, 0}, kIoError, kAbsent},
        {"read interrupted", good, FileFault{"read", kStore, 1, EINTR}, kOk, kOk},
        {"write interrupted", good, FileFault{"write", kTemp, 1, EINTR}, kOk, kOk},
        {"flock interrupted", good, FileFault{"flock", "", 1, EINTR}, kOk, kOk},
    };
    for (const auto& [name, file, fault, setResult, getResult] : cases) {
        SCOPED_TRACE(name);
        FakeFileSystem fs;
        ASSERT_EQ(kOk, SetOne(kDir, 0x01020304, {'z'}) + SetOne(kDir, 7, {'a', 'b', 'c'}));  // neither fails
        ASSERT_EQ(good, fs.Contents(kStore));
        const int fd = Files().Open(kStore.c_str(), O_WRONLY | O_TRUNC, 0);
        ASSERT_TRUE(WriteAll(fd, file) && Files().Close(fd) == 0);
        fs.fault = fault;
        EXPECT_EQ(setResult, SetOne(kDir, 11, {1}));
        EXPECT_EQ(getResult, GetOne(kDir, 11, 1).first);
        EXPECT_TRUE(setResult == kOk || fs.Contents(kStore) == file) << "a refused Set changed the store";
    }
}

// Each call of a Set fails in turn, and then the power goes; last, the whole
// Set runs and then the power goes. The store must come back with the new
// value if the Set reported success, else with the old one: so the temporary
// file is wholly written and synced before the rename, the directory synced
// after it, and any failure reported.
TEST(FileParamStore, ASetCutShortAnywhereLeavesTheValueItReported) {
    const Bytes old(1500, 1), fresh(1500, 2);  // a store file of two writes
    for (int call = 1;; ++call) {
        SCOPED_TRACE(testing::Message() << "call " << call << " of the Set fails");
        FakeFileSystem fs;
        ASSERT_EQ(0, SetOne(kDir, 1, old));
        fs.fault = FileFault{"", "", call};
        const int result = SetOne(kDir, 1, fresh);
        EXPECT_FALSE(fs.Contents(kTemp)) << "the temporary file was left behind";
        fs.LosePower();
        const bool wholeSetRan = fs.fault->seen < call;
        fs.fault.reset();
        EXPECT_EQ(std::pair(0, result == 0 ? fresh : old), GetOne(kDir, 1, 1500)) << "Set returned " << result;
        if (wholeSetRan) break;
    }
}

}  // namespace
