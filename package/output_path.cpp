// Where an extracted file goes, and its folders and output file.
#include <cstring>

#include "display/string_ids.h"
#include "package/bounded.h"
#include "package/file_functions.h"

namespace {

constexpr uint32_t kDestAskOncePerWalk = 501;
constexpr uint32_t kDestFixedFolder = 502;
constexpr size_t kPathSize = 260;
constexpr size_t kPartLimit = 255; // each part of a split path, as the platform splits it

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// A path split as the platform does: drive, folder part (to its last separator,
// included) and the rest (file name and extension).
struct SplitPath {
    char drive[3] = {};
    char folder[kPartLimit + 1] = {};
    char file[2 * kPartLimit + 1] = {};

    explicit SplitPath(const char* path) {
        const char* rest = path;
        if (rest[0] != '\0' && rest[1] == ':') {
            drive[0] = rest[0];
            drive[1] = ':';
            rest += 2;
        }
        const char* lastSeparator = nullptr;
        for (const char* p = rest; *p != '\0'; ++p) {
            if (isSeparator(*p)) {
                lastSeparator = p;
            }
        }
        const char* fileStart = rest;
        if (lastSeparator != nullptr) {
            size_t length = static_cast<size_t>(lastSeparator - rest) + 1;
            appendBounded(folder, sizeof folder, rest, length);
            fileStart = lastSeparator + 1;
        }
        // File name and extension, each cut at the part limit.
        const char* dot = std::strrchr(fileStart, '.');
        size_t nameLength =
            dot != nullptr ? static_cast<size_t>(dot - fileStart) : std::strlen(fileStart);
        appendBounded(file, sizeof file, fileStart,
                      nameLength < kPartLimit ? nameLength : kPartLimit);
        if (dot != nullptr) {
            appendBounded(file, sizeof file, dot, kPartLimit);
        }
    }
};

void readSettings(const ExtractHost& host, ExtractSettings* settings) {
    std::memset(settings, 0, sizeof *settings);
    if (host.readSettings != nullptr) {
        host.readSettings(host.context, settings);
    }
    settings->destDir[sizeof settings->destDir - 1] = '\0';
}

int ask(const ExtractHost& host, int textId, const char* prefix) {
    if (host.showMessage == nullptr) {
        return AnswerNo;
    }
    return host.showMessage(host.context, KindQuestion, textId, 0, prefix);
}

} // namespace

FileHandle FileFunctions::createOutput(const char* name) {
    ExtractSettings settings;
    readSettings(host, &settings);

    char base[kPathSize] = {};
    if (settings.defaultDest == kDestAskOncePerWalk) {
        if (destPath[0] == '\0' || host.chosenFolder[0] == '\0') {
            char folder[kPathSize] = {};
            bool chosen = host.chooseFolder != nullptr &&
                          host.chooseFolder(host.context, "Select the destination Folder...",
                                            folder, sizeof folder);
            folder[sizeof folder - 1] = '\0';
            if (!chosen || folder[0] == '\0') {
                return kInvalidFile; // destPath untouched: the next file asks again
            }
            copyBounded(host.chosenFolder, sizeof host.chosenFolder, folder);
        }
        copyBounded(base, sizeof base, host.chosenFolder);
    } else if (settings.defaultDest == kDestFixedFolder) {
        copyBounded(base, sizeof base, settings.destDir);
    } else {
        // 500, next to the package; also for values the settings should never hold.
        SplitPath package(packagePath);
        appendBounded(base, 3, package.drive);
        appendBounded(base, sizeof base, package.folder, 255);
    }
    // No folder at all (a fixed folder that was never set): the install path
    // would start from the root of the current drive, outside anything chosen.
    size_t baseLength = std::strlen(base);
    if (baseLength == 0) {
        return kInvalidFile;
    }
    if (base[baseLength - 1] == '\\') {
        base[--baseLength] = '\0';
    }

    SplitPath install(name);
    copyBounded(destPath, sizeof destPath, base);
    if (install.folder[0] != '\0') {
        appendBounded(destPath, sizeof destPath, install.folder);
        makeDirs(destPath);
    } else {
        appendBounded(destPath, sizeof destPath, "\\");
    }
    appendBounded(destPath, sizeof destPath, install.file);

    CreateResult result;
    FileHandle file = platformCreateOutput(destPath, settings.overwriteFiles != 0, &result);
    // Only a file that is already there is worth a question; a Yes replaces it once.
    if (file == kInvalidFile && settings.overwriteFiles == 0 && result == CreateResult::Exists &&
        ask(host, IdsAlreadyExists, destPath) == AnswerYes) {
        file = platformCreateOutput(destPath, true, &result);
    }
    return file;
}

int FileFunctions::makeDirs(const char* path) {
    char work[kPathSize];
    copyBounded(work, sizeof work, path);
    if (platformPathExists(work)) {
        return 0;
    }
    char* last = nullptr;
    for (char* p = work; *p != '\0'; ++p) {
        if (isSeparator(*p)) {
            last = p;
        }
    }
    if (last != nullptr) {
        const char separator = *last;
        *last = '\0';
        makeDirs(work); // parents first; stops at the first one that exists
        *last = separator;
    }
    return platformMakeDirectory(work) ? 0 : -1;
}
