#include "file_param_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

class TempDir {
public:
    TempDir() {
        char path[] = "/tmp/kip-store-test-XXXXXX";
        if (mkdtemp(path) == nullptr) std::abort();  // never fall back to writing under /
        path_ = path;
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

int SetOne(FileParamStore& store, uint32_t id, Bytes value) {
    ParamDescriptor d{id, static_cast<uint32_t>(value.size()), value.data()};
    return store.Set(&d, 1);
}

std::optional<Bytes> GetOne(FileParamStore& store, uint32_t id, uint32_t length) {
    Bytes value(length);
    ParamDescriptor d{id, length, value.data()};
    if (store.Get(&d, 1) != 0) return std::nullopt;
    return value;
}

Bytes Le32(uint32_t v) {
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

// A store file laid out by hand, its crc correct whatever else is wrong.
std::string StoreFile(const std::vector<std::pair<uint32_t, std::string>>& entries, uint32_t version = 1,
                      int countSkew = 0) {
    auto le32 = [](uint32_t v) {
        Bytes b = Le32(v);
        return std::string(b.begin(), b.end());
    };
    std::string body;
    for (const auto& [id, value] : entries) body += le32(id) + le32(static_cast<uint32_t>(value.size())) + value;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    return "KIPPSTOR" + le32(version) + le32(static_cast<uint32_t>(entries.size() + countSkew)) +
           le32(static_cast<uint32_t>(crc)) + body;
}

TEST(FileParamStore, PersistsAcrossReopen) {
    TempDir tmp;
    const std::string dir = tmp.path() + "/store";  // made by the first Set
    {
        FileParamStore store(dir);
        EXPECT_FALSE(GetOne(store, 7, 6)) << "no store file yet";
        ASSERT_EQ(0, SetOne(store, 7, {1, 2, 3, 4, 5, 6}));
        ASSERT_EQ(0, SetOne(store, 0x01020304, {0xAB}));
    }
    EXPECT_EQ(StoreFile({{7, "\x01\x02\x03\x04\x05\x06"}, {0x01020304, "\xAB"}}), ReadFile(dir + "/parameters.store"));

    FileParamStore reopened(dir);
    EXPECT_EQ(Bytes({1, 2, 3, 4, 5, 6}), GetOne(reopened, 7, 6));
    EXPECT_EQ(Bytes({0xAB}), GetOne(reopened, 0x01020304, 1));
    EXPECT_FALSE(GetOne(reopened, 7, 5)) << "shorter than stored";
    EXPECT_FALSE(GetOne(reopened, 7, 7)) << "longer than stored";
    EXPECT_FALSE(GetOne(reopened, 8, 1)) << "never written";

    ASSERT_EQ(0, SetOne(reopened, 7, {9, 8}));
    FileParamStore third(dir);
    EXPECT_EQ(Bytes({9, 8}), GetOne(third, 7, 2));
    EXPECT_FALSE(GetOne(third, 7, 6));
    EXPECT_EQ(Bytes({0xAB}), GetOne(third, 0x01020304, 1));
}

TEST(FileParamStore, RefusesAndPreservesBadFile) {
    TempDir tmp;
    const std::string path = tmp.path() + "/parameters.store";
    const std::vector<std::pair<uint32_t, std::string>> entries = {{7, "abcdef"}, {9, "z"}};
    const std::string good = StoreFile(entries);

    auto with = [&](size_t at, char value) {
        std::string file = good;
        file[at] = value;
        return file;
    };
    auto oversized = entries;
    for (uint32_t id = 100; id < 360; ++id) oversized.push_back({id, std::string(4096, 'x')});

    const struct {
        const char* name;
        std::string file;
    } cases[] = {
        {"flipped value byte", with(good.size() - 1, 'y')},
        {"flipped crc byte", with(16, static_cast<char>(good[16] ^ 0x80))},
        {"wrong magic", with(0, 'X')},
        {"truncated", good.substr(0, good.size() - 1)},
        {"cut inside header", good.substr(0, 10)},
        {"empty", ""},
        {"trailing byte", good + '\0'},
        {"unknown version", StoreFile(entries, 2)},
        {"count too high", StoreFile(entries, 1, +1)},
        {"count too low", StoreFile(entries, 1, -1)},
        {"repeated id", StoreFile({{7, "abcdef"}, {7, "abcdef"}})},
        {"zero length value", StoreFile({{7, "abcdef"}, {8, ""}, {9, "z"}})},
        {"value over 4096 bytes", StoreFile({{7, "abcdef"}, {9, std::string(4097, 'z')}})},
        {"file over 1 MiB", StoreFile(oversized)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(path, c.file);
        FileParamStore store(tmp.path());
        EXPECT_FALSE(GetOne(store, 7, 6));
        EXPECT_FALSE(GetOne(store, 9, 1));
        EXPECT_NE(0, SetOne(store, 11, {1}));
        EXPECT_NE(0, SetOne(store, 7, {1, 2, 3, 4, 5, 6}));
        EXPECT_EQ(c.file, ReadFile(path));
        EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    }
}

TEST(FileParamStore, SetAndGetAreAllOrNothing) {
    TempDir tmp;
    const std::string path = tmp.path() + "/parameters.store";
    FileParamStore store(tmp.path());
    ASSERT_EQ(0, SetOne(store, 1, {0x11}));
    const std::string before = ReadFile(path);

    uint8_t a = 0x22, b = 0x33;
    uint8_t big[4097] = {};
    const struct {
        const char* name;
        std::vector<ParamDescriptor> call;
    } rejectedSets[] = {
        {"null data last", {{1, 1, &a}, {2, 1, &b}, {3, 1, nullptr}}},
        {"zero length", {{1, 1, &a}, {2, 0, &b}}},
        {"value over 4096 bytes", {{2, 1, &b}, {1, 4097, big}}},
    };
    for (const auto& c : rejectedSets) {
        SCOPED_TRACE(c.name);
        EXPECT_NE(0, store.Set(c.call.data(), static_cast<int>(c.call.size())));
        EXPECT_EQ(before, ReadFile(path));
    }
    ParamDescriptor one{2, 1, &b};
    EXPECT_NE(0, store.Set(nullptr, 1));
    EXPECT_NE(0, store.Set(&one, 0));
    EXPECT_EQ(before, ReadFile(path));
    EXPECT_FALSE(GetOne(store, 2, 1));

    uint8_t c = 0x44, pair[2] = {5, 6};
    const ParamDescriptor twice[] = {{2, 1, &b}, {4, 2, pair}, {2, 1, &c}};
    ASSERT_EQ(0, store.Set(twice, 3));
    EXPECT_EQ(Bytes({0x44}), GetOne(store, 2, 1)) << "the last of a repeated id wins";

    uint8_t out1 = 0xEE, out4[2] = {0xEE, 0xEE}, out9 = 0xEE;
    ParamDescriptor absent[] = {{1, 1, &out1}, {4, 2, out4}, {9, 1, &out9}};
    EXPECT_NE(0, store.Get(absent, 3));
    ParamDescriptor nullData[] = {{1, 1, &out1}, {4, 2, nullptr}};
    EXPECT_NE(0, store.Get(nullData, 2));
    EXPECT_NE(0, store.Get(nullptr, 1));
    EXPECT_NE(0, store.Get(absent, 0));
    EXPECT_EQ(0xEE, out1) << "a failed Get leaves every buffer alone";
    EXPECT_EQ(0xEE, out4[0]);

    ParamDescriptor both[] = {{1, 1, &out1}, {4, 2, out4}};
    ASSERT_EQ(0, store.Get(both, 2));
    EXPECT_EQ(0x11, out1);
    EXPECT_EQ(Bytes({5, 6}), Bytes(out4, out4 + 2));

    // 255 more values of 4096 bytes still fit in 1 MiB, 256 would not: a
    // store too big to read back must never be written.
    Bytes full(4096, 0x5A);
    std::vector<ParamDescriptor> many;
    for (uint32_t id = 100; id < 356; ++id) many.push_back({id, 4096, full.data()});
    const std::string small = ReadFile(path);
    EXPECT_NE(0, store.Set(many.data(), 256));
    EXPECT_EQ(small, ReadFile(path));
    ASSERT_EQ(0, store.Set(many.data(), 255));
    EXPECT_EQ(full, GetOne(store, 354, 4096));
    EXPECT_EQ(Bytes({0x44}), GetOne(store, 2, 1));
}

TEST(FileParamStore, ConcurrentWritersLoseNoUpdate) {
    TempDir tmp;
    constexpr uint32_t kPerWriter = 200;
    const uint32_t bases[] = {1000, 2000};
    std::vector<pid_t> writers;
    for (uint32_t base : bases) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            FileParamStore store(tmp.path());
            for (uint32_t id = base; id < base + kPerWriter; ++id) {
                if (SetOne(store, id, Le32(id)) != 0) _exit(1);
            }
            _exit(0);
        }
        writers.push_back(pid);
    }
    for (pid_t pid : writers) {
        int status = 0;
        ASSERT_EQ(pid, waitpid(pid, &status, 0));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer's Set failed";
    }

    FileParamStore store(tmp.path());
    for (uint32_t base : bases) {
        for (uint32_t id = base; id < base + kPerWriter; ++id) {
            ASSERT_EQ(Le32(id), GetOne(store, id, 4)) << "id " << id;
        }
    }
}

TEST(FileParamStore, KilledWriterLeavesWholeStore) {
    TempDir tmp;
    constexpr uint32_t kBlobLength = 3000;
    {
        FileParamStore store(tmp.path());
        ASSERT_EQ(0, SetOne(store, 1, Le32(0)));
        ASSERT_EQ(0, SetOne(store, 2, Bytes(kBlobLength, 0)));
    }
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<unsigned> delayMicroseconds(500, 6000);

    uint32_t counter = 0;
    for (int round = 0; round < 20; ++round) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // Each Set carries a counter and a blob made of its low byte, so a
            // store mixed from two writes would not match itself.
            FileParamStore store(tmp.path());
            for (uint32_t next = counter + 1;; ++next) {
                Bytes count = Le32(next), blob(kBlobLength, static_cast<uint8_t>(next));
                const ParamDescriptor both[] = {{1, 4, count.data()}, {2, kBlobLength, blob.data()}};
                if (store.Set(both, 2) != 0) _exit(1);
            }
        }
        usleep(delayMicroseconds(random));
        kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(pid, waitpid(pid, &status, 0));
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped on its own in round " << round;

        FileParamStore store(tmp.path());
        Bytes count(4), blob(kBlobLength);
        ParamDescriptor both[] = {{1, 4, count.data()}, {2, kBlobLength, blob.data()}};
        ASSERT_EQ(0, store.Get(both, 2)) << "round " << round;
        const uint32_t now = count[0] | count[1] << 8 | count[2] << 16 | static_cast<uint32_t>(count[3]) << 24;
        EXPECT_GE(now, counter) << "an older store came back in round " << round;
        EXPECT_EQ(Bytes(kBlobLength, static_cast<uint8_t>(now)), blob) << "round " << round;
        counter = now;
        ASSERT_EQ(0, SetOne(store, 3, {static_cast<uint8_t>(round)})) << "round " << round;
    }
    EXPECT_GT(counter, 0u) << "the writer never completed a Set";
}

}  // namespace
