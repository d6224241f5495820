#pragma once
// Choosing files by their install path: `*` stands for any run of characters,
// `?` for one; letters match in either case, and / and \ match each other.
#include <string>
#include <vector>

bool wildcardMatch(const std::string& pattern, const std::string& text);

// Whether an install path matches any of `patterns`, written with its drive or
// without it ("sys\bin\*" and "!:\sys\bin\*" alike); no pattern chooses every file.
bool selected(const std::vector<std::string>& patterns, const std::string& installPath);
