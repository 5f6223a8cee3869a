#include "file_system.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "seam.h"

int FileSystem::Open(const char* path, int flags, mode_t mode) { return open(path, flags, mode); }
ssize_t FileSystem::Read(int fd, void* buffer, size_t size) { return read(fd, buffer, size); }
ssize_t FileSystem::Write(int fd, const void* bytes, size_t size) { return write(fd, bytes, size); }
int FileSystem::Fsync(int fd) { return fsync(fd); }
int FileSystem::Close(int fd) { return close(fd); }
int FileSystem::Rename(const char* from, const char* to) { return std::rename(from, to); }
int FileSystem::Unlink(const char* path) { return unlink(path); }
int FileSystem::Mkdir(const char* path, mode_t mode) { return mkdir(path, mode); }
int FileSystem::Flock(int fd, int operation) { return flock(fd, operation); }

template <>
FileSystem& Seam<FileSystem>::Default() {
    static FileSystem real;
    return real;
}

FileSystem& Files() { return Seam<FileSystem>::Current(); }

bool WriteAll(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = Files().Write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}
