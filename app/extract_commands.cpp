// Extract Files and Extract selected: one extraction run each, with the
// progress bar over its files and the count reported at the end.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <vector>

#include "app/globals.h"
#include "app/main_dialog.h"
#include "common/resource_ids.h"
#include "common/string_ids.h"

namespace {

// Runs `extract` with the bar over `steps`, read unsigned so that range and
// final position agree even above 32767; reports the count of files written.
void runExtraction(HWND window, uint32_t steps, const std::function<int32_t()>& extract) {
    const WORD range = static_cast<WORD>(steps > 0xFFFF ? 0xFFFF : steps);
    HWND bar = GetDlgItem(window, IDC_PROGRESS);
    SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, range));
    SendMessageW(bar, PBM_SETSTEP, 1, 0);
    // Each failure has been reported on its own; an empty run says nothing more.
    const int32_t written = extract();
    if (written == 0)
        return;
    SendMessageW(bar, PBM_SETPOS, range, 0);
    gDisplay.paintProgress();
    char count[16] = {};
    std::snprintf(count, sizeof count, "%ld", static_cast<long>(written));
    gDisplay.showMessage(KindSuccess, IdsFilesExtracted, 0, count);
}

bool isStub() {
    return gFiles.package && !holdsFileData(*gFiles.package);
}

} // namespace

void extractCommand(HWND window) {
    if (isStub()) {
        gDisplay.showMessage(KindInformation, IdsStubHoldsNoData, 0, nullptr);
        return;
    }
    // The count of file lines: what the package says it installs.
    const uint32_t lines = gFiles.package ? gFiles.package->fileLineCount() : 0;
    runExtraction(window, lines,
                  [] { return gFiles.extractAll(extractSettings(), windowExtractHost()); });
}

void extractSelectedCommand(HWND window) {
    // Only rows of the package that is open, and only those that name files.
    if (!gFiles.package || gDisplay.fileRows.package() != gFiles.package.get())
        return;
    const Contents& contents = gFiles.package->contents;
    std::vector<uint32_t> entries;
    uint32_t files = 0;
    for (uint32_t entry : gDisplay.selectedEntries()) {
        if (contents.entries[entry].fileCount == 0)
            continue;
        entries.push_back(entry);
        files += contents.entries[entry].fileCount;
    }
    if (entries.empty())
        return;
    runExtraction(window, files, [&entries] {
        return gFiles.extractEntries(entries, extractSettings(), windowExtractHost());
    });
}
