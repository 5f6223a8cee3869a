#include "request_handler.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "apply_config.h"
#include "dor_document.h"
#include "host_calls.h"
#include "derived_params.h"
#include "log_entry.h"
#include "lun_document.h"
#include "query_message.h"
#include "records.h"
#include "status_files.h"
#include "text_stream.h"
#include "xml_path_lookup.h"

int responseCount = 0;

namespace {

// The reply and its terminator must fit in the endpoint's buffer.
constexpr size_t kMostReplied = sizeof(UdpServer::buffer) - 1;
constexpr unsigned kRebootPause = 2000000;

/// Appends the answer to a query. Returns true for the one that restarts the unit.
bool AnswerQuery(const std::string& query, std::ostream& reply) {
    if (query == "DOR") {
        GetXmlFromDorConfig(reply, dorConfig);
    } else if (query == "LUN") {
        GetXmlFromLunConfig(reply, lunConfig);
    } else if (query == "REBOOT") {
        reply << "System will reboot.\n";
        return true;
    } else {
        reply << "Invalid query parameter.\n";
    }
    return false;
}

void AppendReport(std::ostream& reply, bool dorPresent, bool lunPresent) {
    reply << "Updates applied to DOR:" << (dorPresent ? "SUCCESS" : "NA") << "\n"
          << "Updates applied to LUN:" << (lunPresent ? "SUCCESS" : "NA") << "\n"
          << "Response count:" << responseCount << "\n"
          << "\nKipParams:\n"
          << "config:KipEmpInterval:" << unsigned{kipParams.KipEmpInterval} << "\n"
          << "config:KipDcPowerLimit:" << unsigned{kipParams.KipDcPowerLimit} << "\n"
          << "config:KipDisableDutyCycle:" << unsigned{kipParams.KipDisableDutyCycle} << "\n"
          << "  actual:DcWindowSize:" << kipParams.DcWindowSize << "\n"
          << "  actual:DcTransmitLimit:" << kipParams.DcTransmitLimit << "\n";
}

}  // namespace

int HandleReceivedData(UdpServer* server) {
    ++responseCount;

    const std::string_view request = UdpRequest(server);
    const char* text = request.data();

    // One reply stream for every request (the daemon has one thread): setting
    // up a stream costs more than most replies.
    static TextStream reply;
    reply.Reset();
    bool reboot = false;
    std::string query;
    if (GetPathedElement(query, kQueryPath, text) != 0) {
        reboot = AnswerQuery(query, reply);
    } else {
        // Only a document is read as bytes; a query needs no copy of them.
        const ByteVector bytes(request.begin(), request.end());
        if (GetConfigFromXmlData(dorConfig, lunConfig, kipParams, bytes) == 0) {
            KIP_LOG(2, "error GetConfigFromXmlData");
        }
        UpdateKipDerivedParams();
        const bool dorPresent = GetPathedElement(nullptr, "config", text) != 0;
        const bool lunPresent = GetPathedElement(nullptr, "LunConfig", text) != 0;
        if (dorPresent) WriteDorXmlFile();
        if (lunPresent) WriteLunXmlFile();
        AppendReport(reply, dorPresent, lunPresent);
    }

    std::string_view replyText = reply.Text();
    if (replyText.size() > kMostReplied) {
        KIP_LOG(2, "reply truncated");
        replyText = replyText.substr(0, kMostReplied);
    }
    std::memcpy(server->buffer, replyText.data(), replyText.size());
    server->buffer[replyText.size()] = '\0';

    const int sent = UdpSendData(server, static_cast<unsigned>(replyText.size()));
    if (sent == 0) {
        KIP_LOG(2, "error sending data");
    }
    if (reboot) {
        RunShellCommand("/sbin/init 6");
        PauseMicroseconds(kRebootPause);
    }
    return sent;
}
