#include "app/open_package.h"

#include <commctrl.h>

#include <cstring>
#include <string>

#include "app/globals.h"
#include "common/paths.h"
#include "common/resource_ids.h"
#include "common/string_ids.h"
#include "display/header_text.h"
#include "display/sisx_header_text.h"
#include "display/text.h"
#include "package/bounded.h"
#include "package/file_crc.h"
#include "package/sisx.h"

namespace {

void reportOpenFailed() {
    gDisplay.showMessage(KindError, IdsOpenFailed, IdsSuffixFileFunctions, nullptr);
}

void enablePackageCommands(HWND window, BOOL enable) {
    EnableWindow(GetDlgItem(window, IDC_EXTRACT), enable);
    EnableWindow(GetDlgItem(window, IDC_LANGUAGES), enable);
}

// Reads the new package's header; a read that yields nothing keeps the previous
// header, as it keeps the previous panel and list.
bool readNewHeader() {
    PackageHeader header;
    if (gFiles.readHeader(&header) == 0) {
        gDisplay.showMessage(KindError, IdsCantRead, IdsSuffixFileFunctions, nullptr);
        return false;
    }
    gHeader = header;
    return true;
}

// The older format's check word against one more pass over the whole package.
void showPackageIntegrity() {
    const PackageCrc crc = packageCrc(gFiles.source);
    const uint16_t stored = gHeader.storedCrc();
    const std::string calculated = crc.complete ? calculatedCheckText(stored, crc.value) : "";
    gDisplay.showIntegrity(checkWordText(stored).c_str(), calculated.c_str());
}

// Shows a Symbian OS 9 package; false when its controller cannot be read, which
// leaves only the boxes its first 16 bytes fill and nothing to list or extract.
bool showSisxPackage(HWND window) {
    const SisxSummary& summary = gFiles.sisx->summary();
    gDisplay.clearFileList();
    gDisplay.showSisxHeader(summary);
    gDisplay.showIntegrity(sisxStoredChecksText(summary).c_str(),
                           sisxCalculatedChecksText(summary).c_str());
    if (!summary.readable) {
        enablePackageCommands(window, FALSE);
        gDisplay.showMessage(KindError, IdsCantRead, IdsSuffixFileFunctions, nullptr);
        return false;
    }
    return true;
}

// Shows the package just read in its format; false when there is nothing more
// to show of it.
bool showPackage(HWND window) {
    switch (gFiles.recognisePackage(gHeader)) {
    case PackageFormat::NotAPackage:
        // Nothing of it is shown, and nothing of it may be extracted under the
        // earlier package's header.
        gFiles.closePackage();
        gDisplay.showMessage(KindError, IdsNotAPackage, IdsSuffixFileFunctions, nullptr);
        return false;
    case PackageFormat::Sisx:
        return showSisxPackage(window);
    default:
        gDisplay.clearFileList();
        gDisplay.showHeader(gHeader);
        showPackageIntegrity();
        return true;
    }
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

} // namespace

void openPackage(HWND window, const char* utf8Path) {
    // A cut path would name another file.
    if (std::strlen(utf8Path) >= sizeof gFiles.packagePath) {
        reportOpenFailed();
        return;
    }
    copyBounded(gFiles.packagePath, sizeof gFiles.packagePath, utf8Path);
    SendDlgItemMessageW(window, IDC_PROGRESS, PBM_SETPOS, 0, 0);
    setItemText(window, IDC_PATH, gFiles.packagePath);
    gFiles.OpenSISFile(gFiles.packagePath);
    if (gFiles.inputHandle == kInvalidFile) {
        reportOpenFailed();
        return;
    }
    if (!readNewHeader() || !showPackage(window))
        return;
    gDisplay.beginListing();
    gFiles.walkPackage(gHeader, WalkList, programWalkOutputs());
    gDisplay.endListing();
    enablePackageCommands(window, TRUE);
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
