// The native build, used for the sanitizer tests and the fuzzer.
#include "package/io/platform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "package/io/write_room.h"

namespace {

// The program builds Windows paths; here a backslash separates folders too.
struct NativePath {
    char text[4096];
    explicit NativePath(const char* path) {
        size_t i = 0;
        for (; path[i] != '\0' && i < sizeof text - 1; ++i) {
            text[i] = path[i] == '\\' ? '/' : path[i];
        }
        text[i] = '\0';
    }
};

int descriptor(FileHandle file) {
    return static_cast<int>(file);
}

} // namespace

FileHandle platformOpenForRead(const char* path) {
    NativePath native(path);
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    int fd = ::open(native.text, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return kInvalidFile;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return kInvalidFile;
    }
    return fd;
}

namespace {

// The system may move fewer bytes than asked or be interrupted; go on until all
// `count` bytes have moved, the file ends or an error stops it.
template <typename Transfer> uint32_t transferAll(uint32_t count, Transfer transfer) {
    uint32_t total = 0;
    while (total < count) {
        const ssize_t n = transfer(total);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        total += static_cast<uint32_t>(n);
    }
    return total;
}

} // namespace

uint32_t platformReadAt(FileHandle file, uint64_t offset, void* buffer, uint32_t count) {
    if (offset > static_cast<uint64_t>(INT64_MAX) - count) {
        return 0;
    }
    return transferAll(count, [&](uint32_t done) {
        return ::pread(descriptor(file), static_cast<char*>(buffer) + done, count - done,
                       static_cast<off_t>(offset + done));
    });
}

namespace {

thread_local int tLastWriteError = 0;

} // namespace

uint32_t platformWrite(FileHandle file, const void* buffer, uint32_t count) {
    if (!takeWriteRoom(count)) {
        tLastWriteError = ENOSPC;
        return 0;
    }
    errno = 0;
    const uint32_t written = transferAll(count, [&](uint32_t done) {
        return ::write(descriptor(file), static_cast<const char*>(buffer) + done, count - done);
    });
    if (written < count) {
        // A write that moved nothing and said nothing is the end of the room.
        tLastWriteError = errno != 0 ? errno : ENOSPC;
    }
    return written;
}

WriteFailure platformLastWriteFailure() {
    const int error = tLastWriteError;
    return (error == ENOSPC || error == EDQUOT || error == EFBIG) ? WriteFailure::DiskFull
                                                                  : WriteFailure::Other;
}

uint64_t platformFileSize(FileHandle file) {
    struct stat info;
    if (::fstat(descriptor(file), &info) != 0 || info.st_size < 0) {
        return 0;
    }
    return static_cast<uint64_t>(info.st_size);
}

bool platformClose(FileHandle file) {
    if (file == kInvalidFile) {
        return false;
    }
    if (::close(descriptor(file)) != 0) {
        tLastWriteError = errno;
        return false;
    }
    return true;
}

FileHandle platformCreateOutput(const char* path, bool replace, CreateResult* result) {
    NativePath native(path);
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (replace ? O_TRUNC : O_EXCL);
    int fd = ::open(native.text, flags, 0644);
    if (fd >= 0) {
        struct stat info;
        // Windows cannot open a device or folder as an output file; neither may we.
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(fd);
            *result = CreateResult::Failed;
            return kInvalidFile;
        }
        *result = CreateResult::Created;
        return fd;
    }
    *result = (errno == EEXIST && !platformIsDirectory(path)) ? CreateResult::Exists
                                                              : CreateResult::Failed;
    return kInvalidFile;
}

PathKind platformPathKind(const char* path) {
    NativePath native(path);
    struct stat info;
    if (::lstat(native.text, &info) != 0) {
        return errno == ENOENT ? PathKind::Missing : PathKind::Other;
    }
    if (S_ISLNK(info.st_mode)) {
        return PathKind::Link;
    }
    if (S_ISDIR(info.st_mode)) {
        return PathKind::Folder;
    }
    return S_ISREG(info.st_mode) ? PathKind::File : PathKind::Other;
}

FileHandle platformCreateNew(const char* path, CreateResult* result) {
    NativePath native(path);
    // O_EXCL also refuses a link of that name, dangling or not.
    int fd = ::open(native.text, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        *result = errno == EEXIST ? CreateResult::Exists : CreateResult::Failed;
        return kInvalidFile;
    }
    *result = CreateResult::Created;
    return fd;
}

CreateResult platformRename(const char* from, const char* to, bool replace) {
    NativePath source(from);
    NativePath target(to);
    if (replace) {
        return ::rename(source.text, target.text) == 0 ? CreateResult::Created
                                                       : CreateResult::Failed;
    }
    // A hard link fails when the name is taken, where a rename would replace it.
    if (::link(source.text, target.text) != 0) {
        if (errno == EEXIST) {
            return CreateResult::Exists;
        }
        // A file system without hard links: look first, then rename.
        struct stat info;
        if (::lstat(target.text, &info) == 0) {
            return CreateResult::Exists;
        }
        return ::rename(source.text, target.text) == 0 ? CreateResult::Created
                                                       : CreateResult::Failed;
    }
    ::unlink(source.text);
    return CreateResult::Created;
}

bool platformSameFile(const char* a, const char* b) {
    NativePath first(a);
    NativePath second(b);
    struct stat one;
    struct stat two;
    return ::stat(first.text, &one) == 0 && ::stat(second.text, &two) == 0 &&
           one.st_dev == two.st_dev && one.st_ino == two.st_ino;
}

bool platformPathExists(const char* path) {
    NativePath native(path);
    struct stat info;
    return ::stat(native.text, &info) == 0;
}

bool platformIsDirectory(const char* path) {
    NativePath native(path);
    struct stat info;
    return ::stat(native.text, &info) == 0 && S_ISDIR(info.st_mode);
}

bool platformMakeDirectory(const char* path) {
    NativePath native(path);
    return ::mkdir(native.text, 0755) == 0;
}

bool platformRemoveFile(const char* path) {
    NativePath native(path);
    return ::unlink(native.text) == 0;
}
