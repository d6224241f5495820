#include "app/globals.h"

#include <cstdlib>

#include <algorithm>

#include "settings/settings_dialog.h"

// The three objects are defined here, and only here, so that their order is
// fixed: settings are loaded before any window exists, and at exit the package
// is closed first, then the display object's menu goes, then the registry key.
RegistryFunctions gSettings;
DisplayFunctions gDisplay;
FileFunctions gFiles;

namespace {

class WindowExtractHost : public ExtractHost {
  public:
    int showMessage(int kind, int textId, int suffixId, const char* prefix) override {
        return gDisplay.showMessage(kind, textId, suffixId, prefix);
    }
    int askToGoOn(int textId, int32_t failures) override {
        return gDisplay.showCountQuestion(textId, failures);
    }
    void stepProgress() override { gDisplay.stepProgress(); }
    bool chooseFolder(const char* title, std::string* folder) override {
        if (!gDisplay.chooseFolder(title))
            return false;
        *folder = gDisplay.chosenFolder;
        return true;
    }
};

// The teardown in its fixed order. gDisplay starts out constant-initialised,
// which the language may order before gSettings for destruction, so the order
// is kept here rather than left to the destructors: they find nothing left.
void tearDown() {
    gFiles.closePackage();
    if (gDisplay.menu != nullptr) {
        DestroyMenu(gDisplay.menu);
        gDisplay.menu = nullptr;
    }
    if (gSettings.key != nullptr) {
        RegCloseKey(gSettings.key);
        gSettings.key = nullptr;
    }
}

// Runs during static initialisation, right after gFiles exists: an exit handler
// registered now runs after WinMain returns and before any of the three
// objects is destroyed.
bool registerTearDown() {
    std::atexit(tearDown);
    return true;
}

const bool tearDownRegistered = registerTearDown();

// The dialogs opened without setup of their own work on the program's objects.
bool connectDialogs() {
    setDefaultLanguagesDialogSetup({&gDisplay, &gFiles});
    setDefaultSettingsDialogSetup({&gSettings, &gDisplay});
    return true;
}

const bool dialogsConnected = connectDialogs();

} // namespace

ExtractHost& windowExtractHost() {
    static WindowExtractHost host;
    return host;
}

// Read at the start of each run: the settings dialog cannot open during one.
ExtractSettings extractSettings() {
    ExtractSettings settings;
    settings.overwriteFiles = gSettings.OverwriteFiles != 0;
    settings.defaultDest = gSettings.DefaultDest;
    const char* end =
        std::find(gSettings.DestDir, gSettings.DestDir + sizeof gSettings.DestDir, '\0');
    settings.destDir.assign(static_cast<const char*>(gSettings.DestDir), end);
    return settings;
}
