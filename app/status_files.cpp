#include "status_files.h"

#include <cstdio>

#include "dor_document.h"
#include "log_entry.h"
#include "lun_document.h"
#include "records.h"
#include "text_stream.h"

StatusFilePaths statusFilePaths;

namespace {

/// Truncates the file, renders the document in memory and writes it with one
/// call. Readers may see the file empty for that moment; they expect it.
template <class Render>
void RewriteStatusFile(const std::string& path, const char* function, int line, Render render) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        LogEntry(2, function, line, ("error opening " + path).c_str());
        return;
    }
    static TextStream document;  // the daemon has one thread
    document.Reset();
    render(document);
    const std::string_view text = document.Text();
    // Only a failed open has a log entry; a failed write leaves no trace.
    std::fwrite(text.data(), 1, text.size(), file);  // NOLINT(cert-err33-c)
    std::fclose(file);                               // NOLINT(cert-err33-c)
}

}  // namespace

void WriteDorXmlFile() {
    RewriteStatusFile(statusFilePaths.dor, __func__, __LINE__,
                      [](std::ostream& out) { GetXmlFromDorConfig(out, dorConfig); });
}

void WriteLunXmlFile() {
    RewriteStatusFile(statusFilePaths.lun, __func__, __LINE__,
                      [](std::ostream& out) { GetXmlFromLunConfig(out, lunConfig); });
}
