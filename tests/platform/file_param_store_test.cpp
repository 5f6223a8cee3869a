#include "file_param_store.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "fake_file_system.h"
#include "host_bytes.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct TempDir {
    char name[27] = "/tmp/kip-store-test-XXXXXX";
    const std::string path = mkdtemp(name) != nullptr ? name : throw std::runtime_error("no temporary directory");
    ~TempDir() { std::filesystem::remove_all(path); }
};

std::string ReadFile(const std::string& path) {
    return {std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {}};
}

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

// A store file laid out by hand, its crc correct whatever else is wrong.
std::string StoreFile(const std::vector<std::pair<uint32_t, std::string>>& entries) {
    auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    std::string body;
    for (const auto& [id, value] : entries) body += le32(id) + le32(static_cast<uint32_t>(value.size())) + value;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    return "KIPPSTOR" + le32(1) + le32(entries.size()) + le32(crc) + body;
}

// Runs `body` in a child process, which exits 0 if it returns.
template <class Body>
pid_t Spawn(Body body) {
    const pid_t pid = fork();
    if (pid < 0) std::abort();  // a kill(-1) would reach every process of ours
    if (pid == 0) _exit((body(), 0));
    return pid;
}

// The wait status of child `pid`.
int Reap(pid_t pid) {
    int status = -1;
    return waitpid(pid, &status, 0) == pid ? status : -1;
}

// Waits for one byte on `fd`; false when every writer closed it first.
bool AwaitByte(int fd) {
    char byte;
    ssize_t n;
    do {
        n = read(fd, &byte, 1);
    } while (n < 0 && errno == EINTR);
    return n == 1;
}

// On the real filesystem: what only a real one shows.

TEST(FileParamStore, CorruptFileIsRefusedAndLeftByteIdentical) {
    TempDir tmp;
    const std::string path = tmp.path + "/parameters.store";
    const std::string good = StoreFile({{7, "abcdef"}, {9, "z"}});
    std::ofstream(path, std::ios::binary) << good;
    ASSERT_EQ(Bytes({'z'}), GetOne(tmp.path, 9, 1)) << "the hand-made file must be a valid store";

    const std::pair<const char*, std::string> cases[] = {
        {"flipped value byte", good.substr(0, good.size() - 1) + 'y'},
        {"truncated", good.substr(0, good.size() - 1)},
        {"wrong magic", 'X' + good.substr(1)},
        {"repeated id, crc correct", StoreFile({{7, "abcdef"}, {7, "abcdef"}})},
    };
    for (const auto& [name, file] : cases) {
        SCOPED_TRACE(name);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << file;
        EXPECT_FALSE(GetOne(tmp.path, 7, 6));
        EXPECT_NE(0, SetOne(tmp.path, 11, {1}));
        EXPECT_EQ(file, ReadFile(path));
    }
}

TEST(FileParamStore, ConcurrentWritersMakeTheStoreAndLoseNoUpdate) {
    TempDir tmp;
    const std::string dir = tmp.path + "/store";  // made by whichever writer comes first
    EXPECT_FALSE(GetOne(dir, 0, 4)) << "no store yet";
    auto writeEveryOther = [&](uint32_t first) {
        for (uint32_t id = first; id < 300; id += 2) SetOne(dir, id, HostBytes(id));
    };
    const pid_t writers[] = {Spawn([&] { writeEveryOther(0); }), Spawn([&] { writeEveryOther(1); })};
    for (pid_t pid : writers) ASSERT_EQ(0, Reap(pid));
    for (uint32_t id = 0; id < 300; ++id) ASSERT_EQ(HostBytes(id), GetOne(dir, id, 4)) << "id " << id;
}

TEST(FileParamStore, WriterKilledMidSetLeavesAWholeStore) {
    TempDir tmp;
    constexpr uint32_t kLength = 3000;  // each write is one byte repeated, so a mix of two would show
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(0, SetOne(tmp.path, 1, Bytes(kLength, 0)));
        // The writer says when its first Set is done, so the kill lands after
        // it however slowly the machine runs; a failed Set ends it unsignalled.
        int setDone[2];
        ASSERT_EQ(0, pipe(setDone));
        const pid_t pid = Spawn([&] {
            bool told = false;
            for (uint8_t b = 1; SetOne(tmp.path, 1, Bytes(kLength, b)) == 0; b = b % 255 + 1) {
                if (!told) told = write(setDone[1], "", 1) == 1;
            }
        });
        close(setDone[1]);
        const bool setCompleted = AwaitByte(setDone[0]);
        close(setDone[0]);
        usleep((round * 1237) % 3000);  // later writes have come to different points
        kill(pid, SIGKILL);
        ASSERT_TRUE(WIFSIGNALED(Reap(pid))) << "a Set failed in the writer";
        ASSERT_TRUE(setCompleted) << "the writer never completed a Set";
        const std::optional<Bytes> value = GetOne(tmp.path, 1, kLength);
        ASSERT_TRUE(value) << "the store no longer opens or fails its check";
        EXPECT_EQ(Bytes(kLength, value->front()), *value);
        EXPECT_NE(0, value->front()) << "the completed Set was lost";
    }
}

// The tests below run on the in-memory filesystem. Its store directory lies
// under one the host does not have, so a call that missed the seam fails
// instead of touching the machine.
const std::string kDir = "/no-such-directory/kip";
const std::string kStore = kDir + "/parameters.store";
const std::string kTemp = kStore + ".tmp";
const std::string kLock = kDir + "/parameters.lock";
constexpr uint32_t kValueLength = 1500;  // a store file of two writes
const Bytes kOld(kValueLength, 1), kNew(kValueLength, 2);

TEST(FileParamStore, PersistsAcrossReopenOnlyAtTheStoredLength) {
    FakeFileSystem fs;
    EXPECT_FALSE(GetOne(kDir, 7, 6)) << "no store file yet";
    ASSERT_EQ(0, SetOne(kDir, 7, {1, 2, 3, 4, 5, 6})) << "the first Set makes the directory";
    ASSERT_EQ(0, SetOne(kDir, 0x01020304, {0xAB}));
    EXPECT_EQ(Bytes({1, 2, 3, 4, 5, 6}), GetOne(kDir, 7, 6));
    EXPECT_FALSE(GetOne(kDir, 7, 5) || GetOne(kDir, 7, 7) || GetOne(kDir, 8, 1)) << "a length or id never stored";
    ASSERT_EQ(0, SetOne(kDir, 7, {9, 8}));
    EXPECT_EQ(Bytes({9, 8}), GetOne(kDir, 7, 2));
    EXPECT_EQ(Bytes({0xAB}), GetOne(kDir, 0x01020304, 1)) << "an overwrite keeps the other values";
}

TEST(FileParamStore, MultiDescriptorCallsAreAllOrNothing) {
    FakeFileSystem fs;
    FileParamStore store(kDir);
    ASSERT_EQ(0, SetOne(kDir, 1, {0x11}));
    const std::optional<std::string> before = fs.Contents(kStore);

    uint8_t a = 0x22, b = 0x33, big[4097] = {};
    const ParamDescriptor nullLast[] = {{2, 1, &a}, {3, 1, &b}, {4, 1, nullptr}};
    const ParamDescriptor tooLong[] = {{2, 1, &a}, {5, 4097, big}};
    EXPECT_NE(0, store.Set(nullLast, 3));
    EXPECT_NE(0, store.Set(tooLong, 2));
    std::vector<ParamDescriptor> tooMany;  // a store over 1 MiB could not be read back
    for (uint32_t id = 100; id < 356; ++id) tooMany.push_back({id, 4096, big});
    EXPECT_NE(0, store.Set(tooMany.data(), 256));
    EXPECT_EQ(before, fs.Contents(kStore));

    ASSERT_EQ(0, store.Set(nullLast, 2)) << "the same call without its bad descriptor";
    uint8_t out[3] = {0xEE, 0xEE, 0xEE};
    ParamDescriptor reads[] = {{1, 1, &out[0]}, {2, 1, &out[1]}, {9, 1, &out[2]}};
    EXPECT_NE(0, store.Get(reads, 3)) << "id 9 was never written";
    EXPECT_EQ(Bytes({0xEE, 0xEE}), Bytes(out, out + 2)) << "a failed Get leaves every buffer alone";
    ASSERT_EQ(0, store.Get(reads, 2));
    EXPECT_EQ(Bytes({0x11, 0x22}), Bytes(out, out + 2));
}

// The power goes before each call of a Set in turn, and once after its last:
// the store must come back whole, and with the new value once Set returned.
// That holds only if the temporary file is wholly written and synced before
// the rename, and the directory synced after it.
TEST(FileParamStore, PowerLossAnywhereInASetKeepsTheOldOrTheReportedValue) {
    for (size_t cut = 0;; ++cut) {
        SCOPED_TRACE(testing::Message() << "power gone at call " << cut);
        FakeFileSystem fs;
        ASSERT_EQ(0, SetOne(kDir, 1, kOld));
        fs.powerGoneAt = fs.calls.size() + cut;
        const int result = SetOne(kDir, 1, kNew);
        const bool wholeSetRan = fs.calls.size() <= fs.powerGoneAt;
        fs.LosePower();
        const std::optional<Bytes> value = GetOne(kDir, 1, kValueLength);
        ASSERT_TRUE(value == kOld || value == kNew) << "the store no longer opens or fails its check";
        if (result == 0) {
            EXPECT_EQ(kNew, value) << "a Set reported done was lost";
        }
        if (wholeSetRan) {
            EXPECT_EQ(0, result);
            break;
        }
    }
}

TEST(FileParamStore, AnyFailingCallFailsTheSetAndKeepsTheOldStoreOnDisk) {
    const FileFault faults[] = {
        {"open", kLock, 0, EROFS},  // a read-only remount
        {"flock", kLock, 0, ENOLCK},
        {"open", kTemp, 0, EACCES},
        {"write", kTemp, 2, ENOSPC},  // full halfway through
        {"fsync", kTemp},
        {"close", kTemp},
        {"rename", kTemp},
        {"open", kDir},
        {"fsync", kDir},
    };
    for (const FileFault& fault : faults) {
        SCOPED_TRACE(testing::Message() << fault.name << " " << fault.path);
        FakeFileSystem fs;
        ASSERT_EQ(0, SetOne(kDir, 1, kOld));
        const std::optional<std::string> old = fs.Contents(kStore);
        fs.faults = {fault};
        EXPECT_NE(0, SetOne(kDir, 1, kNew));
        EXPECT_TRUE(GetOne(kDir, 1, kValueLength)) << "the store no longer opens or fails its check";
        EXPECT_FALSE(fs.Contents(kTemp)) << "the temporary file was left behind";
        fs.LosePower();
        EXPECT_EQ(old, fs.Contents(kStore));
    }
}

TEST(FileParamStore, ALockNotTakenRefusesTheWholeSet) {
    FakeFileSystem fs;
    ASSERT_EQ(0, SetOne(kDir, 1, kOld));
    fs.calls.clear();
    fs.faults = {{"flock", kLock, 0, EWOULDBLOCK}};
    EXPECT_NE(0, SetOne(kDir, 1, kNew));
    EXPECT_EQ((std::vector<FileCall>{{"mkdir", kDir}, {"open", kLock}, {"flock", kLock}, {"close", kLock}}), fs.calls)
        << "nothing read or written without the lock";
}

TEST(FileParamStore, InterruptedCallsAreRepeated) {
    for (const char* name : {"read", "write", "flock"}) {
        SCOPED_TRACE(name);
        FakeFileSystem fs;
        ASSERT_EQ(0, SetOne(kDir, 1, kOld));
        fs.faults = {{name, "", 1, EINTR}};
        EXPECT_EQ(0, SetOne(kDir, 1, kNew));
        EXPECT_EQ(kNew, GetOne(kDir, 1, kValueLength));
    }
}

}  // namespace
