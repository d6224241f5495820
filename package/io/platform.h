#pragma once
// The file calls that differ between the Windows program and the native test
// build. Every path handed in is UTF-8; the program builds Windows-style paths
// with backslashes, which the native build maps to slashes.
#include <cstddef>
#include <cstdint>

// A Windows HANDLE or a POSIX descriptor, carried in an integer wide enough for both.
using FileHandle = std::intptr_t;
constexpr FileHandle kInvalidFile = -1;

enum class CreateResult {
    Created,
    Exists, // a file (not a folder) of that name is already there
    Failed, // anything else: no access, missing folder, a folder of that name
};

// Opens a regular file for reading; anything else (a folder, a FIFO, a device)
// is refused at once, without waiting for a writer to appear.
FileHandle platformOpenForRead(const char* path);
// Reads up to `count` bytes at `offset` from the file's start; a short count
// means the end of the file or a failure, which the callers treat alike.
uint32_t platformReadAt(FileHandle file, uint64_t offset, void* buffer, uint32_t count);
uint32_t platformWrite(FileHandle file, const void* buffer, uint32_t count);
// Why the last write or close on this thread failed: the disk (or the user's
// quota, or a file-size limit) is full, or anything else.
enum class WriteFailure { DiskFull, Other };
WriteFailure platformLastWriteFailure();
// For the tests of a full disk where the system cannot make one: after `bytes`
// more bytes, writes of this process fail as on a full disk, until the limit is
// lifted with kNoWriteLimit.
constexpr uint64_t kNoWriteLimit = UINT64_MAX;
void platformLimitWrites(uint64_t bytes);
uint64_t platformFileSize(FileHandle file);
bool platformClose(FileHandle file);

// Creates a file for writing: replacing any existing file when `replace`, else
// failing with Exists when one is there.
FileHandle platformCreateOutput(const char* path, bool replace, CreateResult* result);
// What is at a path, the path's last element not followed when it is a link
// (a symbolic link, a junction or another reparse point).
enum class PathKind { Missing, File, Folder, Link, Other };
PathKind platformPathKind(const char* path);
// Creates `path` as a new file, never opening one that is there (nor a link
// of that name): Exists when something of that name is there.
FileHandle platformCreateNew(const char* path, CreateResult* result);
// Gives file `from` the name `to` in the same folder, at once: replacing what
// `to` names when `replace` (a link itself, never what it points to), else
// failing with Exists when `to` is there.
CreateResult platformRename(const char* from, const char* to, bool replace);
// Whether two paths name one file (the same device and inode, or volume and
// file index), whatever their spelling; false when either cannot be looked up.
bool platformSameFile(const char* a, const char* b);
bool platformPathExists(const char* path);
bool platformIsDirectory(const char* path);
bool platformMakeDirectory(const char* path);
// Removes a file (not a folder); false when it could not.
bool platformRemoveFile(const char* path);
