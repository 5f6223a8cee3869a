#include "store_tool.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "catalogue.h"
#include "fake_param_service.h"
#include "file_param_store.h"
#include "host_bytes.h"
#include "value_text.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Args = std::vector<std::string>;

constexpr int kAbsent = FileParamStore::kAbsent;

struct Result {
    int status;
    std::string out, err;
    long ErrLines() const { return std::count(err.begin(), err.end(), '\n'); }
};

Result Tool(const Args& args) {
    std::ostringstream out, err;
    int status = RunStoreTool(args, out, err);
    return {status, out.str(), err.str()};
}

// A file store in a fresh directory, answering get_parms/set_parms meanwhile.
class TempStore {
public:
    TempStore() : dir_(MakeDir()), store_(dir_), install_(store_) {}
    ~TempStore() { std::filesystem::remove_all(dir_); }
    const std::string& Path() const { return store_.StorePath(); }

private:
    static std::string MakeDir() {
        char path[] = "/tmp/kip-tool-test-XXXXXX";
        return mkdtemp(path) != nullptr ? path : "";
    }
    std::string dir_;
    FileParamStore store_;
    ScopedInstall<ParamService> install_;
};

struct Sample {
    uint32_t id;
    std::string text;
    Bytes bytes;
};

const std::vector<Sample> kSamples = {
    {134, "3", {3}},          {139, "513", HostBytes<uint16_t>(513)}, {135, "4294967295", HostBytes(4294967295u)},
    {142, "10.1.2.3", {10, 1, 2, 3}}, {147, "7620011234", {0x76, 0x20, 0x01, 0x12, 0x34, 0}},
    {144, "B", {'B'}},        {144, "\\x01", {0x01}},
};

TEST(ValueText, EveryEncodingRoundTripsAndLooseTextIsRefused) {
    for (const Sample& sample : kSamples) {
        const CatalogueEntry& entry = *FindCatalogueEntry(sample.id);
        Bytes bytes;
        std::string error, text;
        ASSERT_TRUE(ParseValue(entry, sample.text, bytes, error)) << sample.text << ": " << error;
        EXPECT_EQ(sample.bytes, bytes) << sample.text;
        ASSERT_TRUE(FormatValue(entry, bytes, text));
        EXPECT_EQ(sample.text, text);
    }
    std::string text = "kept";
    EXPECT_FALSE(FormatValue(*FindCatalogueEntry(135), Bytes{1, 2, 3}, text));
    EXPECT_EQ("kept", text);

    // Forms the store tool's own table does not try.
    const std::vector<std::pair<uint32_t, std::string>> refused = {
        {134, ""},          {134, "12a"},       {134, " 1"},         {139, "65536"},     {135, "4294967296"},
        {135, "99999999999999999999999"},       {135, "0x10"},       {142, "1.2.3.4.5"}, {142, "256.1.1.1"},
        {142, "010.0.0.1"}, {142, "1.2.3."},    {142, "0x7f.0.0.1"}, {147, "762001123"}, {147, "762001123G"},
        {144, ""},          {144, "\\x1"},
    };
    for (const auto& [id, text] : refused) {
        Bytes bytes = {9};
        std::string error;
        EXPECT_FALSE(ParseValue(*FindCatalogueEntry(id), text, bytes, error)) << id << " '" << text << "'";
        EXPECT_FALSE(error.empty()) << text;
        EXPECT_EQ(Bytes{9}, bytes) << text;
    }

    Bytes bytes;
    ASSERT_TRUE(ParseHex("00Ff7b", bytes));
    EXPECT_EQ("00ff7b", FormatHex(bytes));
    EXPECT_FALSE(ParseHex("0ff", bytes));
    EXPECT_FALSE(ParseHex("0g", bytes));
    EXPECT_EQ((Bytes{0x00, 0xff, 0x7b}), bytes);
}

TEST(StoreTool, ValuesAreStoredAsTheirBytes) {
    for (const Sample& sample : kSamples) {
        FakeParamService fake;
        const std::string id = std::to_string(sample.id);
        Result set = Tool({"set", id, sample.text});
        EXPECT_EQ(0, set.status) << set.err;
        EXPECT_EQ((std::vector<ParamBytes>{{sample.id, sample.bytes}}), fake.Writes());
        EXPECT_EQ(sample.text + "\n", Tool({"get", id}).out);
    }
    TempStore store;
    EXPECT_EQ(0, Tool({"set", "--hex", "135", "0000007b"}).status);
    Result got = Tool({"get", "--hex", "135"});
    EXPECT_EQ(0, got.status) << got.err;
    EXPECT_EQ("0000007b\n", got.out);
}

TEST(StoreTool, BadInputIsRefusedInOneLineWithoutWriting) {
    const std::vector<Args> cases = {
        {"set", "--hex", "135", "0000007"}, {"set", "--hex", "135", "0000007g"}, {"set", "--hex", "135", "00007b"},
        {"set", "--hex", "147", "7620011234"}, {"set", "159", "1"}, {"get", "159"}, {"set", "999", "1"},
        {"get", "abc"}, {"get", "-1"}, {"set", "134", "256"}, {"set", "135", "-1"}, {"set", "142", "10.1.2"},
        {"set", "147", "76200112345"}, {"set", "144", "AB"}, {"set", "135"}, {"get"}, {"get", "134", "135"}, {},
        {"frob"}, {"get", "--force", "135"}, {"init", "now"},
    };
    for (const Args& args : cases) {
        FakeParamService fake;
        Result result = Tool(args);
        std::string line = ::testing::PrintToString(args);
        EXPECT_EQ(2, result.status) << line;
        EXPECT_EQ("", result.out) << line;
        EXPECT_EQ(0u, result.err.find("kip-param-store: ")) << line << result.err;
        EXPECT_EQ(1, result.ErrLines()) << line;
        EXPECT_TRUE(fake.Writes().empty()) << line;
    }
}

TEST(StoreTool, UnsetParameterDiffersFromUnreadableStore) {
    FakeParamService fake;
    fake.failingIds = {135};
    fake.failureResult = kAbsent;
    Result unset = Tool({"get", "135"});
    EXPECT_EQ(1, unset.status);
    EXPECT_NE(std::string::npos, unset.err.find("unset")) << unset.err;
    fake.failureResult = -2;
    EXPECT_EQ(2, Tool({"get", "135"}).status);
    EXPECT_EQ(2, Tool({"show"}).status);
    EXPECT_EQ(2, Tool({"set", "135", "1"}).status);

    // A store file that fails its check: every command refuses, nothing is rewritten.
    TempStore store;
    std::ofstream(store.Path(), std::ios::binary) << "not a parameter store";
    for (const Args& args : std::vector<Args>{{"get", "135"}, {"show"}, {"init"}, {"init", "--force"}}) {
        Result result = Tool(args);
        EXPECT_EQ(2, result.status) << args[0];
        EXPECT_EQ("", result.out) << args[0];
    }
    std::ifstream in(store.Path(), std::ios::binary);
    EXPECT_EQ("not a parameter store", std::string(std::istreambuf_iterator<char>(in), {}));
}

TEST(StoreTool, InitWritesEveryDefaultInOneCall) {
    FakeParamService fake;  // reads of unknown ids succeed: it looks full
    EXPECT_EQ(2, Tool({"init"}).status);
    EXPECT_TRUE(fake.Writes().empty());
    EXPECT_EQ(0, Tool({"init", "--force"}).status);
    std::set<uint32_t> ids;
    for (const ParamCall& call : fake.calls) {
        if (!call.set) continue;
        EXPECT_EQ(int(kCatalogueSize), call.callSize);
        if (FindCatalogueEntry(call.id) != nullptr) ids.insert(call.id);
    }
    EXPECT_EQ(kCatalogueSize, ids.size());
    EXPECT_EQ((Bytes{0x26, 0x20, 0x01, 0x00, 0x01, 0}), fake.values[147]);
    EXPECT_EQ((Bytes{127, 0, 0, 1}), fake.values[158]);
    EXPECT_EQ(HostBytes<uint16_t>(24), fake.values[161]);
    EXPECT_EQ(Bytes{'A'}, fake.values[144]);

    TempStore store;
    EXPECT_EQ(0, Tool({"init"}).status);
    Result again = Tool({"init"});
    EXPECT_EQ(2, again.status);
    EXPECT_EQ(1, again.ErrLines());
    EXPECT_EQ(0, Tool({"set", "134", "5"}).status);
    EXPECT_EQ(0, Tool({"init", "--force"}).status);
    EXPECT_EQ("3\n", Tool({"get", "134"}).out);
    EXPECT_EQ("7\n", Tool({"get", "162"}).out);
}

TEST(StoreTool, ShowListsEveryParameterReadingEachAlone) {
    FakeParamService fake;
    fake.values[134] = {3};
    fake.failingIds = {138, 150};
    fake.failureResult = kAbsent;
    Result shown = Tool({"show"});
    ASSERT_EQ(0, shown.status) << shown.err;
    std::istringstream lines(shown.out);
    std::vector<std::string> all;
    for (std::string line; std::getline(lines, line);) all.push_back(line);
    ASSERT_EQ(kCatalogueSize, all.size());
    EXPECT_EQ("134  1  DorConfig.LogLevel                  3", all[0]);
    EXPECT_EQ(" unset", all[4].substr(all[4].size() - 6));  // 138
    EXPECT_EQ(2, std::count_if(all.begin(), all.end(), [](auto& l) { return l.find("unset") != l.npos; }));
    for (const ParamCall& call : fake.calls) EXPECT_EQ(1, call.callSize);

    for (const char* help : {"--help", "-h", "help"}) EXPECT_EQ(0, Tool({help}).status);
}

}  // namespace
