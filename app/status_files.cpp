#include "status_files.h"

#include <fcntl.h>

#include "dor_document.h"
#include "file_system.h"
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
    const int fd = Files().Open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);  // as fopen "wb"
    if (fd < 0) {
        LogEntry(2, function, line, ("error opening " + path).c_str());
        return;
    }
    static TextStream document;  // the daemon has one thread
    document.Reset();
    render(document);
    // Only a failed open has a log entry; a failed write leaves no trace.
    WriteAll(fd, document.Text());
    Files().Close(fd);
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
