#include "app/inner_packages.h"

#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/open_package.h"
#include "common/paths.h"
#include "common/resource_ids.h"
#include "common/string_ids.h"
#include "package/inner_package_image.h"
#include "package/io/platform.h"
#include "package/io/whole_file.h"

namespace {

// Commands on rows act only while the rows are those of the open package.
bool listShowsOpenPackage() {
    return gFiles.package && gDisplay.fileRows.package() == gFiles.package.get();
}

void reportInnerResult(InnerResult result) {
    if (const int message = innerMessage(result))
        gDisplay.showMessage(KindError, message, IdsSuffixFileFunctions, nullptr);
}

void showFromStart(HWND window) {
    SendDlgItemMessageW(window, IDC_PROGRESS, PBM_SETPOS, 0, 0);
    showOpenPackage(window);
}

// The Save As dialog's first name: the package's own, made a file name that
// Windows takes, and a package's extension when it has none.
std::string suggestedFileName(const Package& outer, uint32_t entry) {
    std::string name = innerPackageName(outer, entry);
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || std::strchr("<>:\"/\\|?*", c) != nullptr)
            c = '_';
    const std::string lowered = asciiLowered(name);
    const auto endsWith = [&lowered](const char* end) {
        const size_t length = std::strlen(end);
        return lowered.size() >= length &&
               lowered.compare(lowered.size() - length, length, end) == 0;
    };
    if (!endsWith(".sis") && !endsWith(".sisx"))
        name += ".sis";
    return name;
}

int saveMessage(SaveResult result) {
    switch (result) {
    case SaveResult::Saved:
        return 0;
    case SaveResult::DiskFull:
        return IdsSaveDiskFull;
    default:
        return IdsSaveFailed;
    }
}

} // namespace

bool openInnerPackage(HWND window, uint32_t entry) {
    const InnerResult result = gFiles.openInner(entry);
    if (result != InnerResult::Opened) {
        reportInnerResult(result);
        return false;
    }
    showFromStart(window);
    return true;
}

void openFocusedPackage(HWND window) {
    uint32_t entry = 0;
    if (listShowsOpenPackage() && gDisplay.focusedEntry(&entry))
        openInnerPackage(window, entry);
}

void saveFocusedPackage() {
    uint32_t entry = 0;
    if (!listShowsOpenPackage() || !gDisplay.focusedEntry(&entry) ||
        !namesInnerPackage(*gFiles.package, entry))
        return;
    // Made before the dialog, so that a package that cannot be saved says so at once.
    const InnerPackageImage image = innerPackageImage(*gFiles.package, entry);
    if (image.result != InnerResult::Opened) {
        reportInnerResult(image.result);
        return;
    }
    char path[kPathSize] = {};
    if (!gDisplay.choosePackageToSave(suggestedFileName(*gFiles.package, entry).c_str(), path))
        return;
    // The package file being read stays as it is, whatever name reaches it.
    if (platformSameFile(path, gFiles.path().c_str())) {
        gDisplay.showMessage(KindError, IdsSaveOverOpenPackage, 0, path);
        return;
    }
    if (const int message =
            saveMessage(saveWholeFile(path, image.bytes.data(), image.bytes.size())))
        gDisplay.showMessage(KindError, message, 0, path);
}

std::string innerPackageName(const Package& outer, uint32_t entry) {
    const Contents& contents = outer.contents;
    const char* name = contents.text(contents.entries[entry].name);
    const char* last = std::strrchr(name, '\\');
    return last != nullptr ? last + 1 : name;
}

void backCommand(HWND window) {
    if (gFiles.enclosing.empty())
        return;
    const uint32_t opened = gFiles.enclosing.back().entry;
    gFiles.closeInner();
    showFromStart(window);
    gDisplay.focusEntry(opened);
}

void reloadCommand(HWND window) {
    if (gFiles.path().empty())
        return;
    const std::vector<uint32_t> chain = gFiles.innerChain();
    const std::string path = gFiles.path();
    openPackage(window, path.c_str());
    for (uint32_t entry : chain)
        if (!gFiles.package || !openInnerPackage(window, entry))
            return;
}
