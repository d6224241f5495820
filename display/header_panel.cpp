#include <cstring>

#include "common/resource_ids.h"
#include "display/display_functions.h"
#include "display/text.h"
#include "package/texts/header_text.h"

namespace {

// The box of the main dialog that shows each field, in the fields' order.
constexpr int kFieldBoxes[kHeaderFieldCount] = {
    IDC_APP_UID,
    IDC_APP_UID1,
    IDC_APP_UID2,
    IDC_SIS_VERSION,
    IDC_UID_CHECKSUM,
    IDC_CALC_CHECKSUM,
    IDC_LANGUAGE_COUNT,
    IDC_LINES_PROCESSED,
    IDC_DEPENDENCY_COUNT,
    IDC_LANGUAGE_INSTALLED,
    IDC_LINES_TO_PROCESS,
    IDC_INSTALL_DRIVE,
    IDC_APP_CAPABILITIES,
    IDC_INSTALLER_VERSION,
    IDC_FLAGS,
    IDC_TYPE,
    IDC_APP_VERSION,
    IDC_OFFSET_LANGUAGES,
    IDC_OFFSET_LINES,
    IDC_OFFSET_DEPENDENCIES,
    IDC_OFFSET_CERTIFICATES,
    IDC_OFFSET_FILENAMES,
    IDC_OFFSET_SIGNATURE,
    IDC_OFFSET_CAPABILITIES,
    IDC_SPACE_USED,
    IDC_SPACE_REQUIRED,
    IDC_FILE_CRC,
    IDC_CALC_CRC,
};

} // namespace

int headerFieldBox(HeaderField field) {
    return kFieldBoxes[static_cast<int>(field)];
}

void DisplayFunctions::showHeader(const HeaderBoxes& boxes) {
    for (int f = 0; f < kHeaderFieldCount; ++f)
        setItemText(mainWindow, kFieldBoxes[f], boxes[static_cast<size_t>(f)].c_str());
}

void DisplayFunctions::formatNumber(const void* value, int controlId, bool hex, bool sixteenBit) {
    uint32_t number = 0;
    if (sixteenBit) {
        uint16_t narrow = 0;
        std::memcpy(&narrow, value, sizeof narrow);
        number = narrow;
    } else {
        std::memcpy(&number, value, sizeof number);
    }
    setItemText(mainWindow, controlId, numberText(number, hex).c_str());
}
