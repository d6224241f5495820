// The Windows program: wide file calls so that every name keeps its true spelling
// whatever the system code page.
#include "package/io/platform.h"

#include <windows.h>

#include "package/io/names.h"

namespace {

// UTF-8 path to UTF-16 for the W calls; paths are bounded well below this.
struct WidePath {
    wchar_t text[1024];
    explicit WidePath(const char* path) {
        text[0] = L'\0';
        int n = MultiByteToWideChar(CP_UTF8, 0, path, -1, text, 1024);
        if (n <= 0) {
            text[0] = L'\0';
        }
        text[1023] = L'\0';
    }
};

HANDLE handleOf(FileHandle file) {
    return reinterpret_cast<HANDLE>(file);
}

FileHandle fromHandle(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? kInvalidFile : reinterpret_cast<FileHandle>(handle);
}

} // namespace

FileHandle platformOpenForRead(const char* path) {
    WidePath wide(path);
    HANDLE handle = CreateFileW(wide.text, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    return fromHandle(handle);
}

uint32_t platformReadAt(FileHandle file, uint64_t offset, void* buffer, uint32_t count) {
    // A synchronous handle reads at the offset the OVERLAPPED record gives.
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    if (!ReadFile(handleOf(file), buffer, count, &read, &at)) {
        return 0;
    }
    return static_cast<uint32_t>(read);
}

uint32_t platformWrite(FileHandle file, const void* buffer, uint32_t count) {
    DWORD written = 0;
    if (!WriteFile(handleOf(file), buffer, count, &written, nullptr)) {
        return 0;
    }
    return static_cast<uint32_t>(written);
}

uint64_t platformFileSize(FileHandle file) {
    DWORD high = 0;
    DWORD low = GetFileSize(handleOf(file), &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        return 0;
    }
    return (static_cast<uint64_t>(high) << 32) | low;
}

bool platformClose(FileHandle file) {
    if (file == kInvalidFile) {
        return false;
    }
    return CloseHandle(handleOf(file)) != 0;
}

namespace {

HANDLE createForWriting(const WidePath& path, DWORD disposition) {
    return CreateFileW(path.text, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

bool lastErrorSaysExists() {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

} // namespace

FileHandle platformCreateOutput(const char* path, bool replace, CreateResult* result) {
    WidePath wide(path);
    // A new file first, even where one may be replaced: replacing truncates, and
    // a file system may then flush the file as it is closed (ext4 does, under
    // Wine), so that a replaced file is not left empty by a crash.
    HANDLE handle = createForWriting(wide, CREATE_NEW);
    bool exists = handle == INVALID_HANDLE_VALUE && lastErrorSaysExists();
    if (exists && replace) {
        handle = createForWriting(wide, CREATE_ALWAYS);
        exists = handle == INVALID_HANDLE_VALUE && lastErrorSaysExists();
    }
    if (handle != INVALID_HANDLE_VALUE) {
        *result = CreateResult::Created;
        return fromHandle(handle);
    }
    *result = (exists && !platformIsDirectory(path)) ? CreateResult::Exists : CreateResult::Failed;
    return kInvalidFile;
}

bool platformPathExists(const char* path) {
    WidePath wide(path);
    return GetFileAttributesW(wide.text) != INVALID_FILE_ATTRIBUTES;
}

bool platformIsDirectory(const char* path) {
    WidePath wide(path);
    DWORD attributes = GetFileAttributesW(wide.text);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool platformMakeDirectory(const char* path) {
    WidePath wide(path);
    return CreateDirectoryW(wide.text, nullptr) != 0;
}

bool platformRemoveFile(const char* path) {
    WidePath wide(path);
    return DeleteFileW(wide.text) != 0;
}

size_t platformUtf16ToUtf8(const uint16_t* units, size_t count, char* out, size_t size) {
    if (size == 0) {
        return 0;
    }
    size_t length = 0;
    while (length < count && units[length] != 0) {
        ++length;
    }
    if (length == 0) {
        out[0] = '\0';
        return 0;
    }
    // Convert whole into room for the worst case, then cut at a character
    // boundary: the API itself fails rather than cut when the buffer is short.
    constexpr size_t kMaxUnits = kMaxNameUnits;
    if (length > kMaxUnits) {
        length = kMaxUnits;
    }
    char whole[kMaxUnits * 3 + 1];
    int n = WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const wchar_t*>(units),
                                static_cast<int>(length), whole, static_cast<int>(sizeof whole),
                                nullptr, nullptr);
    if (n <= 0) {
        out[0] = '\0';
        return 0;
    }
    size_t cut = cutUtf8(whole, static_cast<size_t>(n), size);
    for (size_t i = 0; i <= cut; ++i) {
        out[i] = whole[i];
    }
    return cut;
}
