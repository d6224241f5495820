#include "cli/wildcard.h"

#include <string_view>

#include "common/paths.h"

namespace {

char folded(char c) {
    if (isPathSeparator(c)) {
        return '\\';
    }
    return asciiLower(c);
}

// The path below its drive: "C:\sys\bin\a.exe" and "\sys\bin\a.exe" give "sys\bin\a.exe".
std::string belowDrive(const std::string& path) {
    std::string_view rest = withoutDrive(path);
    while (!rest.empty() && isPathSeparator(rest.front())) {
        rest.remove_prefix(1);
    }
    return std::string(rest);
}

} // namespace

// Greedy with one point to go back to: the last `*` seen, and where its run ended.
bool wildcardMatch(const std::string& pattern, const std::string& text) {
    size_t p = 0, t = 0;
    size_t star = std::string::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || folded(pattern[p]) == folded(text[t]))) {
            ++p;
            ++t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

bool selected(const std::vector<std::string>& patterns, const std::string& installPath) {
    if (patterns.empty()) {
        return true;
    }
    for (const std::string& pattern : patterns) {
        if (wildcardMatch(pattern, installPath) ||
            wildcardMatch(belowDrive(pattern), belowDrive(installPath))) {
            return true;
        }
    }
    return false;
}
