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

std::vector<std::wstring> listLines(HWND list) {
    std::vector<std::wstring> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring line(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(line.data()));
        line.resize(wcslen(line.c_str()));
        lines.push_back(line);
    }
    return lines;
}

std::string realPackageFolder() {
    const std::string folder = std::string(VORANDECK_TESTDATA) + "/real";
    std::error_code error;
    return std::filesystem::is_directory(folder, error) ? folder : std::string();
}

std::vector<std::string> realPackageNames() {
    std::vector<std::string> names;
    const std::string folder = realPackageFolder();
    if (folder.empty())
        return names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        std::string lower = name;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (entry.is_regular_file() && lower.size() > 4 &&
            lower.compare(lower.size() - 4, 4, ".sis") == 0)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
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
