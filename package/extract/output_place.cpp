// Where a run's files land: the folder they go below, the folders made for
// them, the temporary file each is written to, and what is asked or refused
// when something is already there.
#include <cstdio>
#include <cstring>

#include "common/destinations.h"
#include "common/paths.h"
#include "common/string_ids.h"
#include "package/extract/extraction_run.h"
#include "package/extract/output_path.h"
#include "package/io/platform.h"

// The folder files go below, without a trailing backslash; false only when
// the user cancelled the folder chooser, which ends the run. `base` is empty
// when there is no folder: a fixed folder never set.
bool ExtractionRun::destinationFolder(std::string* base) {
    if (settings_.defaultDest == DestAskOncePerRun) {
        if (chosenFolder_.empty()) {
            std::string folder;
            if (!host_.chooseFolder("Select the destination Folder...", &folder) ||
                folder.empty()) {
                return false;
            }
            chosenFolder_ = folder;
        }
        *base = chosenFolder_;
    } else if (settings_.defaultDest == DestFixedFolder) {
        *base = settings_.destDir;
    } else {
        // Next to the package; also for values the settings should never hold.
        char folder[kPathSize];
        folderOf(packagePath_.c_str(), folder);
        *base = folder;
    }
    if (!base->empty() && base->back() == '\\') {
        base->pop_back();
    }
    return true;
}

FileHandle ExtractionRun::openOutput(const std::string& name, OutputPlace* place,
                                     FileOutcome* refused) {
    std::string base;
    if (!destinationFolder(&base)) {
        ended_ = true;
        *refused = {FileResult::RunEnded, 0};
        return kInvalidFile;
    }
    *refused = {FileResult::Failed, 0};
    char path[kPathSize];
    // No folder at all would put the install path at the root of the current drive.
    if (base.empty() || composeOutputPath(base.c_str(), name.c_str(), packagePath_.c_str(), path) !=
                            OutputPath::Composed) {
        refused->message = fail(IdsCreateError);
        return kInvalidFile;
    }
    char folder[kPathSize];
    folderOf(path, folder);
    // Files of one folder come one after another; asking again for every file
    // whether their folder is there cost a lookup of each of its parents.
    if (madeFolder_ != folder) {
        if (!makeFolders(base, folder)) {
            refused->message = fail(IdsCreateError);
            return kInvalidFile;
        }
        madeFolder_ = folder;
    }
    place->path = path;
    place->replace = settings_.overwriteFiles;
    // Most files are new: created exclusively under their own name (never through
    // a link of it), written there and removed if they do not come out whole. Only
    // a name that is taken is looked at, and only a file that replaces another
    // goes through a temporary name, which spares a lookup and a rename per file.
    CreateResult created = CreateResult::Failed;
    const FileHandle direct = platformCreateNew(path, &created);
    if (created == CreateResult::Created) {
        place->temporary = path;
        place->named = true;
        return direct;
    }
    switch (created == CreateResult::Exists ? platformPathKind(path) : PathKind::Other) {
    case PathKind::Missing:
        break; // gone meanwhile: the rename asks about one that comes back
    case PathKind::File:
    case PathKind::Link:
        // A link of the name is replaced by the new file itself, never written through.
        if (platformSameFile(path, packagePath_.c_str())) {
            refused->message = fail(IdsCreateError);
            return kInvalidFile;
        }
        // Only a file that is already there is worth a question; a Yes replaces it
        // once, a No keeps it and skips this file.
        if (!place->replace) {
            if (host_.showMessage(KindQuestion, IdsAlreadyExists, 0, path) != AnswerYes) {
                *refused = {FileResult::Skipped, 0};
                return kInvalidFile;
            }
            place->replace = true;
        }
        break;
    default:
        refused->message = fail(IdsCreateError);
        return kInvalidFile;
    }
    const FileHandle file = createTemporary(folder, &place->temporary);
    if (file == kInvalidFile) {
        refused->message = fail(IdsCreateError);
    }
    return file;
}

// A new file of a name of its own in `folder`, where a file is written before it
// is whole: a file it replaces stays as it was until then.
FileHandle ExtractionRun::createTemporary(const char* folder, std::string* path) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[48];
        std::snprintf(name, sizeof name, "\\~vd%08x.tmp",
                      static_cast<unsigned>(temporarySeed_ + ++temporaries_));
        *path = std::string(folder) + name;
        CreateResult result;
        const FileHandle file = platformCreateNew(path->c_str(), &result);
        if (result != CreateResult::Exists) {
            return file;
        }
    }
    return kInvalidFile;
}

// Makes `folder` below `base` and every folder between them that is missing.
// The base is the user's and may be a link; below it a link, a junction or a
// file where a folder belongs is refused, so that no file lands outside.
bool ExtractionRun::makeFolders(const std::string& base, const char* folder) {
    if (!platformIsDirectory(base.c_str()) && !makeParents(base.c_str())) {
        return false;
    }
    const size_t length = std::strlen(folder);
    for (size_t end = base.size() + 1; end <= length; ++end) {
        if (end != length && !isPathSeparator(folder[end])) {
            continue;
        }
        const std::string element(folder, end);
        const PathKind kind = platformPathKind(element.c_str());
        const bool made = kind == PathKind::Missing && platformMakeDirectory(element.c_str());
        // A folder that another process made meanwhile is as good as one made here.
        if (!made && kind != PathKind::Folder &&
            (kind != PathKind::Missing || platformPathKind(element.c_str()) != PathKind::Folder)) {
            return false;
        }
    }
    return true;
}

// Makes `folder` and every parent it lacks, stopping at the first one that
// exists; returns whether `folder` is there now.
bool ExtractionRun::makeParents(const char* folder) {
    if (platformPathExists(folder)) {
        return true;
    }
    char parent[kPathSize];
    folderOf(folder, parent);
    if (parent[0] != '\0') {
        makeParents(parent);
    }
    return platformMakeDirectory(folder);
}
