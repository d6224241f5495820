// The native build, used for the sanitizer tests and the fuzzer.
#include "package/io/platform.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "package/io/names.h"

namespace {

// The program builds Windows paths; here a backslash separates folders too.
struct NativePath {
    char text[1024];
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
    int fd = ::open(native.text, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return kInvalidFile;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
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

uint32_t platformWrite(FileHandle file, const void* buffer, uint32_t count) {
    return transferAll(count, [&](uint32_t done) {
        return ::write(descriptor(file), static_cast<const char*>(buffer) + done, count - done);
    });
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
    return ::close(descriptor(file)) == 0;
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

size_t platformUtf16ToUtf8(const uint16_t* units, size_t count, char* out, size_t size) {
    return utf16ToUtf8(units, count, out, size);
}
