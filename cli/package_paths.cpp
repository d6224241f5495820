#include "cli/package_paths.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/paths.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {

// Deeper than this, a tree is a trap rather than a collection.
constexpr int kDeepestFolder = 256;

// Whether an entry is a link of any kind: a symbolic link, or on Windows a
// junction or another reparse point, which std::filesystem may not see.
bool isLink(const fs::directory_entry& entry) {
    std::error_code error;
    if (entry.is_symlink(error)) {
        return true;
    }
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(entry.path().c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
#else
    return false;
#endif
}

// Adds the packages below `folder` to `found`, and `folder` itself when it
// cannot be read whole. Links to folders are not followed, so that a loop or a
// link to the root costs nothing; a link to a file is read as that file. The
// walk goes on past every entry and folder that cannot be looked at.
void walkFolder(const fs::path& folder, int depth, std::vector<FoundPath>* found) {
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const fs::directory_entry& entry = *entries;
        std::error_code kindError;
        if (entry.is_directory(kindError) && !isLink(entry)) {
            if (depth < kDeepestFolder) {
                walkFolder(entry.path(), depth + 1, found);
            }
        } else if (hasPackageExtension(entry.path().filename().u8string())) {
            // Anything else by a package's name is named as a package, so that a FIFO
            // or a device is refused by the open as when it is named on the command line.
            found->push_back({entry.path().u8string(), ""});
        }
    }
    if (error) {
        found->push_back({folder.u8string(), "cannot be read: " + error.message()});
    }
}

// The packages below `folder`, and the folders that could not be read, sorted.
std::vector<FoundPath> packagesBelow(const fs::path& folder) {
    std::vector<FoundPath> found;
    walkFolder(folder, 0, &found);
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

bool hasPackageExtension(const std::string& name) {
    const std::string lower = asciiLowered(name);
    const auto endsWith = [&](const std::string& end) {
        return lower.size() > end.size() &&
               lower.compare(lower.size() - end.size(), end.size(), end) == 0;
    };
    return endsWith(".sis") || endsWith(".sisx");
}

std::vector<FoundPath> findPackages(const std::vector<std::string>& arguments) {
    std::vector<FoundPath> packages;
    for (const std::string& argument : arguments) {
        const fs::path path = fs::u8path(argument);
        std::error_code error;
        if (fs::is_directory(path, error)) {
            const std::vector<FoundPath> below = packagesBelow(path);
            packages.insert(packages.end(), below.begin(), below.end());
        } else {
            packages.push_back({argument, ""});
        }
    }
    return packages;
}
