#include "tests/win/display/display_test_support.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/win/support/ui_driver.h"

namespace {

INT_PTR CALLBACK passiveProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

} // namespace

TestDialog::TestDialog(int templateId) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    window_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), nullptr,
                                 passiveProc, 0);
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
