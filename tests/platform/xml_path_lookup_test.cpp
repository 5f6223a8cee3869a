#include "xml_path_lookup.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

namespace {

struct Lookup {
    bool found;
    std::string value;
};

Lookup Find(const std::string& path, const char* text) {
    std::string value = "untouched";
    bool found = GetPathedElement(value, path, text) != 0;
    return {found, found ? value : ""};
}

TEST(XmlPathLookup, FollowsPathsAcrossSeveralRoots) {
    const char* both =
        "<?xml version=\"1.0\"?><config><Power>5</Power><Power>6</Power></config>"
        "<LunConfig><ItpLink><RemotePort>4001</RemotePort></ItpLink></LunConfig>";
    struct Case {
        const char* path;
        bool found;
        const char* value;
    };
    const Case cases[] = {
        {"config:Power", true, "5"},  // the first of two siblings
        {"LunConfig:ItpLink:RemotePort", true, "4001"},
        {"config", true, ""},
        {"LunConfig", true, ""},
        {"LunConfig:RemotePort", false, ""},
        {"ParamMessage:QueryType", false, ""},
        {"config:Power:Deeper", false, ""},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        Lookup got = Find(c.path, both);
        EXPECT_EQ(c.found, got.found) << c.path;
        EXPECT_EQ(c.value, got.value) << c.path;
        EXPECT_EQ(c.found, GetPathedElement(nullptr, c.path, both) != 0) << c.path;
    }
}

TEST(XmlPathLookup, ElementTextFormsAndTextsThatDoNotParse) {
    const std::pair<const char*, const char*> cases[] = {  // a text and its config:Power, nullptr for none
        {"<config><Power></Power></config>", ""},
        {"<config><Power/></config>", ""},
        {"<config><Power>   </Power></config>", ""},
        {"<config><Power>  4 2  </Power></config>", "  4 2  "},
        {"<config><Power><!-- c -->7</Power></config>", ""},
        {"<config><Power>a&lt;b</Power></config>", "a<b"},
        {"<config><Power>7</Power></config> trailing text", "7"},
        {"", nullptr},
        {"hello", nullptr},
        {"   ", nullptr},
        {"<config><Power>5</Power>", nullptr},
        {"<config><Power>5</config>", nullptr},
        {"\xC3", nullptr},
    };
    for (const auto& [text, value] : cases) {
        const Lookup got = Find("config:Power", text);
        EXPECT_EQ(value != nullptr, got.found) << text;
        EXPECT_EQ(value != nullptr ? value : "", got.value) << text;
        EXPECT_EQ(value != nullptr, Find("config", text).found) << text;
    }
    EXPECT_FALSE(Find("config", nullptr).found);
}

// The parser must never read past the caller's terminator, even for a text
// that ends inside a multi-byte sequence: the text sits right before a page
// that may not be read.
TEST(XmlPathLookup, NeverReadsPastTheCallersText) {
    const long page = sysconf(_SC_PAGESIZE);
    // cppcheck-suppress invalidFunctionArg ; -1 is the fd that MAP_ANONYMOUS asks for
    char* area = static_cast<char*>(mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(MAP_FAILED, area);
    ASSERT_EQ(0, mprotect(area + page, page, PROT_NONE));
    // Only a declaration or a byte-order mark puts the parser in UTF-8 mode.
    for (const char* tail : {"<config>\xF0", "<a b='\xF0", "<?xml?><config>\xF0",
                             "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>b\xD4",
                             "\xEF\xBB\xBF<config><Power>\xE2\x82"}) {
        size_t length = std::strlen(tail) + 1;
        char* text = area + page - length;
        std::memcpy(text, tail, length);
        EXPECT_FALSE(Find("config:Power", text).found);
    }
    munmap(area, 2 * page);
}

}  // namespace
