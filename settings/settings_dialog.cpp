#include "settings/settings_dialog.h"

#include <string>

#include "common/resource_ids.h"
#include "controls/browse_button.h"
#include "common/string_ids.h"
#include "display/text.h"
#include "package/io/names.h"

namespace {

const UINT kBrowseWidthAt96Dpi = 18;
const size_t kFolderFieldSize = sizeof(RegistryFunctions::DestDir);

// The setup the dialog was opened with, kept in the dialog itself.
const SettingsDialogSetup& setupOf(HWND dialog) {
    return *reinterpret_cast<const SettingsDialogSetup*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// A check box shows as checked only for exactly 1, so a stored 2 acts as on
// elsewhere but shows unchecked here.
void showCheck(HWND dialog, int id, DWORD value) {
    if (value == 1)
        SendDlgItemMessageW(dialog, id, BM_SETCHECK, BST_CHECKED, 0);
}

void showDestDir(HWND dialog) {
    setItemText(dialog, IDC_DEST_DIR, setupOf(dialog).settings->DestDir);
}

void selectFixedFolder(HWND dialog) {
    CheckRadioButton(dialog, IDC_DEST_PACKAGE, IDC_DEST_FIXED, IDC_DEST_FIXED);
}

bool fixedFolderChosen(HWND dialog) {
    return SendDlgItemMessageW(dialog, IDC_DEST_FIXED, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void saveChoice(HWND dialog);

void onInitDialog(HWND dialog, LPARAM parameter) {
    SetWindowLongPtrW(dialog, DWLP_USER, parameter);
    attachBrowseButton(GetDlgItem(dialog, IDC_DEST_DIR), IDC_BROWSE, kBrowseWidthAt96Dpi);
    fillSettingsDialog(*setupOf(dialog).settings, dialog);
}

void onOk(HWND dialog) {
    if (fixedFolderChosen(dialog) && !folderExists(dialog)) {
        setupOf(dialog).display->showMessage(KindError, IdsInvalidDirectory, 0, nullptr);
        return;
    }
    saveChoice(dialog);
    EndDialog(dialog, 1);
}

// The browsed folder goes straight into the running settings; it reaches the
// registry only through a later OK with the fixed folder selected.
void onBrowse(HWND dialog) {
    const SettingsDialogSetup& setup = setupOf(dialog);
    std::string folder;
    if (!setup.display->chooseFolder("Select the default destination Folder...", &folder))
        return;
    // Cut at a character boundary so that a shortened folder stays valid UTF-8.
    copyUtf8Bounded(setup.settings->DestDir, kFolderFieldSize, folder.c_str());
    showDestDir(dialog);
    selectFixedFolder(dialog);
}

void onClicked(HWND dialog, int id) {
    switch (id) {
    case IDOK:
        onOk(dialog);
        break;
    case IDCANCEL:
        EndDialog(dialog, 1);
        break;
    case IDC_BROWSE:
        onBrowse(dialog);
        break;
    case IDC_DEST_PACKAGE:
    case IDC_DEST_ASK:
        setItemText(dialog, IDC_DEST_DIR, "");
        break;
    case IDC_DEST_FIXED:
        showDestDir(dialog);
        break;
    case IDC_SORT:
        setupOf(dialog).display->showMessage(KindInformation, IdsRestartNeeded, 0, nullptr);
        break;
    default:
        break;
    }
}

void onCommand(HWND dialog, WPARAM wParam) {
    const int id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (code == 0) {
        onClicked(dialog, id);
    } else if (code == EN_SETFOCUS && id == IDC_DEST_DIR) {
        selectFixedFolder(dialog);
        showDestDir(dialog);
    }
}

// First checked of the three destinations. With none checked (the stored value
// was outside them) OK saves the default destination, next to the package.
DWORD checkedDestination(HWND dialog) {
    const int ids[] = {IDC_DEST_PACKAGE, IDC_DEST_ASK, IDC_DEST_FIXED};
    for (int id : ids)
        if (SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED)
            return static_cast<DWORD>(id);
    return IDC_DEST_PACKAGE;
}

DWORD checkedValue(HWND dialog, int id) {
    return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void saveChoice(HWND dialog) {
    char folder[kFolderFieldSize] = {};
    getItemText(dialog, IDC_DEST_DIR, folder, sizeof folder);
    const SettingsChoice choice = {
        checkedValue(dialog, IDC_OVERWRITE), checkedValue(dialog, IDC_ASK_EXIT),
        checkedValue(dialog, IDC_SORT), checkedDestination(dialog), folder};
    setupOf(dialog).settings->saveSettings(choice);
}

} // namespace

INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        onInitDialog(dialog, lParam);
        return TRUE;
    case WM_COMMAND:
        onCommand(dialog, wParam);
        return TRUE;
    default:
        return FALSE;
    }
}

void fillSettingsDialog(const RegistryFunctions& settings, HWND dialog) {
    showCheck(dialog, IDC_OVERWRITE, settings.OverwriteFiles);
    showCheck(dialog, IDC_ASK_EXIT, settings.AskExit);
    showCheck(dialog, IDC_SORT, settings.SortFiles);
    CheckRadioButton(dialog, IDC_DEST_PACKAGE, IDC_DEST_FIXED,
                     static_cast<int>(settings.DefaultDest));
    if (settings.DefaultDest == IDC_DEST_FIXED)
        setItemText(dialog, IDC_DEST_DIR, settings.DestDir);
}

bool folderExists(HWND dialog) {
    // The same text that a save would store, so the folder checked is the one kept.
    char folder[kFolderFieldSize] = {};
    getItemText(dialog, IDC_DEST_DIR, folder, sizeof folder);
    if (folder[0] == '\0')
        return false;
    HANDLE handle = CreateFileW(widen(folder).c_str(), 0, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    // Backup semantics open files as well as folders; a file cannot take the
    // extracted folders, so it is no destination.
    BY_HANDLE_FILE_INFORMATION information = {};
    const bool isFolder = GetFileInformationByHandle(handle, &information) &&
                          (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    CloseHandle(handle);
    return isFolder;
}
