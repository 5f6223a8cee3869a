#pragma once

#include <sys/types.h>

#include <string_view>

/// The file calls of the parameter store and the status files, answered as
/// the C library answers them: -1 with errno set on failure. They sit behind
/// a seam so that unit tests can fail any of them, or cut the power between
/// two, and see what the store leaves behind, without a disk.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual int Open(const char* path, int flags, mode_t mode);
    virtual ssize_t Read(int fd, void* buffer, size_t size);
    virtual ssize_t Write(int fd, const void* bytes, size_t size);
    virtual int Fsync(int fd);
    virtual int Close(int fd);
    virtual int Rename(const char* from, const char* to);
    virtual int Unlink(const char* path);
    virtual int Mkdir(const char* path, mode_t mode);
    virtual int Flock(int fd, int operation);
};

/// The real calls, or whatever a test installed in their place.
FileSystem& Files();

/// Writes all of `bytes` to `fd`, however many calls that takes. False on
/// the first failure other than an interruption.
bool WriteAll(int fd, std::string_view bytes);
