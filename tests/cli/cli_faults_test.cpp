// vorandeck-cli when its surroundings fail rather than the package: command
// lines it cannot use, output that cannot be written, links in folders, and
// names that would speak to the terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "tests/cli/cli_runner.h"
#include "tests/support/sis_builder.h"

namespace fs = std::filesystem;

namespace {

struct Scene {
    fs::path work;
    std::string package;
    Scene() {
        const char* test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        work = fs::temp_directory_path() / (std::string("vorandeck-cli-faults-") + test);
        fs::remove_all(work);
        fs::create_directories(work / "folder");
        sis::Package built;
        built.records = {
            sis::simpleFile(0, "s", "!:\\sys\\\x1b[31mred\n.txt", sis::textBytes("x"))};
        package = (work / "folder" / "p.sis").u8string();
        EXPECT_TRUE(sis::writeFile(fs::u8path(package), sis::build(built).bytes));
    }
    ~Scene() {
        std::error_code error;
        fs::remove_all(work, error);
    }
};

} // namespace

TEST(CliFaults, UsageErrorsNameTheirCause) {
    Scene scene;
    const std::string folder = (scene.work / "folder").u8string();
    const std::string file = scene.package;
    struct Case {
        std::vector<std::string> arguments;
        const char* said;
    };
    std::vector<Case> cases = {
        {{"list", ""}, "no package named"},
        {{"info", "-"}, "standard input is not read"},
        {{"list", folder}, "is a folder, not a package"},
        {{"list", folder + "/none.sis"}, "no such file"},
        {{"extract", file, file}, "is a file, not a folder"},
        {{"extract", file, file + "/below"}, "cannot be made a folder"},
        {{"check", "-j", "0", file}, "-j takes a number of jobs from 1 to 64"},
        {{"check", "-j", "65", file}, "-j takes a number of jobs from 1 to 64"},
    };
#ifndef _WIN32
    const std::string fifo = (scene.work / "fifo.sis").u8string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    cases.push_back({{"list", fifo}, "is not a regular file"});
#endif
    for (const Case& c : cases) {
        const CliRun run = runCli(c.arguments);
        EXPECT_EQ(run.status, 2) << c.said;
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
        EXPECT_LT(run.err.size(), 200u) << "one short message: " << run.err;
    }
}

TEST(CliFaults, NamesAreEscapedAndFolderLinksNotFollowed) {
    Scene scene;
    std::error_code error;
    // A loop: each package would be found again through it, without end.
    fs::create_directory_symlink(scene.work / "folder", scene.work / "folder" / "loop", error);
    const CliRun list = runCli({"list", scene.package});
    EXPECT_EQ(list.out, "!:\\sys\\\\x1b[31mred\\x0a.txt\n");
    const CliRun check = runCli({"check", (scene.work / "folder").u8string()});
    EXPECT_NE(check.out.find("\n1 packages: "), std::string::npos) << check.out;
}

TEST(CliFaults, OutputThatCannotBeWrittenFailsTheRun) {
    Scene scene;
#ifdef _WIN32
    // Wine shows the machine's full device as Z:\dev\full; cmd takes the whole line quoted.
    const HANDLE device = CreateFileW(L"Z:\\dev\\full", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        GTEST_SKIP() << "no device that is always full";
    }
    CloseHandle(device);
    const std::string program = fs::absolute(fs::u8path(VORANDECK_CLI)).make_preferred().u8string();
    const auto statusOf = [&](const std::string& command, const char* to) {
        return std::system(
            ("\"\"" + program + "\" " + command + " \"" + scene.package + "\" >" + to + " 2>NUL\"")
                .c_str());
    };
    const char* full = "Z:\\dev\\full";
    const char* null = "NUL";
#else
    const auto statusOf = [&](const std::string& command, const char* to) {
        const int status = std::system((std::string(VORANDECK_CLI) + " " + command + " '" +
                                        scene.package + "' >" + to + " 2>&1")
                                           .c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    const char* full = "/dev/full";
    const char* null = "/dev/null";
#endif
    for (const std::string command : {"list", "info", "check", "inventory --format csv --files"}) {
        // The package is damaged: check and inventory say 1 whatever they can write.
        const int damaged = command == "list" || command == "info" ? 0 : 1;
        EXPECT_EQ(statusOf(command, null), damaged) << command;
        EXPECT_EQ(statusOf(command, full), 1) << command;
    }
}

#ifndef _WIN32
// A folder nested deeper than a path can name, made one level at a time.
void makeFolderTooDeepToName(const fs::path& top) {
    fs::create_directory(top);
    int folder = ::open(top.c_str(), O_RDONLY | O_DIRECTORY);
    const std::string name(200, 'd');
    for (int level = 0; level < 25 && folder >= 0; ++level) {
        ::mkdirat(folder, name.c_str(), 0700);
        const int below = ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(folder);
        folder = below;
    }
    ::close(folder);
}

TEST(CliFaults, WhatAFolderWalkCannotReadIsSaidAndTheWalkGoesOn) {
    Scene scene;
    const fs::path folder = scene.work / "folder";
    ASSERT_EQ(::mkfifo((folder / "b.sis").c_str(), 0600), 0);
    makeFolderTooDeepToName(folder / "a");
    const CliRun check = runCli({"check", folder.u8string()});
    EXPECT_EQ(check.status, 1);
    EXPECT_NE(check.out.find(": cannot be read: "), std::string::npos) << check.out;
    EXPECT_NE(check.out.find("b.sis: Failed to open SIS File!\n"), std::string::npos) << check.out;
    EXPECT_NE(check.out.find("p.sis: File CRC: 0000h"), std::string::npos) << check.out;
    EXPECT_NE(check.out.find("\n3 packages: 0 ok, 1 damaged, 2 not read"), std::string::npos);
    const CliRun inventory = runCli({"inventory", folder.u8string()});
    EXPECT_EQ(inventory.status, 1);
    EXPECT_NE(inventory.out.find("{\"record\":\"folder\""), std::string::npos) << inventory.out;
    // std::filesystem cannot remove what it cannot name; rm walks down by descriptors.
    EXPECT_EQ(std::system(("rm -rf '" + (folder / "a").string() + "'").c_str()), 0);
}

TEST(CliFaults, TwoRunsIntoOneFolderLeaveOnePackagesFileWhole) {
    Scene scene;
    std::string bytes[2];
    std::string command;
    for (int i = 0; i < 2; ++i) {
        bytes[i].assign(4 << 20, static_cast<char>('a' + i));
        sis::Package built;
        built.records = {sis::simpleFile(0, "s", "C:\\big.txt", sis::textBytes(bytes[i]))};
        const fs::path package = scene.work / (std::to_string(i) + ".sis");
        ASSERT_TRUE(sis::writeFile(package, sis::build(built).bytes));
        command += std::string(VORANDECK_CLI) + " extract --overwrite '" + package.string() +
                   "' '" + (scene.work / "out").string() + "' >/dev/null & ";
    }
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(std::system((command + "wait").c_str()), 0);
        std::ifstream in(scene.work / "out" / "big.txt", std::ios::binary);
        const std::string left((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        EXPECT_TRUE(left == bytes[0] || left == bytes[1]) << "a mix of " << left.size() << " bytes";
    }
}

TEST(CliFaults, ThreadsThatCannotBeMadeLowerTheJobs) {
    Scene scene;
    for (int i = 0; i < 20; ++i) {
        fs::create_hard_link(scene.package,
                             scene.work / "folder" / ("q" + std::to_string(i) + ".sis"));
    }
    // A thread's stack is as large as the stack limit: the system refuses stacks of 64 GB.
    const fs::path out = scene.work / "out.txt";
    const std::string line = "ulimit -s 67108864 && " + std::string(VORANDECK_CLI) +
                             " check -j 8 '" + (scene.work / "folder").string() + "' >'" +
                             out.string() + "' 2>&1";
    const int status = std::system(line.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    std::ifstream in(out);
    const std::string said((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(said.find("\n21 packages: 0 ok, 21 damaged"), std::string::npos) << said;
}

TEST(CliFaults, TerminationEndsAWalkAsCtrlCDoes) {
    Scene scene;
    for (int i = 0; i < 3000; ++i) {
        fs::create_hard_link(scene.package,
                             scene.work / "folder" / ("q" + std::to_string(i) + ".sis"));
    }
    for (const char* command : {"check", "inventory"}) {
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(out[1], 1);
            ::execl(VORANDECK_CLI, VORANDECK_CLI, command, "-j", "1",
                    (scene.work / "folder").c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        char first = 0;
        while (::read(out[0], &first, 1) == 1 && first != '\n') {
        }
        ::kill(child, SIGTERM);
        std::string rest;
        for (char c; ::read(out[0], &c, 1) == 1;) {
            rest += c;
        }
        ::close(out[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << command << ": " << status;
        EXPECT_LT(std::count(rest.begin(), rest.end(), '\n'), 2900) << command;
    }
}
#endif
