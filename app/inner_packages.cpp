#include "app/inner_packages.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "app/globals.h"
#include "app/open_package.h"
#include "common/resource_ids.h"
#include "common/string_ids.h"

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
