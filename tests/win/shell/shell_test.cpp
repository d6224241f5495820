// Explorer's handlers as Explorer uses them, with the DLL of the build: every
// shared package previewed from a stream shows what the package view says of
// it, and bad input of every kind ends in a child host, within the time bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "common/string_table.h"
#include "package/details/details.h"
#include "package/opened_package.h"
#include "package/view/file_lines.h"
#include "package/view/header_view.h"
#include "package/view/identity.h"
#include "shell/stream_package.h"
#include "tests/support/real_packages.h"
#include "tests/win/shell/shell_host.h"
#include "tests/win/support/ui_driver.h"

namespace {

// What a preview may take, reading and painting.
constexpr DWORD kPreviewBoundMs = 2 * kReadTimeLimitMs;

std::wstring besideTest(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

std::string firstLineOf(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

std::wstring withoutCarriageReturns(std::wstring text) {
    text.erase(std::remove(text.begin(), text.end(), L'\r'), text.end());
    return text;
}

class ShellHandlers : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        window_ = createHostWindow(900, 700);
    }
    void TearDown() override {
        DestroyWindow(window_);
        OleUninitialize();
    }
    HWND window_ = nullptr;
    const HandlerSource dll_ = HandlerSource::fromDll(besideTest(L"vorandeck-shell.dll"));
};

// Runs the host with `options` on `packages` (each quoted) in a child process,
// given `limitMs` in all, and returns what it wrote: each package's lines.
std::map<std::wstring, std::vector<std::wstring>>
runChildHost(const std::wstring& options, const std::wstring& packages, DWORD limitMs) {
    TempFolder folder;
    const std::wstring output = folder.path() + L"\\shown.txt";
    std::wstring command = L"\"" + besideTest(L"vorandeck_shell_host.exe") + L"\" --dll \"" +
                           besideTest(L"vorandeck-shell.dll") + L"\" " + options + L" \"" + output +
                           L"\" " + packages;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    EXPECT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    const bool ended = WaitForSingleObject(process.hProcess, limitMs) == WAIT_OBJECT_0;
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    if (!ended)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_TRUE(ended) << "the host did not end within " << limitMs << " ms";
    EXPECT_EQ(code, 0u) << "the host crashed";
    std::map<std::wstring, std::vector<std::wstring>> shown;
    std::ifstream in(std::filesystem::path(output), std::ios::binary);
    std::wstring current;
    for (std::string line; std::getline(in, line);) {
        const std::wstring text = wide(line);
        if (text.rfind(L"file\t", 0) == 0)
            current = text.substr(5);
        shown[current].push_back(text);
    }
    return shown;
}

} // namespace

TEST_F(ShellHandlers, EverySharedPackageShowsWhatThePackageViewSays) {
    const std::vector<std::string> paths = testsupport::allSharedPackages();
    if (paths.empty())
        GTEST_SKIP() << "shared packages not found at " << VORANDECK_TESTDATA;
    ASSERT_TRUE(dll_.found()) << utf8(dll_.error());
    DWORD slowest = 0;
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const Shown shown = showInHost(dll_, window_, wide(path));
        const OpenedPackage opened(path);
        ASSERT_EQ(shown.preview, S_OK);
        slowest = std::max(slowest, shown.previewMs);
        EXPECT_LT(shown.previewMs, kPreviewBoundMs);
        const Package* package = opened.package().get();
        if (package == nullptr) {
            const std::string message = firstLineOf(programText(openMessage(opened.result())));
            EXPECT_EQ(utf8(shown.summary), message);
            EXPECT_FALSE(shown.listShown);
            EXPECT_TRUE(shown.properties.empty());
            continue;
        }
        const std::wstring summary = withoutCarriageReturns(shown.summary);
        const std::vector<std::string> names = packageNames(*package);
        EXPECT_EQ(utf8(summary.substr(0, summary.find(L'\n'))),
                  names.empty() ? packageUid(*package) : names.front());
        EXPECT_NE(summary.find(wide(detailsText(describePackage(*package, std::time(nullptr))))),
                  std::wstring::npos);
        const auto& entries = package->contents.entries;
        ASSERT_EQ(shown.rows.size(), entries.size());
        EXPECT_EQ(shown.listShown, !entries.empty());
        for (size_t row = 0; row < entries.size(); ++row) {
            ASSERT_EQ(shown.rows[row].size(), static_cast<size_t>(fileColumnCount(*package)));
            for (int column = 0; column < fileColumnCount(*package); ++column)
                EXPECT_EQ(utf8(shown.rows[row][column]), cellText(*package, entries[row], column))
                    << "row " << row << ", column " << column;
        }
        std::map<std::wstring, std::string> properties;
        for (const auto& [name, value] : shown.properties)
            properties[name] = utf8(value);
        EXPECT_EQ(properties[L"System.Title"], names.empty() ? "" : names.front());
        EXPECT_EQ(properties[L"System.Company"], packageVendor(*package));
        EXPECT_EQ(properties[L"System.FileVersion"],
                  boxOf(headerBoxes(*package), HeaderField::AppVersion));
        EXPECT_EQ(properties[L"System.Comment"].rfind(formatName(*package), 0), 0u);
    }
    std::printf("%zu shared packages previewed, the slowest in %lu ms\n", paths.size(),
                static_cast<unsigned long>(slowest));
}

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<char>;

void writeBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A sample of the bad-input sweep: shared packages cut short, and the words of
// their headers and first records set to edge values.
size_t writeDamagedPackages(const fs::path& folder) {
    const std::vector<std::string> paths = testsupport::allSharedPackages();
    size_t written = 0;
    for (size_t i = 0; i < paths.size(); i += 8) {
        std::ifstream in(fs::u8path(paths[i]), std::ios::binary);
        const Bytes whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string name = std::to_string(i);
        for (size_t cut :
             {size_t{1}, size_t{15}, size_t{17}, size_t{100}, whole.size() / 2, whole.size() - 1}) {
            writeBytes(folder / (name + "-cut-" + std::to_string(cut) + ".sis"),
                       Bytes(whole.begin(), whole.begin() + std::min(cut, whole.size())));
            ++written;
        }
        for (size_t at = 4; at < 40 && at + 4 <= whole.size(); at += 4) {
            for (uint32_t value : {0xFFFFFFFFu, 0x7FFFFFFFu}) {
                Bytes bytes = whole;
                for (int b = 0; b < 4; ++b)
                    bytes[at + b] = static_cast<char>(value >> (8 * b));
                writeBytes(folder / (name + "-word-" + std::to_string(at) + "-" +
                                     std::to_string(value >> 28) + ".sis"),
                           bytes);
                ++written;
            }
        }
    }
    return written;
}

// Every package ended and said so within the bound.
void expectEachEnded(const std::map<std::wstring, std::vector<std::wstring>>& shown) {
    for (const auto& [path, lines] : shown) {
        SCOPED_TRACE(utf8(path));
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines.back(), L"end\t");
        EXPECT_LT(std::stoul(lines[1].substr(5)), kPreviewBoundMs) << utf8(lines[1]);
    }
}

} // namespace

TEST_F(ShellHandlers, BadInputEndsInAChildHostWithinTheTimeBound) {
    TempFolder folder;
    const fs::path out(folder.path());
    writeBytes(out / "empty.sis", {});
    writeBytes(out / "text.sisx", Bytes(100, 'x'));
    size_t written = 2 + writeDamagedPackages(out);
    for (const char* target : {"open", "open_stream", "extract"}) {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(
                 fs::u8path(VORANDECK_SOURCE_DIR) / "tests/fuzz-regressions" / target, error)) {
            fs::copy_file(entry.path(),
                          out / (std::string(target) + "-" + entry.path().filename().string()),
                          error);
            written += error ? 0 : 1;
        }
    }
    const auto shown = runChildHost(L"", L"\"" + folder.path() + L"\"", 120000);
    EXPECT_EQ(shown.size(), written);
    expectEachEnded(shown);
}

TEST_F(ShellHandlers, StreamsThatFailPartWayEndInAChildHostWithinTheTimeBound) {
    const std::string real = testsupport::sharedPackageFolder("real");
    const std::string sisx = testsupport::sharedPackageFolder("sisx");
    if (real.empty() || sisx.empty())
        GTEST_SKIP() << "shared packages not found at " << VORANDECK_TESTDATA;
    for (const wchar_t* failAt : {L"0", L"3000"}) {
        const auto shown = runChildHost(std::wstring(L"--fail-at ") + failAt,
                                        L"\"" + wide(real) + L"\" \"" + wide(sisx) + L"\"", 60000);
        EXPECT_GT(shown.size(), 100u);
        expectEachEnded(shown);
    }
}
