#include "file_param_store.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "file_system.h"

namespace {

// Layout: magic[8] version count crc, then per entry id length bytes. The
// integers are little-endian; crc covers everything after the header.
constexpr char kMagic[8] = {'K', 'I', 'P', 'P', 'S', 'T', 'O', 'R'};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderSize = 20;
constexpr size_t kEntryHeaderSize = 8;
constexpr uint32_t kMaxValueLength = 4096;
constexpr size_t kMaxFileSize = 1 << 20;

constexpr int kOk = FileParamStore::kOk;
constexpr int kIoError = FileParamStore::kIoError;
constexpr int kCorrupt = FileParamStore::kCorrupt;
constexpr int kAbsent = FileParamStore::kAbsent;
constexpr int kBadArgument = FileParamStore::kBadArgument;

using Entries = std::map<uint32_t, std::vector<uint8_t>>;

void PutU32(std::string* out, uint32_t value) {
    out->push_back(static_cast<char>(value & 0xff));
    out->push_back(static_cast<char>((value >> 8) & 0xff));
    out->push_back(static_cast<char>((value >> 16) & 0xff));
    out->push_back(static_cast<char>((value >> 24) & 0xff));
}

uint32_t GetU32(const std::string& in, size_t offset) {
    const auto* p = reinterpret_cast<const unsigned char*>(in.data()) + offset;
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

uint32_t Crc(const std::string& bytes, size_t offset) {
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()) + offset, static_cast<uInt>(bytes.size() - offset));
    return static_cast<uint32_t>(crc);
}

bool ValidCall(const ParamDescriptor* descriptors, int count) {
    if (descriptors == nullptr || count <= 0) return false;
    for (int i = 0; i < count; ++i) {
        const ParamDescriptor& d = descriptors[i];
        if (d.data == nullptr || d.length == 0 || d.length > kMaxValueLength) return false;
    }
    return true;
}

std::string Encode(const Entries& entries) {
    std::string out(kMagic, sizeof kMagic);
    PutU32(&out, kVersion);
    PutU32(&out, static_cast<uint32_t>(entries.size()));
    PutU32(&out, 0);  // crc, filled in below
    for (const auto& [id, value] : entries) {
        PutU32(&out, id);
        PutU32(&out, static_cast<uint32_t>(value.size()));
        out.append(reinterpret_cast<const char*>(value.data()), value.size());
    }
    std::string crc;
    PutU32(&crc, Crc(out, kHeaderSize));
    out.replace(kHeaderSize - 4, 4, crc);
    return out;
}

int Decode(const std::string& file, Entries* entries) {
    if (file.size() < kHeaderSize) return kCorrupt;
    if (std::memcmp(file.data(), kMagic, sizeof kMagic) != 0) return kCorrupt;
    if (GetU32(file, 8) != kVersion) return kCorrupt;
    if (GetU32(file, 16) != Crc(file, kHeaderSize)) return kCorrupt;

    const uint32_t count = GetU32(file, 12);
    size_t offset = kHeaderSize;
    uint32_t previousId = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (file.size() - offset < kEntryHeaderSize) return kCorrupt;
        const uint32_t id = GetU32(file, offset);
        const uint32_t length = GetU32(file, offset + 4);
        offset += kEntryHeaderSize;
        if (length == 0 || length > kMaxValueLength || file.size() - offset < length) return kCorrupt;
        // Written in ascending id order: anything else (a repeat) was not written by us.
        if (i > 0 && id <= previousId) return kCorrupt;
        const auto* bytes = reinterpret_cast<const uint8_t*>(file.data()) + offset;
        (*entries)[id].assign(bytes, bytes + length);
        offset += length;
        previousId = id;
    }
    return offset == file.size() ? kOk : kCorrupt;
}

class FileCloser {
public:
    explicit FileCloser(int fd) : fd_(fd) {}
    ~FileCloser() {
        if (fd_ >= 0) Files().Close(fd_);
    }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;

private:
    int fd_;
};

// A missing store is an empty one. Everything comes through one descriptor,
// so a concurrent rename cannot hand us parts of two files; reading stops
// past kMaxFileSize so a runaway file cannot exhaust memory.
int ReadStore(const std::string& path, Entries* entries) {
    int fd = Files().Open(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0) return errno == ENOENT ? kOk : kIoError;
    FileCloser closer(fd);

    std::string file;
    char buffer[16384];
    while (file.size() <= kMaxFileSize) {
        ssize_t n = Files().Read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return kIoError;
        if (n == 0) return Decode(file, entries);
        file.append(buffer, static_cast<size_t>(n));
    }
    return kCorrupt;
}

// The new store is complete and on disk before it replaces the old one, and
// the rename itself is on disk before we report success.
int WriteAtomically(const std::string& directory, const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".tmp";
    int fd = Files().Open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return kIoError;
    bool written = WriteAll(fd, bytes) && Files().Fsync(fd) == 0;
    written = Files().Close(fd) == 0 && written;
    if (!written || Files().Rename(temporary.c_str(), path.c_str()) != 0) {
        Files().Unlink(temporary.c_str());
        return kIoError;
    }

    int dirFd = Files().Open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (dirFd < 0) return kIoError;
    FileCloser closer(dirFd);
    return Files().Fsync(dirFd) == 0 ? kOk : kIoError;
}

// Serialises read-modify-write cycles between processes: the locked
// descriptor, or -1. It locks a file of its own because the store file is
// replaced on every write; closing the descriptor releases the lock.
int LockStore(const std::string& path) {
    const int fd = Files().Open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    while (fd >= 0 && Files().Flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            Files().Close(fd);
            return -1;
        }
    }
    return fd;
}

int GetFrom(const std::string& path, ParamDescriptor* descriptors, int count) {
    if (!ValidCall(descriptors, count)) return kBadArgument;
    Entries entries;
    if (int result = ReadStore(path, &entries); result != kOk) return result;
    // Check every descriptor before copying any, so a failed call leaves all
    // the caller's buffers as they were.
    for (int i = 0; i < count; ++i) {
        auto it = entries.find(descriptors[i].id);
        if (it == entries.end() || it->second.size() != descriptors[i].length) return kAbsent;
    }
    for (int i = 0; i < count; ++i) {
        const std::vector<uint8_t>& value = entries.find(descriptors[i].id)->second;
        std::memcpy(descriptors[i].data, value.data(), value.size());
    }
    return kOk;
}

int SetIn(const std::string& directory, const std::string& path, const ParamDescriptor* descriptors, int count) {
    if (!ValidCall(descriptors, count)) return kBadArgument;
    if (Files().Mkdir(directory.c_str(), 0755) != 0 && errno != EEXIST) return kIoError;

    const int lock = LockStore(directory + "/parameters.lock");
    if (lock < 0) return kIoError;
    FileCloser unlock(lock);
    Entries entries;
    if (int result = ReadStore(path, &entries); result != kOk) return result;
    for (int i = 0; i < count; ++i) {
        const ParamDescriptor& d = descriptors[i];
        entries[d.id].assign(d.data, d.data + d.length);
    }
    const std::string bytes = Encode(entries);
    // A store we could not read back must never be written.
    if (bytes.size() > kMaxFileSize) return kBadArgument;
    return WriteAtomically(directory, path, bytes);
}

}  // namespace

FileParamStore::FileParamStore(std::string directory)
    : directory_(std::move(directory)), storePath_(directory_ + "/parameters.store") {}

int FileParamStore::Get(ParamDescriptor* descriptors, int count) {
    try {
        return GetFrom(storePath_, descriptors, count);
    } catch (...) {  // std::bad_alloc: callers expect a result, not an exception
        return kIoError;
    }
}

int FileParamStore::Set(const ParamDescriptor* descriptors, int count) {
    try {
        return SetIn(directory_, storePath_, descriptors, count);
    } catch (...) {
        return kIoError;
    }
}
