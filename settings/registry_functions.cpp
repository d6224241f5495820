#include "settings/registry_functions.h"

#include "common/destinations.h"
#include "common/string_ids.h"
#include "common/utf16.h"

namespace {

const DWORD kNumberSize = sizeof(DWORD);
const DWORD kDestDirSize = sizeof(RegistryFunctions::DestDir);
const DWORD kDefaultOn = 1;
const DWORD kDefaultDestination = DestNextToPackage;

// There is no main window yet when the settings load, so this box has no owner and
// its own caption and icon rather than those of an Error message.
void showRegistryError() {
    MessageBoxA(nullptr,
                "Registry Error!\nSettings may not be saved!\nClass: RegistryFunctions\n"
                "Public: Constructor",
                "Error", MB_ICONINFORMATION);
}

void loadName(int id, char* field, int size) {
    LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(id), field, size);
}

// Reads through a scratch value so that a value that does not fit can never leave
// part of itself in the field: the query's buffer is undefined after ERROR_MORE_DATA.
void readNumber(HKEY key, const char* name, DWORD* field) {
    DWORD value = *field;
    DWORD size = kNumberSize;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) ==
        ERROR_SUCCESS)
        *field = value;
}

void wideName(const char* name, wchar_t* out, int size) {
    if (MultiByteToWideChar(CP_ACP, 0, name, -1, out, size) == 0)
        out[0] = L'\0';
}

} // namespace

RegistryFunctions::RegistryFunctions() {
    loadSettings();
}

RegistryFunctions::~RegistryFunctions() {
    if (key != nullptr)
        RegCloseKey(key);
}

void RegistryFunctions::loadSettings(HKEY primary, HKEY fallback) {
    if (key != nullptr) {
        RegCloseKey(key);
        key = nullptr;
    }
    loadName(IdsRegistryKey, subKeyPath, sizeof subKeyPath);
    loadName(IdsNameOverwriteFiles, overwriteFilesName, sizeof overwriteFilesName);
    loadName(IdsNameAskExit, askExitName, sizeof askExitName);
    loadName(IdsNameSortFiles, sortFilesName, sizeof sortFilesName);
    loadName(IdsNameDefaultDest, defaultDestName, sizeof defaultDestName);
    loadName(IdsNameDestDir, destDirName, sizeof destDirName);
    loadName(IdsNameWindowPlacement, windowPlacementName, sizeof windowPlacementName);

    // An ordinary user of a current Windows may not create keys under
    // HKEY_LOCAL_MACHINE; the user's own hive then keeps the same key instead.
    DWORD disposition = 0;
    if (!openKey(primary, &disposition) && !openKey(fallback, &disposition)) {
        showRegistryError();
        return;
    }
    if (disposition == REG_CREATED_NEW_KEY)
        writeDefaults();
    else
        readStored();
}

bool RegistryFunctions::openKey(HKEY root, DWORD* disposition) {
    HKEY opened = nullptr;
    lastCreateResult = RegCreateKeyExA(root, subKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_ALL_ACCESS, nullptr, &opened, disposition);
    if (lastCreateResult != ERROR_SUCCESS)
        return false;
    key = opened;
    return true;
}

void RegistryFunctions::writeDefaults() {
    writeNumber(overwriteFilesName, &OverwriteFiles, kDefaultOn);
    writeNumber(askExitName, &AskExit, kDefaultOn);
    writeNumber(defaultDestName, &DefaultDest, kDefaultDestination);
    writeNumber(sortFilesName, &SortFiles, kDefaultOn);
}

void RegistryFunctions::readStored() {
    readNumber(key, overwriteFilesName, &OverwriteFiles);
    readNumber(key, askExitName, &AskExit);
    readNumber(key, sortFilesName, &SortFiles);
    readNumber(key, defaultDestName, &DefaultDest);
    readDestDir();
    readWindowPlacement();
}

void RegistryFunctions::writeNumber(const char* name, DWORD* field, DWORD value) {
    *field = value;
    if (key != nullptr)
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(field), kNumberSize);
}

// DestDir is UTF-8 in memory but goes through the registry's wide functions. The
// narrow call would store the 100 bytes of the field as 100 UTF-16 characters anyway,
// so writing the field's 100 characters in UTF-16 leaves the same value for an ASCII
// folder, and keeps a folder named outside the ANSI code page intact.
void RegistryFunctions::writeDestDir(const char* folder) {
    if (folder != DestDir)
        lstrcpynA(DestDir, folder, static_cast<int>(kDestDirSize));
    wchar_t name[sizeof destDirName] = {};
    wideName(destDirName, name, static_cast<int>(sizeof destDirName));
    wchar_t data[kDestDirSize] = {};
    MultiByteToWideChar(CP_UTF8, 0, DestDir, -1, data, static_cast<int>(kDestDirSize));
    if (key != nullptr)
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), sizeof data);
}

// Offers the field's 100 characters; a stored folder that does not fit them, or
// whose UTF-8 form does not fit the field, leaves DestDir as it was.
void RegistryFunctions::readDestDir() {
    wchar_t name[sizeof destDirName] = {};
    wideName(destDirName, name, static_cast<int>(sizeof destDirName));
    wchar_t data[kDestDirSize + 1] = {};
    DWORD size = kDestDirSize * sizeof(wchar_t);
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) !=
        ERROR_SUCCESS)
        return;
    const std::string folder = utf16ToUtf8(data);
    if (folder.size() >= kDestDirSize)
        return;
    lstrcpynA(DestDir, folder.c_str(), static_cast<int>(kDestDirSize));
}

void RegistryFunctions::saveSettings(const SettingsChoice& choice) {
    writeNumber(overwriteFilesName, &OverwriteFiles, choice.overwriteFiles);
    writeNumber(askExitName, &AskExit, choice.askExit);
    writeNumber(sortFilesName, &SortFiles, choice.sortFiles);
    writeNumber(defaultDestName, &DefaultDest, choice.defaultDest);
    if (DefaultDest == DestFixedFolder && choice.destDir != nullptr)
        writeDestDir(choice.destDir);
}

void RegistryFunctions::writeWindowPlacement(const WINDOWPLACEMENT& placement) {
    WindowPlacement = placement;
    WindowPlacement.length = sizeof WindowPlacement;
    if (key != nullptr)
        RegSetValueExA(key, windowPlacementName, 0, REG_BINARY,
                       reinterpret_cast<const BYTE*>(&WindowPlacement), sizeof WindowPlacement);
}

// Only a value of exactly the structure's size, that says it is one, is taken.
void RegistryFunctions::readWindowPlacement() {
    WINDOWPLACEMENT stored = {};
    DWORD type = 0;
    DWORD size = sizeof stored;
    if (RegQueryValueExA(key, windowPlacementName, nullptr, &type, reinterpret_cast<BYTE*>(&stored),
                         &size) != ERROR_SUCCESS ||
        type != REG_BINARY || size != sizeof stored || stored.length != sizeof stored)
        return;
    WindowPlacement = stored;
}
