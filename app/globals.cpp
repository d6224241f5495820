#include "app/globals.h"

#include <algorithm>

// The three objects are defined here, and only here, so that their order is
// fixed: settings are loaded before any window exists, and at exit, in the
// reverse order, the package is closed first and the registry key last.
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
        return gDisplay.chooseFolder(title, folder);
    }
};

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
