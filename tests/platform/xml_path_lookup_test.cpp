#include "xml_path_lookup.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <tuple>

namespace {

// Every text sits right before a page that may not be read, so a lookup that
// reads past the caller's terminator crashes: TinyXML does, on a text that
// ends inside a multi-byte sequence. The documents' tests follow paths.
TEST(XmlPathLookup, FindsAnElementWithoutTextAndNeverReadsPastTheText) {
    const long page = sysconf(_SC_PAGESIZE);
    // cppcheck-suppress invalidFunctionArg ; -1 is the fd that MAP_ANONYMOUS asks for
    char* area = static_cast<char*>(mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(MAP_FAILED, area);
    ASSERT_EQ(0, mprotect(area + page, page, PROT_NONE));
    const std::tuple<const char*, const char*, const char*> cases[] = {  // path, text, its value (nullptr: none)
        {"config:Power", "<config><Power/></config>", ""},
        {"config", "<config><Power>5</Power>", nullptr},  // the part of a text that does not parse
        // A declaration or a byte-order mark puts the parser in UTF-8 mode,
        // where a text that ends inside a multi-byte sequence is read past.
        {"config", "<?xml?><config>\xF0", nullptr},
        {"config", "\xEF\xBB\xBF<config><Power>\xE2\x82", nullptr},
    };
    for (const auto& [path, text, value] : cases) {
        SCOPED_TRACE(testing::Message() << path << " in " << text);
        const size_t size = std::strlen(text) + 1;
        const char* atPageEnd = static_cast<char*>(std::memcpy(area + page - size, text, size));
        std::string found;
        EXPECT_EQ(value != nullptr, GetPathedElement(found, path, atPageEnd) != 0);
        EXPECT_EQ(value != nullptr ? value : found, found);
    }
    munmap(area, 2 * page);
    std::string found;
    EXPECT_EQ(0, GetPathedElement(found, "config", nullptr));
}

}  // namespace
