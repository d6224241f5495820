#include "tests/cli/cli_runner.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace fs = std::filesystem;

namespace {

std::string contentOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Standard output and error go to files of their own: a pipe could fill up
// while the other is read.
struct OutputFiles {
    fs::path out = fs::temp_directory_path() / ("cli-out-" + std::to_string(counter()));
    fs::path err = fs::temp_directory_path() / ("cli-err-" + std::to_string(counter()));
    static unsigned counter() {
        static unsigned next = 0;
#ifdef _WIN32
        return GetCurrentProcessId() * 1000 + next++;
#else
        return static_cast<unsigned>(getpid()) * 1000 + next++;
#endif
    }
    ~OutputFiles() {
        std::error_code error;
        fs::remove(out, error);
        fs::remove(err, error);
    }
};

#ifdef _WIN32

// One argument as CommandLineToArgvW reads it back.
std::wstring quoted(const std::wstring& argument) {
    std::wstring text = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        text.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        text += c;
    }
    text.append(2 * backslashes, L'\\');
    return text + L"\"";
}

HANDLE inheritable(const fs::path& path) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

int run(const std::vector<std::string>& arguments, const OutputFiles& files) {
    const std::wstring program = fs::absolute(fs::u8path(VORANDECK_CLI)).make_preferred().wstring();
    std::wstring line = quoted(program);
    for (const std::string& argument : arguments) {
        line += L" " + quoted(fs::u8path(argument).wstring());
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    // A start under Wine failed once, on a fresh prefix, with nothing printed:
    // a few tries tell a passing failure from a program that cannot start, and
    // the last error is kept where the program's own errors go.
    BOOL started = FALSE;
    DWORD error = 0;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        startup.hStdOutput = inheritable(files.out);
        startup.hStdError = inheritable(files.err);
        started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                 &startup, &process);
        error = started ? 0 : GetLastError();
        CloseHandle(startup.hStdOutput);
        CloseHandle(startup.hStdError);
    }
    if (!started) {
        std::ofstream(files.err) << "CreateProcessW failed, error " << error << "\n";
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return static_cast<int>(status);
}

#else

int run(const std::vector<std::string>& arguments, const OutputFiles& files) {
    std::vector<std::string> all{VORANDECK_CLI};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, files.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, files.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t child = 0;
    const int started = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (started != 0 || waitpid(child, &status, 0) != child) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

#endif

} // namespace

CliRun runCli(const std::vector<std::string>& arguments) {
    const OutputFiles files;
    CliRun result;
    result.status = run(arguments, files);
    result.out = contentOf(files.out);
    result.err = contentOf(files.err);
    return result;
}
