#include "tests/support/real_packages.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace testsupport {

namespace fs = std::filesystem;

std::string sharedPackageFolder(const std::string& below) {
    const fs::path folder = fs::u8path(VORANDECK_TESTDATA) / fs::u8path(below);
    std::error_code error;
    return fs::is_directory(folder, error) ? folder.u8string() : std::string();
}

std::string realPackageFolder() {
    return sharedPackageFolder("real");
}

std::vector<std::string> realPackageNames() {
    return packageNamesIn(realPackageFolder());
}

std::vector<std::string> allSharedPackages() {
    std::vector<std::string> paths;
    for (const char* below : {"real", "sisx", "sisx/stubs", "sisx/damaged"}) {
        const std::string folder = sharedPackageFolder(below);
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(fs::u8path(folder), error)) {
            std::string extension = entry.path().extension().u8string();
            std::transform(extension.begin(), extension.end(), extension.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (entry.is_regular_file(error) && (extension == ".sis" || extension == ".sisx"))
                paths.push_back(entry.path().u8string());
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::vector<std::string> packageNamesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (folder.empty())
        return names;
    std::error_code error;
    const fs::path expected = fs::u8path(folder) / "expected";
    for (const auto& entry : fs::directory_iterator(fs::u8path(folder), error)) {
        const std::string name = entry.path().filename().u8string();
        if (entry.is_regular_file(error) &&
            fs::exists(expected / fs::u8path(name + ".json"), error))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace testsupport
