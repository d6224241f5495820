#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <cwchar>

#include "common/paths.h"
#include "common/string_ids.h"
#include "display/display_functions.h"
#include "display/text.h"

namespace {

// The filter is the name, the pattern, and an empty entry that ends the list.
const wchar_t kPackageFilter[] = L"EPOC SIS Files\0*.SIS\0";

// The shell's folder browser needs COM on this thread; balance only our own start.
class ComScope {
  public:
    ComScope() : started_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComScope() {
        if (started_)
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

  private:
    bool started_;
};

bool folderPathOf(PIDLIST_ABSOLUTE item, char* folder, size_t size) {
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(item, path))
        return false;
    return narrowWhole(path, folder, size);
}

} // namespace

bool DisplayFunctions::chooseFolder(const char* title, std::string* folder) {
    ComScope com;
    const std::wstring wideTitle = widen(title);
    BROWSEINFOW info = {};
    info.hwndOwner = mainWindow;
    info.lpszTitle = wideTitle.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
    if (item == nullptr)
        return false;
    char chosen[kPathSize] = {};
    const bool stored = folderPathOf(item, chosen, sizeof chosen);
    CoTaskMemFree(item);
    if (stored)
        *folder = chosen;
    return stored;
}

namespace {

// Runs the open or save dialog `run` set up in `dialog` over `path`; the
// choice, converted whole, into `buffer` (kPathSize bytes).
bool runFileDialog(DisplayFunctions& display, OPENFILENAMEW& dialog,
                   BOOL(WINAPI* run)(LPOPENFILENAMEW), wchar_t* path, char* buffer) {
    // The classic structure size: no places bar, the same dialog on every version.
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    dialog.hwndOwner = display.mainWindow;
    dialog.lpstrFilter = kPackageFilter;
    dialog.lpstrFile = path;
    dialog.nMaxFile = kPathSize * 2;
    if (!run(&dialog)) {
        if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
            display.showMessage(KindError, IdsPathTooLong, 0, nullptr);
        return false;
    }
    // A cancel must leave the caller's buffer alone, so convert only a choice.
    if (std::wcslen(path) > kPathUnits || !narrowWhole(path, buffer, kPathSize)) {
        display.showMessage(KindError, IdsPathTooLong, 0, nullptr);
        return false;
    }
    return true;
}

} // namespace

bool DisplayFunctions::choosePackage(char* buffer) {
    // Room for more than the program takes, so that a longer choice is refused
    // with a message rather than by the dialog without one.
    wchar_t path[kPathSize * 2] = {};
    OPENFILENAMEW dialog = {};
    dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    return runFileDialog(*this, dialog, GetOpenFileNameW, path, buffer);
}

bool DisplayFunctions::choosePackageToSave(const char* suggested, char* buffer) {
    wchar_t path[kPathSize * 2] = {};
    const std::wstring name = widen(suggested);
    if (name.size() < kPathSize)
        std::wcscpy(path, name.c_str());
    OPENFILENAMEW dialog = {};
    dialog.lpstrDefExt = L"sis";
    dialog.Flags =
        OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_NOREADONLYRETURN;
    return runFileDialog(*this, dialog, GetSaveFileNameW, path, buffer);
}
