#pragma once
// The five settings, held in memory for the whole run and kept in one registry
// key, and where the main window was when it closed.
#include <windows.h>

// The settings as the settings dialog hands them to be saved.
struct SettingsChoice {
    DWORD overwriteFiles;
    DWORD askExit;
    DWORD sortFiles;
    DWORD defaultDest;
    const char* destDir; // UTF-8; kept only with the fixed destination folder
};

class RegistryFunctions {
  public:
    HKEY key = nullptr;        // the open settings key, null when none could be opened
    LONG lastCreateResult = 0; // result of creating or opening the key
    char subKeyPath[40] = {};  // string 70
    char overwriteFilesName[15] = {};
    char askExitName[8] = {};
    char sortFilesName[10] = {};
    char defaultDestName[12] = {};
    char destDirName[8] = {};
    char windowPlacementName[16] = {};
    DWORD OverwriteFiles = 0;
    DWORD AskExit = 0;
    DWORD DefaultDest = 0; // 500 next to the package, 501 ask, 502 DestDir
    DWORD SortFiles = 0;
    char DestDir[100] = {}; // UTF-8
    // The main window's size, place and maximised state as it closed last; its
    // length is 0 while none is stored.
    WINDOWPLACEMENT WindowPlacement = {};

    RegistryFunctions(); // loadSettings() under HKLM, falling back to HKCU
    struct NoLoad {};
    explicit RegistryFunctions(NoLoad) {}
    ~RegistryFunctions();
    RegistryFunctions(const RegistryFunctions&) = delete;
    RegistryFunctions& operator=(const RegistryFunctions&) = delete;

    // Opens or creates the key under `primary`, else under `fallback`; a new key
    // receives the defaults, an existing one is read.
    void loadSettings(HKEY primary = HKEY_LOCAL_MACHINE, HKEY fallback = HKEY_CURRENT_USER);

    // Takes the choice into the fields and writes them, in this order.
    void saveSettings(const SettingsChoice& choice);

    // Write one setting (field first, then the registry; failures are silent).
    void writeNumber(const char* name, DWORD* field, DWORD value);
    void writeDestDir(const char* folder);
    void writeWindowPlacement(const WINDOWPLACEMENT& placement);

    // Steps of loadSettings.
    bool openKey(HKEY root, DWORD* disposition);
    void writeDefaults();
    void readStored();
    void readDestDir();
    void readWindowPlacement();
};
