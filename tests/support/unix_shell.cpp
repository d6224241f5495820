#include "tests/support/unix_shell.h"

#include <chrono>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

#ifdef _WIN32

namespace {

using UnixNameOf = char*(CDECL*)(const wchar_t*);

UnixNameOf wineUnixName() {
    return reinterpret_cast<UnixNameOf>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
}

} // namespace

std::string unixPathOf(const fs::path& path) {
    const UnixNameOf convert = wineUnixName();
    char* name = convert != nullptr ? convert(path.wstring().c_str()) : nullptr;
    const std::string text = name != nullptr ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return text;
}

bool runUnixShell(const std::string& script) {
    // Wine cannot wait for a Unix process, so the shell leaves a mark when done.
    const fs::path mark = fs::temp_directory_path() /
                          ("vorandeck-shell-" + std::to_string(GetCurrentProcessId()) + ".done");
    const std::string markName = unixPathOf(mark);
    if (markName.empty()) {
        return false;
    }
    const std::string line = "Z:\\bin\\sh -c \"" + script + " && : > '" + markName + "'\"";
    std::wstring command(line.begin(), line.end()); // the test's Unix names are ASCII
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(mark) && std::chrono::steady_clock::now() < deadline) {
        Sleep(5);
    }
    std::error_code error;
    return fs::remove(mark, error);
}

#else

std::string unixPathOf(const fs::path& path) {
    return path.string();
}

bool runUnixShell(const std::string& script) {
    return std::system(script.c_str()) == 0;
}

#endif
