#include "package/source/pkg_syntax.h"

#include <cstdio>

namespace {

// The language codes 1 to 98 as the package file format names them; 86 and
// 95 are not used.
const char* const kLanguageCodes[] = {
    "",   "EN", "FR", "GE", "SP", "IT", "SW", "DA", "NO", "FI", "AM", "SF", "SG", "PO", "TU",
    "IC", "RU", "HU", "DU", "BL", "AU", "BF", "AS", "NZ", "IF", "CS", "SK", "PL", "SL", "TC",
    "HK", "ZH", "JA", "TH", "AF", "SQ", "AH", "AR", "HY", "TL", "BE", "BN", "BG", "MY", "CA",
    "HR", "CE", "IE", "ZA", "ET", "FA", "CF", "GD", "KA", "EL", "CG", "GU", "HE", "HI", "IN",
    "GA", "SZ", "KN", "KK", "KM", "KO", "LO", "LV", "LT", "MK", "MS", "ML", "MR", "MO", "MN",
    "NN", "BP", "PA", "RO", "SR", "SI", "SO", "OS", "LS", "SH", "FS", "",   "TA", "TE", "BO",
    "TI", "CT", "TK", "UK", "UR", "",   "VI", "CY", "ZU",
};

struct Attribute {
    uint32_t value;
    const char* name;
};

// The device attributes a condition may test, by their HAL numbers.
const Attribute kAttributes[] = {
    {0x00, "Manufacturer"},
    {0x01, "ManufacturerHardwareRev"},
    {0x02, "ManufacturerSoftwareRev"},
    {0x03, "ManufacturerSoftwareBuild"},
    {0x04, "Model"},
    {0x05, "MachineUID"},
    {0x06, "DeviceFamily"},
    {0x07, "DeviceFamilyRev"},
    {0x08, "CPU"},
    {0x09, "CPUArch"},
    {0x0A, "CPUABI"},
    {0x0B, "CPUSpeed"},
    {0x0E, "SystemTickPeriod"},
    {0x0F, "MemoryRAM"},
    {0x10, "MemoryRAMFree"},
    {0x11, "MemoryROM"},
    {0x12, "MemoryPageSize"},
    {0x15, "PowerBackup"},
    {0x18, "Keyboard"},
    {0x19, "KeyboardDeviceKeys"},
    {0x1A, "KeyboardAppKeys"},
    {0x1B, "KeyboardClick"},
    {0x1E, "KeyboardClickVolumeMax"},
    {0x1F, "DisplayXPixels"},
    {0x20, "DisplayYPixels"},
    {0x21, "DisplayXTwips"},
    {0x22, "DisplayYTwips"},
    {0x23, "DisplayColors"},
    {0x26, "DisplayContrastMax"},
    {0x27, "Backlight"},
    {0x29, "Pen"},
    {0x2A, "PenX"},
    {0x2B, "PenY"},
    {0x2C, "PenDisplayOn"},
    {0x2D, "PenClick"},
    {0x30, "PenClickVolumeMax"},
    {0x31, "Mouse"},
    {0x32, "MouseX"},
    {0x33, "MouseY"},
    {0x37, "MouseButtons"},
    {0x3A, "CaseSwitch"},
    {0x3D, "LEDs"},
    {0x3F, "IntegratedPhone"},
    {0x41, "DisplayBrightnessMax"},
    {0x42, "KeyboardBacklightState"},
    {0x43, "AccessoryPower"},
    {0x59, "NumHalAttributes"},
    {0x1000, "Language"},
    {0x1001, "RemoteInstall"},
};

// The next code point of UTF-8 `text` from `i`; a broken sequence gives U+FFFD.
uint32_t nextCodePoint(const std::string& text, size_t* i) {
    const unsigned char lead = static_cast<unsigned char>(text[*i]);
    const int extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    ++*i;
    if (extra < 0) {
        return 0xFFFD;
    }
    uint32_t cp = extra == 0 ? lead : lead & (0x3Fu >> extra);
    for (int k = 0; k < extra; ++k, ++*i) {
        if (*i >= text.size() || (static_cast<unsigned char>(text[*i]) & 0xC0) != 0x80) {
            return 0xFFFD;
        }
        cp = (cp << 6) | (static_cast<unsigned char>(text[*i]) & 0x3F);
    }
    return cp;
}

void appendUnit(std::vector<unsigned char>& out, uint32_t unit) {
    out.push_back(static_cast<unsigned char>(unit & 0xFF));
    out.push_back(static_cast<unsigned char>(unit >> 8));
}

} // namespace

std::string quoted(const std::string& text) {
    std::string out = "\"";
    bool open = true;
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte < 0x20 || byte == 0x7F) {
            out += open ? "\"<" : "<";
            out += std::to_string(byte) + ">";
            open = false;
            continue;
        }
        if (!open) {
            out += '"';
            open = true;
        }
        out += c;
    }
    return open ? out + "\"" : out;
}

std::string quotedList(const std::vector<std::string>& texts) {
    std::string out = "{";
    for (size_t i = 0; i < texts.size(); ++i) {
        out += (i == 0 ? "" : ",") + quoted(texts[i]);
    }
    return out + "}";
}

std::string uidText(uint32_t uid) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", uid);
    return text;
}

std::string numberText(int64_t value) {
    if (value < 0x10000) {
        return std::to_string(value);
    }
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

const char* languageCode(uint32_t language) {
    constexpr uint32_t count = sizeof kLanguageCodes / sizeof kLanguageCodes[0];
    return language < count ? kLanguageCodes[language] : "";
}

std::string attributeName(uint32_t attribute, bool capitals) {
    for (const Attribute& known : kAttributes) {
        if (known.value == attribute) {
            std::string name = known.name;
            for (char& c : name) {
                c = capitals && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
            }
            return name;
        }
    }
    return "";
}

std::vector<unsigned char> pkgFileBytes(const std::string& text) {
    std::vector<unsigned char> out;
    out.reserve(2 * text.size() + 4);
    appendUnit(out, 0xFEFF);
    for (size_t i = 0; i < text.size();) {
        const uint32_t cp = nextCodePoint(text, &i);
        if (cp == '\n') {
            appendUnit(out, '\r');
        }
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            appendUnit(out, 0xD800 + ((cp - 0x10000) >> 10));
            appendUnit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            appendUnit(out, cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000) ? 0xFFFD : cp);
        }
    }
    return out;
}
