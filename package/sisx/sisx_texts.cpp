#include "package/sisx/sisx_texts.h"

std::string sisxFlagsText(uint8_t flags) {
    static const char* const names[] = {"ShutdownApps", "NonRemovable", "ROMUpgrade", "Hidden"};
    std::string text;
    for (int bit = 0; bit < 4; ++bit) {
        if ((flags & (1u << bit)) != 0) {
            text += (text.empty() ? "" : ", ") + std::string(names[bit]);
        }
    }
    return text.empty() ? "0" : text;
}

std::string sisxTypeText(uint8_t installType) {
    static const char* const names[] = {"SISApp", "SISPatch", "SISPartialUpgrade",
                                        "SISPreInstalledApp", "SISPreInstalledPatch"};
    if (installType < sizeof names / sizeof names[0]) {
        return names[installType];
    }
    return std::to_string(installType);
}

std::string sisxVersionText(int32_t major, int32_t minor, int32_t build) {
    std::string text = std::to_string(major) + ".";
    if (minor >= 0 && minor < 10) {
        text += "0";
    }
    return text + std::to_string(minor) + " build " + std::to_string(build);
}
