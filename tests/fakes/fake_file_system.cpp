#include "fake_file_system.h"

#include <fcntl.h>

#include <algorithm>
#include <cstring>

namespace {

std::string Parent(const std::string& path) { return path.substr(0, path.rfind('/')); }

int Failed(int error) {
    errno = error;
    return -1;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const FileCall& call) { return out << call.name << " " << call.path; }

bool FakeFileSystem::Fails(const char* name, const std::string& path) {
    calls.push_back({name, path});
    int error = calls.size() > powerGoneAt ? EIO : 0;
    for (FileFault& fault : faults) {
        if (fault.name != name || (!fault.path.empty() && fault.path != path)) continue;
        if (++fault.seen == fault.nth || fault.nth == 0) error = fault.error;
    }
    if (error != 0) errno = error;
    return error != 0;
}

FakeFileSystem::OpenFile* FakeFileSystem::Find(int fd) {
    auto it = open_.find(fd);
    if (it != open_.end()) return &it->second;
    errno = EBADF;
    return nullptr;
}

int FakeFileSystem::Open(const char* path, int flags, mode_t /*mode*/) {
    if (Fails("open", path)) return -1;
    if ((flags & O_DIRECTORY) != 0) {
        if (directories_.count(path) == 0) return Failed(ENOENT);
        open_[nextFd_] = {path, nullptr};
        return nextFd_++;
    }
    std::shared_ptr<Inode>& inode = names_[path];
    if (inode == nullptr) {
        if ((flags & O_CREAT) == 0) {
            names_.erase(path);
            return Failed(ENOENT);
        }
        inode = std::make_shared<Inode>();
    }
    if ((flags & O_TRUNC) != 0) inode->bytes.clear();
    open_[nextFd_] = {path, inode};
    return nextFd_++;
}

ssize_t FakeFileSystem::Read(int fd, void* buffer, size_t size) {
    OpenFile* file = Find(fd);
    if (file == nullptr || Fails("read", file->path)) return -1;
    if (file->inode == nullptr) return Failed(EISDIR);
    const std::string& bytes = file->inode->bytes;
    const size_t n = std::min({size, kMaxTransfer, bytes.size() - std::min(file->offset, bytes.size())});
    std::memcpy(buffer, bytes.data() + file->offset, n);
    file->offset += n;
    return static_cast<ssize_t>(n);
}

ssize_t FakeFileSystem::Write(int fd, const void* bytes, size_t size) {
    OpenFile* file = Find(fd);
    if (file == nullptr || Fails("write", file->path)) return -1;
    if (file->inode == nullptr) return Failed(EISDIR);
    const size_t n = std::min(size, kMaxTransfer);
    std::string& data = file->inode->bytes;
    data.resize(std::max(data.size(), file->offset + n));
    data.replace(file->offset, n, static_cast<const char*>(bytes), n);
    file->offset += n;
    return static_cast<ssize_t>(n);
}

int FakeFileSystem::Fsync(int fd) {
    OpenFile* file = Find(fd);
    if (file == nullptr || Fails("fsync", file->path)) return -1;
    if (file->inode != nullptr) {
        file->inode->synced = file->inode->bytes;
        return 0;
    }
    // A directory's sync makes its names durable as they are now.
    for (auto it = syncedNames_.begin(); it != syncedNames_.end();) {
        it = Parent(it->first) == file->path ? syncedNames_.erase(it) : std::next(it);
    }
    for (const auto& [name, inode] : names_) {
        if (Parent(name) == file->path) syncedNames_[name] = inode;
    }
    return 0;
}

int FakeFileSystem::Close(int fd) {
    OpenFile* file = Find(fd);
    if (file == nullptr || Fails("close", file->path)) return -1;
    open_.erase(fd);
    return 0;
}

int FakeFileSystem::Rename(const char* from, const char* to) {
    if (Fails("rename", from)) return -1;
    auto it = names_.find(from);
    if (it == names_.end()) return Failed(ENOENT);
    std::shared_ptr<Inode> inode = it->second;
    names_.erase(it);
    names_[to] = inode;
    return 0;
}

int FakeFileSystem::Unlink(const char* path) {
    if (Fails("unlink", path)) return -1;
    return names_.erase(path) == 1 ? 0 : Failed(ENOENT);
}

int FakeFileSystem::Mkdir(const char* path, mode_t /*mode*/) {
    if (Fails("mkdir", path)) return -1;
    return directories_.insert(path).second ? 0 : Failed(EEXIST);
}

int FakeFileSystem::Flock(int fd, int /*operation*/) {
    OpenFile* file = Find(fd);
    return file == nullptr || Fails("flock", file->path) ? -1 : 0;
}

std::optional<std::string> FakeFileSystem::Contents(const std::string& path) const {
    auto it = names_.find(path);
    return it == names_.end() ? std::nullopt : std::optional(it->second->bytes);
}

void FakeFileSystem::LosePower() {
    names_ = syncedNames_;
    for (auto& [name, inode] : names_) inode->bytes = inode->synced;
    open_.clear();
    powerGoneAt = SIZE_MAX;
}
