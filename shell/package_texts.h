#pragma once
// What the preview pane and the property store say of a package, made of the
// words the window and the command line use for it (the package view and the
// package details) and nothing of their own but how they are put together.
#include <cstdint>
#include <string>
#include <vector>

#include "package/opened_package.h"
#include "package/package.h"

// The pane's summary above the file list: the package's first name, its format,
// the package details section by section, and what the preview leaves out.
// `now` judges certificates' validity, in seconds since 1970 (UTC).
std::string previewSummary(const Package& package, int64_t now);
// The line that follows a summary when the time limit cut reading short.
std::string stoppedNote();

// The one line a pane shows for what did not open as a package.
std::string openFailureLine(OpenResult result);

// The properties Explorer's details pane, columns, tooltips and search show.
enum class PackageProperty { Title, Company, Version, Comment, Language };
struct PropertyText {
    PackageProperty property;
    std::string text; // UTF-8, never empty
};
// The properties the package has a text for; fewer for a damaged package.
std::vector<PropertyText> packageProperties(const Package& package);
