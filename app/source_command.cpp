// Save source...: the open package's source written below a folder the user
// picks, as vorandeck-cli source writes it, with the progress bar over its
// files and the extraction's messages and questions; the Success message
// names the .pkg.
#include <windows.h>

#include <commctrl.h>

#include <ctime>
#include <string>

#include "app/globals.h"
#include "app/main_dialog.h"
#include "common/resource_ids.h"
#include "common/string_ids.h"
#include "common/string_table.h"
#include "package/source/source_writer.h"

void saveSourceCommand(HWND window) {
    if (!gFiles.package || gDisplay.fileRows.package() != gFiles.package.get())
        return;
    std::string folder;
    if (!gDisplay.chooseFolder(programText(IdsSourceFolder), &folder))
        return;
    const Package& package = *gFiles.package;
    const uint32_t lines = package.fileLineCount();
    const WORD range = static_cast<WORD>(lines > 0xFFFF ? 0xFFFF : lines);
    HWND bar = GetDlgItem(window, IDC_PROGRESS);
    SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, range));
    SendMessageW(bar, PBM_SETPOS, 0, 0);
    SendMessageW(bar, PBM_SETSTEP, 1, 0);
    SourceSettings settings;
    settings.overwriteFiles = extractSettings().overwriteFiles;
    settings.now = static_cast<int64_t>(std::time(nullptr));
    const SourceRun run =
        writePackageSource(package, gFiles.path(), folder, settings, windowExtractHost());
    SendMessageW(bar, PBM_SETPOS, range, 0);
    gDisplay.paintProgress();
    // Each failure has been reported on its own as the run met it.
    if (!run.sources.empty())
        gDisplay.showMessage(KindSuccess, IdsSourceWritten, 0, run.sources.front().c_str());
}
