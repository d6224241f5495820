#include "settings/settings_dialog.h"

#include "app/globals.h"
#include "app/resource.h"
#include "controls/browse_button.h"
#include "display/string_ids.h"
#include "display/text.h"

namespace {

const UINT kBrowseWidth = 18;
const size_t kFolderFieldSize = sizeof(RegistryFunctions::DestDir);

// A check box shows as checked only for exactly 1, so a stored 2 acts as on
// elsewhere but shows unchecked here.
void showCheck(HWND dialog, int id, DWORD value) {
    if (value == 1)
        SendDlgItemMessageW(dialog, id, BM_SETCHECK, BST_CHECKED, 0);
}

void showDestDir(HWND dialog) {
    setItemText(dialog, IDC_DEST_DIR, gSettings.DestDir);
}

void selectFixedFolder(HWND dialog) {
    CheckRadioButton(dialog, IDC_DEST_PACKAGE, IDC_DEST_FIXED, IDC_DEST_FIXED);
}

bool fixedFolderChosen(HWND dialog) {
    return SendDlgItemMessageW(dialog, IDC_DEST_FIXED, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Cuts at a character boundary so that a shortened folder stays valid UTF-8.
void copyUtf8Bounded(char* dest, size_t size, const char* source) {
    size_t length = 0;
    while (source[length] != '\0' && length + 1 < size)
        ++length;
    if (source[length] != '\0')
        while (length > 0 && (static_cast<unsigned char>(source[length]) & 0xC0) == 0x80)
            --length;
    for (size_t i = 0; i < length; ++i)
        dest[i] = source[i];
    dest[length] = '\0';
}

void onInitDialog(HWND dialog) {
    attachBrowseButton(GetDlgItem(dialog, IDC_DEST_DIR), IDC_BROWSE, kBrowseWidth);
    fillSettingsDialog(gSettings, dialog);
}

void onOk(HWND dialog) {
    if (fixedFolderChosen(dialog) && !folderExists(dialog)) {
        gDisplay.showMessage(KindError, IdsInvalidDirectory, 0, nullptr);
        return;
    }
    gSettings.saveSettings(dialog);
    EndDialog(dialog, 1);
}

// The browsed folder goes straight into the running settings; it reaches the
// registry only through a later OK with the fixed folder selected.
void onBrowse(HWND dialog) {
    if (!gDisplay.chooseFolder("Select the default destination Folder..."))
        return;
    copyUtf8Bounded(gSettings.DestDir, kFolderFieldSize, gDisplay.chosenFolder);
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
        gDisplay.showMessage(KindInformation, IdsRestartNeeded, 0, nullptr);
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

} // namespace

INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        onInitDialog(dialog);
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

void RegistryFunctions::saveSettings(HWND dialog) {
    writeNumber(overwriteFilesName, &OverwriteFiles, checkedValue(dialog, IDC_OVERWRITE));
    writeNumber(askExitName, &AskExit, checkedValue(dialog, IDC_ASK_EXIT));
    writeNumber(sortFilesName, &SortFiles, checkedValue(dialog, IDC_SORT));
    writeNumber(defaultDestName, &DefaultDest, checkedDestination(dialog));
    if (DefaultDest != IDC_DEST_FIXED)
        return;
    char folder[kFolderFieldSize] = {};
    getItemText(dialog, IDC_DEST_DIR, folder, sizeof folder);
    writeDestDir(folder);
}
