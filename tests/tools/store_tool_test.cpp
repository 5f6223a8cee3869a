#include "store_tool.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "catalogue.h"
#include "fake_param_service.h"
#include "file_param_store.h"
#include "host_bytes.h"

namespace {

using Args = std::vector<std::string>;

struct Result { int status; std::string out, err; };

Result Tool(const Args& args) {
    std::ostringstream out, err;
    const int status = RunStoreTool(args, out, err);
    return {status, out.str(), err.str()};
}

long Count(const std::string& text, const std::string& what, size_t from = 0) {
    const size_t at = text.find(what, from);
    return at == std::string::npos ? 0 : 1 + Count(text, what, at + 1);
}

// A file store in a fresh directory, answering get_parms/set_parms meanwhile.
struct TempStore {
    char dir[26] = "/tmp/kip-tool-test-XXXXXX";
    FileParamStore store{mkdtemp(dir) != nullptr ? dir : throw std::runtime_error("no temporary directory")};
    ScopedInstall<ParamService> install{store};
    ~TempStore() { std::filesystem::remove_all(dir); }
    std::string File() const { return {std::istreambuf_iterator<char>(std::ifstream(store.StorePath()).rdbuf()), {}}; }
};

TEST(StoreTool, ValuesAreStoredAsTheirHostOrderBytesAndShownBack) {
    const struct { uint32_t id; std::string text; std::vector<uint8_t> bytes; std::string shown; } cases[] = {
        {134, "255", {255}, "255"}, {139, "513", HostBytes<uint16_t>(513), "513"}, {144, "B", {'B'}, "B"},
        {135, "305419896", HostBytes<uint32_t>(305419896), "305419896"}, {142, "10.1.2.3", {10, 1, 2, 3}, "10.1.2.3"},
        {147, "76200112ab", {0x76, 0x20, 0x01, 0x12, 0xAB, 0}, "76200112AB"}, {144, " ", {' '}, "\\x20"},
        {144, "\\x01", {0x01}, "\\x01"},
    };
    for (const auto& c : cases) {
        FakeParamService fake;
        EXPECT_EQ(0, Tool({"set", std::to_string(c.id), c.text}).status) << c.text;
        EXPECT_EQ((std::vector<ParamBytes>{{c.id, c.bytes}}), fake.Writes()) << c.text;
        EXPECT_EQ(c.shown + "\n", Tool({"get", std::to_string(c.id)}).out);
    }
    TempStore store;
    EXPECT_EQ(0, Tool({"set", "--hex", "135", "0000007b"}).status);
    EXPECT_EQ("0000007b\n", Tool({"get", "--hex", "135"}).out);
}

TEST(StoreTool, BadInputExitsTwoWithOneLineAndWritesNothing) {
    const Args cases[] = {
        {}, {"frob"}, {"get"}, {"get", "134", "135"}, {"set", "135"}, {"get", "--force", "135"}, {"init", "now"},
        {"get", "abc"}, {"get", "159"}, {"set", "999", "1"}, {"set", "--hex", "135", "0000007"},
        {"set", "--hex", "135", "0000007g"}, {"set", "--hex", "135", "00007b"}, {"set", "134", "256"},
        {"set", "134", ""}, {"set", "139", "65536"}, {"set", "135", "4294967296"}, {"set", "135", "-1"},
        {"set", "135", "18446744073709551617"}, {"set", "135", "0x10"}, {"set", "142", "10.1.2"},
        {"set", "142", "256.1.1.1"}, {"set", "142", "010.0.0.1"}, {"set", "147", "762001123"},
        {"set", "147", "762001123G"}, {"set", "144", "AB"}, {"set", "144", "\\x1"},
    };
    for (const Args& args : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        FakeParamService fake;
        const Result result = Tool(args);
        EXPECT_EQ(2, result.status);
        EXPECT_EQ(1, Count(result.err, "\n")) << result.err;
        EXPECT_TRUE(fake.Writes().empty());
    }
}

TEST(StoreTool, UnsetExitsOneButACorruptStoreExitsTwoAndIsLeftAlone) {
    TempStore store;
    EXPECT_EQ(1, Tool({"get", "135"}).status) << "nothing stored yet";

    std::ofstream(store.store.StorePath(), std::ios::binary) << "not a parameter store";
    for (const Args& args : {Args{"get", "135"}, Args{"get", "--hex", "135"}, Args{"show"}, Args{"set", "135", "1"},
                             Args{"set", "--hex", "138", "01"}, Args{"init"}, Args{"init", "--force"}}) {
        EXPECT_EQ(2, Tool(args).status) << args[0];
    }
    EXPECT_EQ("not a parameter store", store.File());
}

TEST(StoreTool, ShowListsEveryParameterAndInitWritesEveryDefaultInOneCallOnce) {
    FakeParamService fake;
    ASSERT_EQ(0, Tool({"init", "--force"}).status);
    EXPECT_EQ(kCatalogueSize, fake.Writes().size());
    EXPECT_EQ(int(kCatalogueSize), fake.calls.back().callSize) << "all in one call";

    TempStore store;  // answers in place of the fake from here on
    EXPECT_EQ(long(kCatalogueSize), Count(Tool({"show"}).out, " unset\n")) << "unset ones are listed too";
    ASSERT_EQ(0, Tool({"init"}).status);
    const Result shown = Tool({"show"});
    EXPECT_EQ(long(kCatalogueSize), Count(shown.out, "\n"));
    EXPECT_EQ(0u, shown.out.find("134  1  DorConfig.LogLevel                  3\n"));
    EXPECT_EQ(0, Count(shown.out, "unset")) << "a default for every catalogued id";
    ASSERT_EQ(0, Tool({"set", "134", "5"}).status);
    EXPECT_EQ(2, Tool({"init"}).status) << "a second time";
    EXPECT_EQ("5\n", Tool({"get", "134"}).out) << "the refused init wrote nothing";
    ASSERT_EQ(0, Tool({"init", "--force"}).status);
    EXPECT_EQ("3\n", Tool({"get", "134"}).out) << "--force puts the default back";
}

}  // namespace
