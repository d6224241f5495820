#include <cstring>

#include "common/resource_ids.h"
#include "display/display_functions.h"
#include "package/texts/header_text.h"
#include "package/texts/sisx_header_text.h"
#include "display/text.h"

void DisplayFunctions::showHeader(const PackageHeader& header) {
    for (int id : kHeaderBoxIds)
        setItemText(mainWindow, id, headerBoxText(header, id).c_str());
}

void DisplayFunctions::showSisxHeader(const SisxSummary& summary) {
    for (int id : kHeaderBoxIds)
        setItemText(mainWindow, id, sisxHeaderBoxText(summary, id).c_str());
}

void DisplayFunctions::showIntegrity(const char* stored, const char* calculated) {
    setItemText(mainWindow, IDC_FILE_CRC, stored);
    setItemText(mainWindow, IDC_CALC_CRC, calculated);
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
