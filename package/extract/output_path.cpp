// Where an extracted file goes, and its folders and output file.
#include "package/output_path.h"

#include <cstring>

#include "common/destinations.h"
#include "common/paths.h"
#include "common/string_ids.h"
#include "package/bounded.h"
#include "package/file_functions.h"
#include "package/names.h"
#include "package/safe_name.h"

namespace {

const char* withoutDrive(const char* name) {
    return (name[0] != '\0' && name[1] == ':') ? name + 2 : name;
}

char foldCase(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Windows compares paths without regard to ASCII case or the kind of slash.
bool samePath(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        const bool separators = isPathSeparator(*a) && isPathSeparator(*b);
        if (!separators && foldCase(*a) != foldCase(*b)) {
            return false;
        }
    }
    return *a == '\0' && *b == '\0';
}

// Appends each element of the install name to `out` (which holds `length`
// bytes) after one backslash.
OutputPath appendElements(const char* install, char* out, size_t length) {
    const char* p = install;
    bool named = false;
    for (;;) {
        while (isPathSeparator(*p)) {
            ++p;
        }
        if (*p == '\0') {
            break;
        }
        size_t elementLength = 0;
        while (p[elementLength] != '\0' && !isPathSeparator(p[elementLength])) {
            ++elementLength;
        }
        if (!isSafePathElement(p, elementLength)) {
            return OutputPath::Unsafe;
        }
        if (elementLength + 1 > kPathSize - 1 - length) {
            return OutputPath::TooLong;
        }
        out[length++] = '\\';
        std::memcpy(out + length, p, elementLength);
        length += elementLength;
        out[length] = '\0';
        p += elementLength;
        named = *p == '\0';
    }
    // Nothing to name the file by, or a name that ends in a separator and so
    // names a folder.
    return named ? OutputPath::Composed : OutputPath::Unsafe;
}

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

OutputPath composeOutputPath(const char* base, const char* installName, const char* packagePath,
                             char* out) {
    out[0] = '\0';
    const size_t baseLength = std::strlen(base);
    if (baseLength > kPathSize - 1) {
        return OutputPath::TooLong;
    }
    std::memcpy(out, base, baseLength + 1);
    const OutputPath result = appendElements(withoutDrive(installName), out, baseLength);
    if (result == OutputPath::Composed && packagePath != nullptr && samePath(out, packagePath)) {
        out[0] = '\0';
        return OutputPath::IsPackage;
    }
    if (result != OutputPath::Composed) {
        out[0] = '\0';
    }
    return result;
}

void folderOf(const char* path, char* out) {
    out[0] = '\0';
    const char* last = nullptr;
    for (const char* p = path; *p != '\0'; ++p) {
        if (isPathSeparator(*p)) {
            last = p;
        }
    }
    if (last != nullptr && static_cast<size_t>(last - path) < kPathSize) {
        std::memcpy(out, path, static_cast<size_t>(last - path));
        out[last - path] = '\0';
    }
}

// The destination folder of this file, or false when there is none: a folder
// chooser cancelled, a fixed folder never set.
bool FileFunctions::destinationFolder(char* base) {
    ExtractSettings settings;
    readSettings(host, &settings);
    base[0] = '\0';
    if (settings.defaultDest == DestAskOncePerRun) {
        if (destPath[0] == '\0' || host.chosenFolder[0] == '\0') {
            char folder[kPathSize] = {};
            bool chosen = host.chooseFolder != nullptr &&
                          host.chooseFolder(host.context, "Select the destination Folder...",
                                            folder, sizeof folder);
            folder[sizeof folder - 1] = '\0';
            if (!chosen || folder[0] == '\0') {
                outputOutcome = Outcome::Cancelled; // the user ends the run
                return false;
            }
            copyBounded(host.chosenFolder, sizeof host.chosenFolder, folder);
        }
        copyBounded(base, kPathSize, host.chosenFolder);
    } else if (settings.defaultDest == DestFixedFolder) {
        copyBounded(base, kPathSize, settings.destDir);
    } else {
        // Next to the package; also for values the settings should never hold.
        folderOf(packagePath, base);
    }
    size_t baseLength = std::strlen(base);
    if (baseLength > 0 && base[baseLength - 1] == '\\') {
        base[--baseLength] = '\0';
    }
    // No folder at all would put the install path at the root of the current drive.
    return baseLength > 0;
}

FileHandle FileFunctions::createOutput(const char* name) {
    outputOutcome = Outcome::Failed;
    char base[kPathSize];
    if (!destinationFolder(base)) {
        return kInvalidFile;
    }
    // The folder now serves the rest of the run, whatever becomes of this file.
    copyBounded(destPath, sizeof destPath, base);
    char path[kPathSize];
    if (composeOutputPath(base, name, packagePath, path) != OutputPath::Composed) {
        return kInvalidFile;
    }
    copyBounded(destPath, sizeof destPath, path);
    char folder[kPathSize];
    folderOf(destPath, folder);
    // Files of one folder come one after another; asking again for every file
    // whether their folder is there cost a lookup of each of its parents.
    if (std::strlen(folder) > std::strlen(base) && std::strcmp(folder, madeFolder) != 0 &&
        makeDirs(folder) == 0) {
        copyBounded(madeFolder, sizeof madeFolder, folder);
    }

    ExtractSettings settings;
    readSettings(host, &settings);
    CreateResult result;
    FileHandle file = platformCreateOutput(destPath, settings.overwriteFiles != 0, &result);
    // Only a file that is already there is worth a question; a Yes replaces it
    // once, a No keeps it and skips this file.
    if (file == kInvalidFile && settings.overwriteFiles == 0 && result == CreateResult::Exists) {
        if (ask(host, IdsAlreadyExists, destPath) != AnswerYes) {
            outputOutcome = Outcome::Skipped;
            return kInvalidFile;
        }
        file = platformCreateOutput(destPath, true, &result);
    }
    if (file != kInvalidFile) {
        outputOutcome = Outcome::Created;
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
        if (isPathSeparator(*p)) {
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
