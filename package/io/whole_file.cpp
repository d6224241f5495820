#include "package/io/whole_file.h"

#include <chrono>
#include <cstdint>
#include <cstdio>

#include "package/io/platform.h"

namespace {

constexpr size_t kPiece = 1024 * 1024;

// A new file of a name of its own beside `path`, as extraction names its temporaries.
FileHandle createTemporaryBeside(const std::string& path, std::string* temporary) {
    const size_t slash = path.find_last_of("\\/");
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    auto seed = static_cast<uint32_t>(
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) *
        2654435761u);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "~vd%08x.tmp", static_cast<unsigned>(seed++));
        *temporary = folder + name;
        CreateResult result = CreateResult::Failed;
        const FileHandle file = platformCreateNew(temporary->c_str(), &result);
        if (result != CreateResult::Exists) {
            return file;
        }
    }
    return kInvalidFile;
}

// Writes and closes `file`; the failure, if any, as the system names it.
SaveResult writeAndClose(FileHandle file, const unsigned char* data, size_t size) {
    bool whole = true;
    for (size_t done = 0; whole && done < size;) {
        const auto count = static_cast<uint32_t>(size - done < kPiece ? size - done : kPiece);
        whole = platformWrite(file, data + done, count) == count;
        done += count;
    }
    whole = platformClose(file) && whole;
    if (whole) {
        return SaveResult::Saved;
    }
    return platformLastWriteFailure() == WriteFailure::DiskFull ? SaveResult::DiskFull
                                                                : SaveResult::WriteFailed;
}

} // namespace

SaveResult saveWholeFile(const std::string& path, const unsigned char* data, size_t size) {
    CreateResult created = CreateResult::Failed;
    std::string written = path;
    FileHandle file = platformCreateNew(path.c_str(), &created);
    if (created == CreateResult::Exists) {
        file = createTemporaryBeside(path, &written);
    }
    if (file == kInvalidFile) {
        return SaveResult::CannotCreate;
    }
    SaveResult result = writeAndClose(file, data, size);
    if (result == SaveResult::Saved && written != path &&
        platformRename(written.c_str(), path.c_str(), true) != CreateResult::Created) {
        result = SaveResult::CannotCreate;
    }
    if (result != SaveResult::Saved) {
        platformRemoveFile(written.c_str());
    }
    return result;
}
