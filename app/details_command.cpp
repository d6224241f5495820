#include "app/details_command.h"

#include <ctime>

#include "app/globals.h"
#include "app/main_dialog.h"
#include "common/resource_ids.h"
#include "display/details_window.h"
#include "package/details/details.h"

namespace {

int64_t systemClock() {
    return static_cast<int64_t>(std::time(nullptr));
}

DetailsClock detailsClock = systemClock;

} // namespace

void setDetailsClock(DetailsClock newClock) {
    detailsClock = newClock != nullptr ? newClock : systemClock;
}

// Opens the details of the open package in a modal window.
void detailsCommand(HWND window) {
    if (!gFiles.package)
        return;
    const PackageDetails details = describePackage(*gFiles.package, detailsClock());
    DetailsDialogSetup setup{&details, &gDisplay};
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_DETAILS), window,
                    detailsDialogProc, reinterpret_cast<LPARAM>(&setup));
}
