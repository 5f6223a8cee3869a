#pragma once

#include <errno.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "file_system.h"
#include "seam.h"

/// One call as the fake saw it: its name ("open", "fsync", ...) and the path
/// it named or its descriptor was opened on.
struct FileCall {
    std::string name;
    std::string path;
    bool operator==(const FileCall& other) const { return name == other.name && path == other.path; }
};
std::ostream& operator<<(std::ostream& out, const FileCall& call);

/// Fails calls named `name` on `path` (empty: on any path) with `error`:
/// only the `nth` of them (counting from 1), or every one when `nth` is 0.
struct FileFault {
    std::string name;
    std::string path;
    int nth = 0;
    int error = EIO;
    int seen = 0;  // matching calls so far
};

/// A filesystem in memory that records every call and can be told to fail
/// any of them. It keeps apart what an fsync made durable: a file's bytes
/// last synced through its own descriptor, a name last synced through its
/// directory's, which is all that LosePower leaves. Any file's directory is
/// taken to exist; only Mkdir makes one that can be opened. Reads and writes
/// move at most kMaxTransfer bytes a call, as a real one may. Installs itself
/// for its own lifetime.
class FakeFileSystem : public FileSystem {
public:
    static constexpr size_t kMaxTransfer = 1000;

    FakeFileSystem() : install_(*this) {}

    int Open(const char* path, int flags, mode_t mode) override;
    ssize_t Read(int fd, void* buffer, size_t size) override;
    ssize_t Write(int fd, const void* bytes, size_t size) override;
    int Fsync(int fd) override;
    int Close(int fd) override;
    int Rename(const char* from, const char* to) override;
    int Unlink(const char* path) override;
    int Mkdir(const char* path, mode_t mode) override;
    int Flock(int fd, int operation) override;

    /// The bytes of file `path` as a reader would see them now.
    std::optional<std::string> Contents(const std::string& path) const;
    /// Keeps only what was made durable and closes every descriptor, as a
    /// power cut and a restart would; calls succeed again.
    void LosePower();

    std::vector<FileCall> calls;
    std::vector<FileFault> faults;
    /// Calls from this index of `calls` on fail with EIO, as once the power is gone.
    size_t powerGoneAt = SIZE_MAX;

private:
    struct Inode {
        std::string bytes;
        std::string synced;
    };
    struct OpenFile {
        std::string path;
        std::shared_ptr<Inode> inode;  // null for a directory
        size_t offset = 0;
    };

    /// Records the call; true, with errno set, when it is to fail.
    bool Fails(const char* name, const std::string& path);
    /// The open file of `fd`, or null with errno set.
    OpenFile* Find(int fd);

    std::set<std::string> directories_;
    std::map<std::string, std::shared_ptr<Inode>> names_;
    std::map<std::string, std::shared_ptr<Inode>> syncedNames_;
    std::map<int, OpenFile> open_;
    int nextFd_ = 3;
    ScopedInstall<FileSystem> install_;
};
