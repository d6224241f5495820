#include "app/open_package.h"

#include <commctrl.h>

#include <cstring>
#include <string>

#include "app/globals.h"
#include "app/inner_packages.h"
#include "common/paths.h"
#include "common/resource_ids.h"
#include "common/string_ids.h"
#include "display/text.h"

namespace {

void reportOpenFailed() {
    gDisplay.showMessage(KindError, openMessage(OpenResult::CannotOpen), IdsSuffixFileFunctions,
                         nullptr);
}

void enablePackageCommands(HWND window, BOOL enable) {
    EnableWindow(GetDlgItem(window, IDC_EXTRACT), enable);
    EnableWindow(GetDlgItem(window, IDC_LANGUAGES), enable);
}

// The buttons that need a package open, or one inside it.
void showOpenState(HWND window) {
    EnableWindow(GetDlgItem(window, IDC_DETAILS), gFiles.package != nullptr);
    EnableWindow(GetDlgItem(window, IDC_BACK), !gFiles.enclosing.empty());
}

std::wstring firstDroppedPath(HDROP drop) {
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    if (length == 0)
        return {};
    std::wstring path(static_cast<size_t>(length) + 1, L'\0');
    DragQueryFileW(drop, 0, path.data(), length + 1);
    path.resize(length);
    return path;
}

// Nothing is open any more: no box, line or command may speak of what was.
void showNothingOpen(HWND window) {
    gDisplay.showHeader(HeaderBoxes());
    gDisplay.clearFileList();
    enablePackageCommands(window, FALSE);
}

} // namespace

void showOpenPackage(HWND window) {
    const Package& package = *gFiles.package;
    gDisplay.clearFileList();
    gDisplay.showHeader(headerBoxes(package));
    setItemText(window, IDC_PATH, packageChainText().c_str());
    showOpenState(window);
    if (!package.readable()) {
        // Only the boxes its first 16 bytes fill: nothing to list or extract.
        enablePackageCommands(window, FALSE);
        gDisplay.showMessage(KindError, IdsCantRead, IdsSuffixFileFunctions, nullptr);
        return;
    }
    gDisplay.showFiles(gFiles.package);
    enablePackageCommands(window, TRUE);
}

std::string packageChainText() {
    std::string chain = gFiles.path();
    for (const EnclosingPackage& outer : gFiles.enclosing)
        chain += " > " + innerPackageName(*outer.package, outer.entry);
    return chain;
}

void openPackage(HWND window, const char* utf8Path) {
    // A cut path would name another file.
    if (std::strlen(utf8Path) >= kPathSize || utf16Units(utf8Path) > kPathUnits) {
        reportOpenFailed();
        return;
    }
    const bool reopening = gFiles.package != nullptr && gFiles.path() == utf8Path;
    SendDlgItemMessageW(window, IDC_PROGRESS, PBM_SETPOS, 0, 0);
    setItemText(window, IDC_PATH, utf8Path);
    const OpenResult opened = gFiles.OpenSISFile(utf8Path);
    // The earlier panel and list stay as they were when another package does not
    // open. When the open package itself cannot be read again (F5 after it was
    // deleted), nothing of it stays and nothing offers to extract it.
    showOpenState(window);
    if (opened != OpenResult::Opened && reopening)
        showNothingOpen(window);
    if (opened == OpenResult::Opened) {
        showOpenPackage(window);
        return;
    }
    if (opened == OpenResult::NotAPackage) {
        // Nothing of it is shown, and nothing of it may be extracted under the
        // earlier package's panel.
        gFiles.closePackage();
        showOpenState(window);
    }
    gDisplay.showMessage(KindError, openMessage(opened), IdsSuffixFileFunctions, nullptr);
}

void openWidePath(HWND window, const wchar_t* path) {
    char utf8Path[kPathSize] = {};
    if (!narrowWhole(path, utf8Path, sizeof utf8Path)) {
        reportOpenFailed();
        return;
    }
    openPackage(window, utf8Path);
}

void openFromCommandLine(HWND window, const wchar_t* commandLine) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(commandLine, &count);
    if (arguments == nullptr)
        return;
    if (count > 1)
        openWidePath(window, arguments[1]);
    LocalFree(arguments);
}

void openDropped(HWND window, HDROP drop) {
    // Every other command waits while the window is disabled; a drop cannot
    // wait, so it is refused.
    const std::wstring path = IsWindowEnabled(window) ? firstDroppedPath(drop) : std::wstring();
    // Released before the open, which may stop at a message box, so that no way
    // out of it keeps the drop.
    DragFinish(drop);
    if (!path.empty())
        openWidePath(window, path.c_str());
}
