#include "source_gate.h"

#include <arpa/inet.h>

#include <string>

#include "query_message.h"
#include "xml_path_lookup.h"

bool AdmitsRequest(const SourceLists& lists, UdpServer* server) {
    switch (ClassifySource(lists, ntohl(server->addr.sin_addr.s_addr))) {
        case SourceKind::kWriter:
            return true;
        case SourceKind::kRefused:
            return false;
        case SourceKind::kReader:
            break;
    }
    std::string query;
    return GetPathedElement(query, kQueryPath, UdpRequest(server).data()) != 0 && IsReadingQuery(query);
}
