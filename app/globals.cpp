#include "app/globals.h"

#include <cstdlib>

#include "package/bounded.h"
#include "package/extract_host.h"
#include "package/sisx.h"
#include "settings/settings_dialog.h"

// The three objects are defined here, and only here, so that their order is
// fixed: settings are loaded before any window exists, and at exit the package
// is closed first, then the display object's menu goes, then the registry key.
RegistryFunctions gSettings;
DisplayFunctions gDisplay;
FileFunctions gFiles;
PackageHeader gHeader = {};

namespace {

int hostShowMessage(void*, int kind, int textId, int suffixId, const char* prefix) {
    return gDisplay.showMessage(kind, textId, suffixId, prefix);
}

int hostAskToGoOn(void*, int textId, int32_t failures) {
    return gDisplay.showCountQuestion(textId, failures);
}

void hostStepProgress(void*) {
    gDisplay.stepProgress();
}

bool hostChooseFolder(void*, const char* title, char* folder, size_t folderSize) {
    if (folderSize == 0 || !gDisplay.chooseFolder(title))
        return false;
    copyBounded(folder, folderSize, gDisplay.chosenFolder);
    return true;
}

// Read at every call so that a change saved in the settings dialog applies to
// the next file extracted.
void hostReadSettings(void*, ExtractSettings* out) {
    out->overwriteFiles = gSettings.OverwriteFiles;
    out->defaultDest = gSettings.DefaultDest;
    out->destDir[0] = '\0';
    appendBounded(out->destDir, sizeof out->destDir, gSettings.DestDir, sizeof gSettings.DestDir);
}

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
bool connectFiles() {
    gFiles.host.context = nullptr;
    gFiles.host.showMessage = hostShowMessage;
    gFiles.host.askToGoOn = hostAskToGoOn;
    gFiles.host.stepProgress = hostStepProgress;
    gFiles.host.chooseFolder = hostChooseFolder;
    gFiles.host.readSettings = hostReadSettings;
    std::atexit(tearDown);
    return true;
}

const bool filesConnected = connectFiles();

void addLanguageTo(void* context, uint16_t code) {
    static_cast<DisplayFunctions*>(context)->addLanguage(code);
}

void listOpenPackageLanguages(void*, DisplayFunctions& display) {
    if (gFiles.format == PackageFormat::Sisx && gFiles.sisx) {
        for (uint32_t code : gFiles.sisx->summary().languages)
            display.addAnyLanguage(code);
        return;
    }
    gFiles.listLanguages(gHeader.languageCount(), gHeader.languagesOffset(), addLanguageTo,
                         &display);
}

// The dialogs opened without parts of their own work on the program's objects.
bool connectDialogs() {
    setDefaultLanguagesDialogParts({&gDisplay, {nullptr, listOpenPackageLanguages}});
    setDefaultSettingsDialogParts({&gSettings, &gDisplay});
    return true;
}

const bool dialogsConnected = connectDialogs();

void listLine(void*, uint32_t kind, const char* name) {
    gDisplay.addListEntry(kind, name);
}

void extractFile(void*, const char* name, uint32_t storedLength, uint32_t storedOffset,
                 uint32_t originalLength) {
    gFiles.extractStored(name, storedLength, storedOffset, originalLength);
}

void extractFileData(void*, const char* name, const StoredData& data) {
    gFiles.extractData(name, data);
}

bool extractionEnded(void*) {
    return gFiles.runEnded;
}

} // namespace

WalkOutputs programWalkOutputs() {
    WalkOutputs outputs = {};
    outputs.context = nullptr;
    outputs.addListEntry = listLine;
    outputs.extractStored = extractFile;
    outputs.extractData = extractFileData;
    outputs.runEnded = extractionEnded;
    return outputs;
}
