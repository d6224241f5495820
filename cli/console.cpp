#include "cli/console.h"

#include <atomic>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

std::atomic<bool> gOutputFailed{false};

} // namespace

bool outputFailed() {
    return gOutputFailed;
}

#ifdef _WIN32

namespace {

HANDLE handleOf(Stream stream) {
    return GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

bool isConsole(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

} // namespace

void prepareConsole() {
    SetConsoleOutputCP(CP_UTF8);
}

void writeText(Stream stream, const std::string& utf8) {
    if (utf8.empty()) {
        return;
    }
    HANDLE handle = handleOf(stream);
    DWORD done = 0;
    if (!isConsole(handle)) {
        if (!WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &done, nullptr) ||
            done != utf8.size()) {
            gOutputFailed = true;
        }
        return;
    }
    const int size = static_cast<int>(utf8.size());
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), units);
    if (!WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &done, nullptr)) {
        gOutputFailed = true;
    }
}

bool errorIsTerminal() {
    return isConsole(handleOf(Stream::Err));
}

#else

void prepareConsole() {}

void writeText(Stream stream, const std::string& utf8) {
    std::FILE* file = stream == Stream::Out ? stdout : stderr;
    if (std::fwrite(utf8.data(), 1, utf8.size(), file) != utf8.size() || std::fflush(file) != 0) {
        gOutputFailed = true;
    }
}

bool errorIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

#endif
