#include "file_param_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "fake_file_system.h"
#include "host_bytes.h"

namespace {

using namespace std::string_literals;
using Bytes = std::vector<uint8_t>;

struct TempDir {
    char name[27] = "/tmp/kip-store-test-XXXXXX";
    const std::string path = mkdtemp(name) != nullptr ? name : throw std::runtime_error("no temporary directory");
    ~TempDir() { std::filesystem::remove_all(path); }
};

// Each call opens the store afresh, as another process would.
int SetOne(const std::string& dir, uint32_t id, Bytes value) {
    ParamDescriptor d{id, static_cast<uint32_t>(value.size()), value.data()};
    return FileParamStore(dir).Set(&d, 1);
}

std::optional<Bytes> GetOne(const std::string& dir, uint32_t id, uint32_t length) {
    Bytes value(length);
    ParamDescriptor d{id, length, value.data()};
    return FileParamStore(dir).Get(&d, 1) == 0 ? std::optional(value) : std::nullopt;
}

// Runs `body` in a child process, which exits 0 if it returns.
template <class Body>
pid_t Spawn(Body body) {
    const pid_t pid = fork();
    if (pid < 0) std::abort();  // a kill(-1) would reach every process of ours
    if (pid == 0) _exit((body(), 0));
    return pid;
}

int WaitStatus(pid_t pid) { int status = -1; return waitpid(pid, &status, 0) == pid ? status : -1; }

// Each round a victim sets one value over and over until it is killed, while
// a writer adds values of its own: the victim's value stays whole, and every
// writer's value arrives although the victim may die holding the lock.
TEST(FileParamStore, AWriterKilledMidSetLeavesAWholeStoreAndOthersLoseNoUpdate) {
    TempDir tmp;
    constexpr uint32_t kLength = 3000, kPerRound = 15;  // one byte repeated, so a mix of two would show
    for (uint32_t round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        // The victim says when its first Set is done, so the kill lands after
        // it however slowly the machine runs; a failed Set ends it unsignalled.
        int setDone[2];
        ASSERT_EQ(0, pipe(setDone));
        const pid_t victim = Spawn([&] {
            for (uint8_t b = 1; SetOne(tmp.path, 0, Bytes(kLength, b)) == 0; b = b % 255 + 1) {
                if (b == 1) (void)!write(setDone[1], "", 1);
            }
        });
        close(setDone[1]);
        char byte;
        ASSERT_EQ(1, read(setDone[0], &byte, 1)) << "the victim never completed a Set";
        close(setDone[0]);
        const uint32_t firstId = round * kPerRound + 1;
        const pid_t writer = Spawn([&] {
            for (uint32_t id = firstId; id < firstId + kPerRound; ++id) SetOne(tmp.path, id, HostBytes(id));
        });
        usleep((round * 1237) % 3000);  // the kill comes at a different point each round
        kill(victim, SIGKILL);
        ASSERT_TRUE(WIFSIGNALED(WaitStatus(victim))) << "a Set failed in the victim";
        ASSERT_EQ(0, WaitStatus(writer));
        const std::optional<Bytes> value = GetOne(tmp.path, 0, kLength);
        ASSERT_TRUE(value) << "the store no longer opens or fails its check";
        EXPECT_EQ(Bytes(kLength, value->front()), *value);
        EXPECT_NE(0, value->front()) << "the completed Set was lost";
    }
    for (uint32_t id = 1; id <= 20 * kPerRound; ++id) ASSERT_EQ(HostBytes(id), GetOne(tmp.path, id, 4)) << id;
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
    constexpr int kOk = FileParamStore::kOk, kIoError = FileParamStore::kIoError;
    constexpr int kCorrupt = FileParamStore::kCorrupt, kAbsent = FileParamStore::kAbsent;
    // A corrupt file is read without any fault, so only the store's own
    // checks can refuse it; a Get of the new id then tells why the Set failed.
    const std::tuple<const char*, std::string, std::optional<FileFault>, int, int> cases[] = {
        {"flipped value byte", good.substr(0, good.size() - 1) + 'y', {}, kCorrupt, kCorrupt},
        {"truncated", good.substr(0, good.size() - 1), {}, kCorrupt, kCorrupt},
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
        ASSERT_EQ(0, SetOne(kDir, 0x01020304, {'z'}));
        ASSERT_EQ(0, SetOne(kDir, 7, {'a', 'b', 'c'}));
        ASSERT_EQ(good, fs.Contents(kStore));
        const int fd = Files().Open(kStore.c_str(), O_WRONLY | O_TRUNC, 0);
        ASSERT_TRUE(WriteAll(fd, file) && Files().Close(fd) == 0);
        if (fault) fs.faults = {*fault};
        EXPECT_EQ(setResult, SetOne(kDir, 11, {1}));
        uint8_t value = 0;
        ParamDescriptor d{11, 1, &value};
        EXPECT_EQ(getResult, FileParamStore(kDir).Get(&d, 1));
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
        fs.faults = {{"", "", call}};
        const int result = SetOne(kDir, 1, fresh);
        EXPECT_FALSE(fs.Contents(kTemp)) << "the temporary file was left behind";
        fs.LosePower();
        const bool wholeSetRan = fs.faults[0].seen < call;
        fs.faults.clear();
        EXPECT_EQ(result == 0 ? fresh : old, GetOne(kDir, 1, 1500)) << "Set returned " << result;
        if (wholeSetRan) break;
    }
}

}  // namespace
