// vorandeck-cli: the package library on the command line. On Windows the
// arguments come in as UTF-16 and are handed on as UTF-8, as every path is
// kept inside the program.
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/console.h"
#include "cli/stop_signal.h"

#ifdef _WIN32
#include <windows.h>

namespace {

std::string utf8Of(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return std::string();
    }
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    utf8.pop_back(); // the terminator
    return utf8;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.push_back(utf8Of(argv[i]));
    }
    prepareConsole();
    watchForStop();
    return runCommandLine(arguments);
}

#else

int main(int argc, char** argv) {
    prepareConsole();
    watchForStop();
    return runCommandLine(std::vector<std::string>(argv, argv + argc));
}

#endif
