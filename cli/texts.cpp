#include "cli/texts.h"

#include "common/resource_ids.h"
#include "common/string_ids.h"
#include "common/string_table.h"
#include "package/texts/header_text.h"
#include "package/texts/sisx_header_text.h"

namespace {

constexpr uint32_t kLastPrefixedKind = 5;
constexpr uint32_t kOlderNamedLanguages = 100;
constexpr uint32_t kLastNamedLanguage = 327; // of the Symbian OS 9 names

} // namespace

// In the order the main window shows them, group by group (app/main_dialog.rc).
const BoxLabel kBoxLabels[28] = {
    {IDC_APP_VERSION, "General Info", "App Version"},
    {IDC_SIS_VERSION, "General Info", "SIS File Version"},
    {IDC_INSTALLER_VERSION, "General Info", "Installer Version"},
    {IDC_APP_UID, "UID Info", "App UID"},
    {IDC_APP_UID1, "UID Info", "App UID1"},
    {IDC_APP_UID2, "UID Info", "App UID2"},
    {IDC_UID_CHECKSUM, "UID Info", "UID Checksum"},
    {IDC_CALC_CHECKSUM, "UID Info", "Calculated Checksum"},
    {IDC_FILE_CRC, "UID Info", "File CRC"},
    {IDC_CALC_CRC, "UID Info", "Calculated CRC"},
    {IDC_INSTALL_DRIVE, "Install Info", "Install drive"},
    {IDC_SPACE_REQUIRED, "Install Info", "Space required"},
    {IDC_SPACE_USED, "Install Info", "Space used"},
    {IDC_FLAGS, "Install Info", "Flags"},
    {IDC_TYPE, "Install Info", "Type"},
    {IDC_LANGUAGE_INSTALLED, "Install Info", "Language installed"},
    {IDC_LINES_TO_PROCESS, "Install Info", "PKG Lines to process"},
    {IDC_LINES_PROCESSED, "Install Info", "PKG Lines processed"},
    {IDC_LANGUAGE_COUNT, "Install Info", "Number of Languages"},
    {IDC_APP_CAPABILITIES, "Install Info", "App Capabilities"},
    {IDC_DEPENDENCY_COUNT, "Install Info", "Number of Dependencies"},
    {IDC_OFFSET_LANGUAGES, "Block Offsets", "Language"},
    {IDC_OFFSET_LINES, "Block Offsets", "PackageLines"},
    {IDC_OFFSET_DEPENDENCIES, "Block Offsets", "Dependencies"},
    {IDC_OFFSET_CERTIFICATES, "Block Offsets", "Certificates"},
    {IDC_OFFSET_FILENAMES, "Block Offsets", "Filenames"},
    {IDC_OFFSET_CAPABILITIES, "Block Offsets", "Capabilities"},
    {IDC_OFFSET_SIGNATURE, "Block Offsets", "Signature"},
};

const char* boxLabel(int box) {
    for (const BoxLabel& label : kBoxLabels) {
        if (label.box == box) {
            return label.label;
        }
    }
    return "";
}

std::string joined(const std::vector<std::string>& texts, const char* separator) {
    std::string text;
    for (const std::string& t : texts) {
        text += (text.empty() ? "" : separator) + t;
    }
    return text;
}

std::string escapedText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            static const char kHex[] = "0123456789abcdef";
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

std::string messageText(int id) {
    const std::string text = programText(id);
    return text.substr(0, text.find('\n'));
}

std::string lineText(const Contents& contents, const PackageEntry& entry) {
    // An unknown file type of a damaged package has no prefix.
    const std::string prefix = entry.kind != 0 && entry.kind <= kLastPrefixedKind
                                   ? programText(IdsPrefixBase + static_cast<int>(entry.kind))
                                   : "";
    return prefix + contents.text(entry.name);
}

std::string languageName(PackageKind kind, uint32_t code) {
    const uint32_t named =
        kind == PackageKind::Epoc ? kOlderNamedLanguages : kLastNamedLanguage + 1;
    return code < named ? programText(IdsLanguageBase + static_cast<int>(code)) : "";
}

std::string boxText(const Package& package, int box) {
    if (package.sisx) {
        const SisxSummary& summary = package.sisx->summary();
        if (box == IDC_FILE_CRC) {
            return sisxStoredChecksText(summary);
        }
        return box == IDC_CALC_CRC ? sisxCalculatedChecksText(summary)
                                   : sisxHeaderBoxText(summary, box);
    }
    const uint16_t stored = package.epocHeader.storedCrc();
    if (box == IDC_FILE_CRC) {
        return checkWordText(stored);
    }
    if (box == IDC_CALC_CRC) {
        return package.epocCrc.complete ? calculatedCheckText(stored, package.epocCrc.value) : "";
    }
    return headerBoxText(package.epocHeader, box);
}
