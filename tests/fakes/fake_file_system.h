#pragma once

#include <errno.h>
#include <fcntl.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "file_system.h"
#include "seam.h"

/// Fails the `nth` call (from 1) named `name` ("open", "write", ...; empty:
/// any) on `path` (empty: any) with `error`. Error 0 makes the call do
/// nothing and return 0, as a write of no bytes.
struct FileFault {
    std::string name, path;
    int nth = 1, error = EIO, seen = 0;  // seen: matching calls so far
};

/// Files in memory, any call of which can fail, and a power cut. LosePower
/// leaves the names that a directory's fsync last saw (the files share one
/// directory), each with the bytes its own fsync last saw. A descriptor names
/// a path, as no caller renames an open file; a write moves at most 1000
/// bytes and appends, as every writer truncates first. Installs itself for
/// its own lifetime.
class FakeFileSystem : public FileSystem {
public:

    int Open(const char* path, int flags, mode_t /*mode*/) override {
        if (auto failed = Call("open", path)) return *failed;
        if ((flags & (O_CREAT | O_DIRECTORY)) == 0 && files_.count(path) == 0) return errno = ENOENT, -1;
        if ((flags & O_TRUNC) != 0) files_[path].bytes.clear();
        open_[++lastFd_] = {path, 0};
        return lastFd_;
    }
    ssize_t Read(int fd, void* buffer, size_t size) override {
        auto& [path, offset] = open_.at(fd);
        if (auto failed = Call("read", path)) return *failed;
        const size_t n = files_[path].bytes.copy(static_cast<char*>(buffer), size, offset);
        offset += n;
        return static_cast<ssize_t>(n);
    }
    ssize_t Write(int fd, const void* bytes, size_t size) override {
        const std::string& path = open_.at(fd).first;
        if (auto failed = Call("write", path)) return *failed;
        const size_t n = std::min<size_t>(size, 1000);
        files_[path].bytes.append(static_cast<const char*>(bytes), n);
        return static_cast<ssize_t>(n);
    }
    int Fsync(int fd) override {
        const std::string& path = open_.at(fd).first;
        if (auto failed = Call("fsync", path)) return *failed;
        if (files_.count(path) != 0) files_[path].synced = files_[path].bytes;
        else durable_ = files_;  // a directory's
        return 0;
    }
    int Rename(const char* from, const char* to) override {
        if (auto failed = Call("rename", from)) return *failed;
        files_[to] = files_.extract(from).mapped();  // the caller renames only what it wrote
        return 0;
    }
    int Unlink(const char* path) override {
        files_.erase(path);
        return Call("unlink", path).value_or(0);
    }
    int Close(int fd) override {
        const int result = Call("close", open_.at(fd).first).value_or(0);
        open_.erase(fd);  // closed even when the call fails, as close(2) does
        return result;
    }
    int Mkdir(const char* path, mode_t /*mode*/) override { return Call("mkdir", path).value_or(0); }
    int Flock(int fd, int /*operation*/) override { return Call("flock", open_.at(fd).first).value_or(0); }

    /// The bytes of file `path` as a reader would see them now.
    std::optional<std::string> Contents(const std::string& path) const {
        return files_.count(path) != 0 ? std::optional(files_.at(path).bytes) : std::nullopt;
    }
    /// Keeps only what was durable, as a power cut and a restart would.
    void LosePower() {
        files_ = durable_;
        for (auto& [path, file] : files_) file.bytes = file.synced;
    }

    std::optional<FileFault> fault;

private:
    struct File { std::string bytes, synced; };

    /// What the call returns instead when it is to fail.
    std::optional<int> Call(const char* name, const std::string& path) {
        const bool matches = fault && (fault->name.empty() || fault->name == name) && (fault->path.empty() || fault->path == path);
        if (!matches || ++fault->seen != fault->nth) return std::nullopt;
        errno = fault->error;
        return errno != 0 ? -1 : 0;
    }

    std::map<std::string, File> files_, durable_;
    std::map<int, std::pair<std::string, size_t>> open_;  // path and read offset
    int lastFd_ = 0;
    ScopedInstall<FileSystem> install_{*this};
};
