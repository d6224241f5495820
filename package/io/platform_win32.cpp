// The Windows program: wide file calls so that every name keeps its true spelling
// whatever the system code page.
#include "package/io/platform.h"

#include <windows.h>

#include "package/io/write_room.h"

namespace {

// Below this many units every call takes a plain path; CreateDirectoryW stops
// at 248, the others at 260.
constexpr int kPlainPathUnits = 248;

// UTF-8 path to UTF-16 for the W calls; paths are bounded well below this. A
// long one, such as the temporary file beside a file whose path is at the
// program's limit, is made whole and given the \\?\ prefix, which lifts the
// system's limit of 260 units.
struct WidePath {
    wchar_t text[1024];
    explicit WidePath(const char* path) {
        text[0] = L'\0';
        int n = MultiByteToWideChar(CP_UTF8, 0, path, -1, text, 1024);
        if (n <= 0) {
            text[0] = L'\0';
        }
        text[1023] = L'\0';
        if (n > kPlainPathUnits && text[0] != L'\\') {
            lengthen();
        }
    }
    void lengthen() {
        wchar_t whole[1024];
        const DWORD units = GetFullPathNameW(text, 1024, whole, nullptr);
        if (units == 0 || units >= 1024 - 4) {
            return;
        }
        wcscpy(text, L"\\\\?\\");
        wcscat(text, whole);
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
    // A pipe, a console or a device reads as a stream that may block forever.
    if (handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return kInvalidFile;
    }
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

namespace {

thread_local DWORD tLastWriteError = NO_ERROR;

} // namespace

uint32_t platformWrite(FileHandle file, const void* buffer, uint32_t count) {
    if (!takeWriteRoom(count)) {
        tLastWriteError = ERROR_DISK_FULL;
        return 0;
    }
    DWORD written = 0;
    if (!WriteFile(handleOf(file), buffer, count, &written, nullptr)) {
        tLastWriteError = GetLastError();
        return 0;
    }
    if (written < count) {
        tLastWriteError = ERROR_DISK_FULL;
    }
    return static_cast<uint32_t>(written);
}

WriteFailure platformLastWriteFailure() {
    const DWORD error = tLastWriteError;
    return (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ||
            error == ERROR_FILE_TOO_LARGE)
               ? WriteFailure::DiskFull
               : WriteFailure::Other;
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
    if (!CloseHandle(handleOf(file))) {
        tLastWriteError = GetLastError();
        return false;
    }
    return true;
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

PathKind platformPathKind(const char* path) {
    WidePath wide(path);
    const DWORD attributes = GetFileAttributesW(wide.text);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? PathKind::Missing
                                                                                : PathKind::Other;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return PathKind::Link;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return PathKind::Folder;
    }
    return (attributes & FILE_ATTRIBUTE_DEVICE) != 0 ? PathKind::Other : PathKind::File;
}

FileHandle platformCreateNew(const char* path, CreateResult* result) {
    WidePath wide(path);
    // CREATE_NEW fails on any name that is there, a link of that name too.
    HANDLE handle = CreateFileW(wide.text, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        *result = lastErrorSaysExists() ? CreateResult::Exists : CreateResult::Failed;
        return kInvalidFile;
    }
    *result = CreateResult::Created;
    return fromHandle(handle);
}

CreateResult platformRename(const char* from, const char* to, bool replace) {
    WidePath source(from);
    WidePath target(to);
    if (MoveFileExW(source.text, target.text, replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
        return CreateResult::Created;
    }
    return lastErrorSaysExists() ? CreateResult::Exists : CreateResult::Failed;
}

namespace {

bool identityOf(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
    WidePath wide(path);
    HANDLE handle = CreateFileW(wide.text, FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool known = GetFileInformationByHandle(handle, info) != 0;
    CloseHandle(handle);
    return known;
}

} // namespace

bool platformSameFile(const char* a, const char* b) {
    BY_HANDLE_FILE_INFORMATION one;
    BY_HANDLE_FILE_INFORMATION two;
    return identityOf(a, &one) && identityOf(b, &two) &&
           one.dwVolumeSerialNumber == two.dwVolumeSerialNumber &&
           one.nFileIndexHigh == two.nFileIndexHigh && one.nFileIndexLow == two.nFileIndexLow;
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
