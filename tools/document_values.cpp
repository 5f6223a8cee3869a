#include "document_values.h"

#include <vector>

std::map<std::string, std::string> ReadDocumentValues(const std::string& text) {
    std::map<std::string, std::string> values;
    std::string groups;  // the path of the elements around the scan, each name followed by ':'
    std::vector<size_t> groupStarts;
    size_t at = 0;
    while ((at = text.find('<', at)) != std::string::npos) {
        const size_t tagEnd = text.find('>', at);
        if (tagEnd == std::string::npos) break;
        const std::string tag = text.substr(at + 1, tagEnd - at - 1);
        at = tagEnd + 1;
        if (tag.empty() || tag[0] == '?') continue;
        if (tag[0] == '/') {
            if (!groupStarts.empty()) {
                groups.resize(groupStarts.back());
                groupStarts.pop_back();
            }
            continue;
        }
        const std::string name = tag.substr(0, tag.find(' '));
        const std::string close = "</" + name + ">";
        const size_t closing = text.find(close, at);
        if (closing == std::string::npos) break;
        // A value is written on one line; a group's content is its element lines.
        const std::string content = text.substr(at, closing - at);
        if (content.find("\r\n") != std::string::npos) {
            groupStarts.push_back(groups.size());
            groups += name + ":";
            continue;
        }
        values[groups + name] = content;
        at = closing + close.size();
    }
    return values;
}
