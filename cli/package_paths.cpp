#include "cli/package_paths.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string lowered(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return text;
}

// The packages below `folder`, sorted; a folder that cannot be read is passed over.
std::vector<std::string> packagesBelow(const fs::path& folder) {
    std::vector<std::string> found;
    std::error_code error;
    fs::recursive_directory_iterator walk(folder, fs::directory_options::skip_permission_denied,
                                          error);
    for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
        std::error_code kindError;
        if (walk->is_regular_file(kindError) &&
            hasPackageExtension(walk->path().filename().u8string())) {
            found.push_back(walk->path().u8string());
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

bool hasPackageExtension(const std::string& name) {
    const std::string lower = lowered(name);
    const auto endsWith = [&](const std::string& end) {
        return lower.size() > end.size() &&
               lower.compare(lower.size() - end.size(), end.size(), end) == 0;
    };
    return endsWith(".sis") || endsWith(".sisx");
}

std::vector<std::string> findPackages(const std::vector<std::string>& arguments) {
    std::vector<std::string> packages;
    for (const std::string& argument : arguments) {
        const fs::path path = fs::u8path(argument);
        std::error_code error;
        if (fs::is_directory(path, error)) {
            const std::vector<std::string> below = packagesBelow(path);
            packages.insert(packages.end(), below.begin(), below.end());
        } else {
            packages.push_back(argument);
        }
    }
    return packages;
}
