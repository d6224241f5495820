#include "tests/win/display/display_test_support.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "display/display_functions.h"
#include "tests/win/support/ui_driver.h"

namespace {

INT_PTR CALLBACK passiveProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        return TRUE;
    }
    auto* display = reinterpret_cast<DisplayFunctions*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (message == WM_NOTIFY && display != nullptr)
        return display->onFileListNotify(*reinterpret_cast<const NMHDR*>(lParam)) ? TRUE : FALSE;
    return FALSE;
}

} // namespace

TestDialog::TestDialog(int templateId, DisplayFunctions* display) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES |
                                                          ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    window_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), nullptr,
                                 passiveProc, reinterpret_cast<LPARAM>(display));
}

TestDialog::~TestDialog() {
    if (window_ != nullptr)
        DestroyWindow(window_);
}

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

testsupport::JsonValue expectedFor(const std::string& name) {
    testsupport::JsonValue expected;
    std::string error;
    testsupport::readJsonFile(realPackageFolder() + "/expected/" + name + ".json", &expected,
                              &error);
    return expected;
}
