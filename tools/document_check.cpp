#include "document_check.h"

#include <tinyxml.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "client_keys.h"
#include "dor_document.h"
#include "lun_document.h"
#include "xml_path_lookup.h"

namespace {

void CollectPaths(const TiXmlElement* element, const std::string& parent, std::vector<std::string>& paths) {
    for (; element != nullptr; element = element->NextSiblingElement()) {
        const std::string path = parent.empty() ? element->ValueStr() : parent + ":" + element->ValueStr();
        paths.push_back(path);
        CollectPaths(element->FirstChildElement(), path, paths);
    }
}

std::vector<std::string> ElementPaths(const TiXmlDocument& document) {
    std::vector<std::string> paths;
    CollectPaths(document.FirstChildElement(), "", paths);
    return paths;
}

}  // namespace

const std::set<std::string>& DaemonDocumentPaths() {
    // The writers' element paths never change: render and parse them once.
    static const std::set<std::string> paths = [] {
        LunConfig lun;
        lun.ItpLinks.emplace_back();
        std::ostringstream text;
        GetXmlFromDorConfig(text, DorConfig{});
        GetXmlFromLunConfig(text, lun);
        TiXmlDocument document;
        ParseXmlText(document, text.str().c_str());
        const std::vector<std::string> found = ElementPaths(document);
        return std::set<std::string>(found.begin(), found.end());
    }();
    return paths;
}

bool CheckDocument(const std::string& text, std::vector<std::string>& ignored, std::string& error) {
    if (text.size() > kMostRequestBytes) {
        error = "document has " + std::to_string(text.size()) + " bytes, one datagram takes " +
                std::to_string(kMostRequestBytes);
        return false;
    }
    if (text.find('\0') != std::string::npos) {
        error = "document holds a NUL byte; the daemon would stop reading there";
        return false;
    }
    TiXmlDocument document;
    if (!ParseXmlText(document, text.c_str())) {
        error = std::string("document is not well-formed XML: ") + document.ErrorDesc() + " (row " +
                std::to_string(document.ErrorRow()) + ")";
        return false;
    }
    const std::vector<std::string> paths = ElementPaths(document);
    if (std::find(paths.begin(), paths.end(), "ParamMessage") != paths.end()) {
        error = "document holds a ParamMessage element, which makes it a query";
        return false;
    }
    if (std::find(paths.begin(), paths.end(), "config") == paths.end() &&
        std::find(paths.begin(), paths.end(), "LunConfig") == paths.end()) {
        error = "document holds neither a config nor a LunConfig element";
        return false;
    }
    std::set<std::string> keys;
    for (const ClientKey& key : ClientKeys()) keys.insert(key.path);
    const std::set<std::string>& shown = DaemonDocumentPaths();
    for (const std::string& path : paths) {
        if (keys.count(path) != 0) continue;
        if (shown.count(path) == 0) {
            error = "unknown element " + path + " (see: kip-param-client keys)";
            return false;
        }
        if (path.find(':') != std::string::npos && path != "LunConfig:ItpLink") ignored.push_back(path);
    }
    return true;
}
