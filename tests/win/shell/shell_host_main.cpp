// The test host as a program of its own, so that a package that crashed or hung
// the handlers would end only this process:
//   vorandeck_shell_host [--dll DLL] [--fail-at BYTE] [--show MS] [--rows] OUTPUT PACKAGE...
// Without --dll the handlers are found through the registry by each package's
// extension. For each package it writes to OUTPUT (UTF-8), flushed as it goes:
//   file PATH / time MS / preview HRESULT / summary FIRST-LINE / rows COUNT /
//   [row FIRST-CELL ...] / property NAME VALUE ... / end
// each a line of tab-separated fields. A folder stands for the files in it.
// --show keeps each pane up for MS ms.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/win/shell/shell_host.h"
#include "tests/win/support/ui_driver.h"

namespace {

void put(FILE* out, const std::wstring& name, const std::wstring& value) {
    const std::wstring line = name + L"\t" + value.substr(0, value.find(L'\r')) + L"\n";
    std::fputs(utf8(line).c_str(), out);
}

// The package itself, or the files of a folder, sorted.
std::vector<std::wstring> packagesAt(const std::wstring& path) {
    if ((GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return {path};
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            files.push_back(path + L"\\" + found.cFileName);
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    std::sort(files.begin(), files.end());
    return files;
}

std::wstring extensionOf(const std::wstring& path) {
    const size_t dot = path.find_last_of(L'.');
    return dot == std::wstring::npos ? L"" : path.substr(dot);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring dll;
    ULONGLONG failAt = ~0ull;
    DWORD showMs = 0;
    bool rows = false;
    int at = 1;
    for (; at < argc && argv[at][0] == L'-'; ++at) {
        const std::wstring option = argv[at];
        if (option == L"--rows")
            rows = true;
        else if (at + 1 < argc && option == L"--dll")
            dll = argv[++at];
        else if (at + 1 < argc && option == L"--fail-at")
            failAt = _wcstoui64(argv[++at], nullptr, 10);
        else if (at + 1 < argc && option == L"--show")
            showMs = wcstoul(argv[++at], nullptr, 10);
        else
            return 2;
    }
    if (at + 1 >= argc)
        return 2;
    FILE* out = _wfopen(argv[at++], L"wb");
    if (out == nullptr || FAILED(OleInitialize(nullptr)))
        return 2;
    HWND window = createHostWindow(900, 700);
    std::vector<std::wstring> packages;
    for (; at < argc; ++at) {
        for (const std::wstring& path : packagesAt(argv[at]))
            packages.push_back(path);
    }
    for (const std::wstring& path : packages) {
        const HandlerSource source = dll.empty() ? HandlerSource::fromRegistry(extensionOf(path))
                                                 : HandlerSource::fromDll(dll);
        put(out, L"file", path);
        std::fflush(out);
        if (!source.found()) {
            put(out, L"error", source.error());
            continue;
        }
        HostReading reading;
        reading.rows = rows;
        reading.failAt = failAt;
        reading.whileShown = [showMs] {
            if (showMs > 0)
                waitUntil([] { return false; }, showMs);
        };
        const Shown shown = showInHost(source, window, path, reading);
        put(out, L"time", std::to_wstring(shown.previewMs));
        wchar_t result[16];
        swprintf(result, 16, L"%08lx", static_cast<unsigned long>(shown.preview));
        put(out, L"preview", result);
        put(out, L"summary", shown.summary);
        put(out, L"rows", std::to_wstring(shown.rowCount));
        for (const auto& row : shown.rows)
            if (rows && !row.empty())
                put(out, L"row", row[0]);
        for (const auto& [name, value] : shown.properties)
            put(out, L"property", name + L"\t" + value);
        put(out, L"end", L"");
        std::fflush(out);
    }
    std::fclose(out);
    DestroyWindow(window);
    OleUninitialize();
    return 0;
}
