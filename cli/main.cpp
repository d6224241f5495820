// vorandeck-cli: the package library on the command line. On Windows the
// arguments come in as UTF-16 and are handed on as UTF-8, as every path is
// kept inside the program.
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/console.h"
#include "cli/stop_signal.h"
#include "common/utf16.h"

#ifdef _WIN32
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.push_back(utf16ToUtf8(argv[i]));
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
