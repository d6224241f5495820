// Extraction when the machine fails it: links in the destination, a full
// disk, a run stopped while it replaces a file. Nothing is written outside the
// destination, a file is counted only when whole, and an old file is replaced
// only by a whole new one.
#include <algorithm>
#include <cstring>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

#include "common/string_ids.h"
#include "package/io/platform.h"
#include "tests/package/package_fixture.h"

namespace {

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

const sis::Bytes kOld = sis::textBytes("the old file, which must survive");

void writeBytes(const fs::path& path, const sis::Bytes& bytes) {
    ASSERT_TRUE(sis::writeFile(path, bytes)) << path;
}

// A package of two files, one in each of two folders, written beside a folder
// "out" to extract into and a folder "outside" that must stay as it is.
struct Scene {
    sis::Bytes content;
    OpenPackage opened;
    fs::path out;
    fs::path outside;

    explicit Scene(bool asIs = false, size_t size = 300000)
        : content(sis::patternBytes(size)), opened(package(asIs, content)) {
        out = opened.dir.path() / "out";
        outside = opened.dir.path() / "outside";
        fs::create_directories(out / "sys");
        fs::create_directories(outside);
        writeBytes(outside / "victim", kOld);
    }
    static sis::Package package(bool asIs, const sis::Bytes& content) {
        sis::Package built;
        built.records = {sis::simpleFile(0, "s", "!:\\sys\\f.bin", content),
                         sis::simpleFile(0, "s", "!:\\data\\g.bin", sis::textBytes("g"))};
        built.noCompress = asIs;
        return built;
    }
    std::vector<std::string> outsideFiles() const { return TempDir::filesBelow(outside); }
};

struct StoppingHost : RecordingHost {
    int after = 0;
    bool stopRequested() override { return after-- <= 0; }
};

} // namespace

TEST(Surroundings, LinksInTheDestinationAreNeverWrittenThrough) {
    struct Case {
        const char* what;
        const char* link;   // below "out"
        const char* target; // below the test folder
        bool overwrite;
        std::vector<int> messages;
        int32_t counted;
        bool linkReplaced; // the link's name now holds the package's file
    };
    const Case cases[] = {
        {"a link to a file outside, kept", "sys/f.bin", "outside/victim", false, {}, 1, false},
        {"a link to a file outside, replaced", "sys/f.bin", "outside/victim", true, {}, 2, true},
        // Wine shows a dangling link as no file at all, so the new file takes its name.
        {"a dangling link, kept",
         "sys/f.bin",
         "outside/new",
         false,
         {},
         kWindows ? 2 : 1,
         kWindows},
        {"a dangling link, replaced", "sys/f.bin", "outside/new", true, {}, 2, true},
        {"a linked folder", "data", "outside", false, {IdsCreateError}, 1, false},
        {"a linked folder, replacing", "data", "outside", true, {IdsCreateError}, 1, false},
        {"a link to the package", "sys/f.bin", "test.sis", true, {IdsCreateError}, 1, false},
    };
    for (const Case& c : cases) {
        Scene scene;
        ASSERT_TRUE(makeSymbolicLink(scene.opened.dir.path() / c.target, scene.out / c.link))
            << c.what;
        RecordingHost host;
        host.useFolder(utf8Of(scene.out), c.overwrite);
        host.extract(scene.opened.files);
        std::vector<int> messages;
        for (const RecordedMessage& message : host.messages) {
            messages.push_back(message.textId == IdsAlreadyExists ? 0 : message.textId);
        }
        messages.erase(std::remove(messages.begin(), messages.end(), 0), messages.end());
        EXPECT_EQ(messages, c.messages) << c.what;
        EXPECT_EQ(host.written, c.counted) << c.what;
        EXPECT_EQ(scene.outsideFiles(), std::vector<std::string>{"victim"}) << c.what;
        EXPECT_TRUE(readAll(scene.outside / "victim") == kOld) << c.what;
        EXPECT_TRUE(readAll(scene.opened.packagePath) == scene.opened.built.bytes) << c.what;
        EXPECT_EQ(readAll(scene.out / c.link) == scene.content, c.linkReplaced) << c.what;
    }
}

TEST(Surroundings, ThePackageIsNeverADestinationWhateverItsSpelling) {
    Scene scene;
    // The package reached through a hard link below the destination.
    fs::create_hard_link(scene.opened.packagePath, scene.out / "sys" / "f.bin");
    RecordingHost host;
    host.useFolder(utf8Of(scene.out), true);
    host.extract(scene.opened.files);
    EXPECT_EQ(host.messages, std::vector<RecordedMessage>{extractError(IdsCreateError)});
    EXPECT_TRUE(readAll(scene.opened.packagePath) == scene.opened.built.bytes);
}

TEST(Surroundings, AStopWhileReplacingLeavesTheOldFileAsItWas) {
    for (bool asIs : {false, true}) {
        Scene scene(asIs, 8 << 20);
        writeBytes(scene.out / "sys" / "f.bin", kOld);
        StoppingHost host;
        host.after = 3; // before the file, then between its pieces
        host.useFolder(utf8Of(scene.out), true);
        host.extract(scene.opened.files);
        EXPECT_EQ(host.written, 0) << asIs;
        EXPECT_EQ(TempDir::filesBelow(scene.out), std::vector<std::string>{"sys/f.bin"}) << asIs;
        EXPECT_TRUE(readAll(scene.out / "sys" / "f.bin") == kOld) << asIs;
    }
}

// A full disk: natively a file may grow to 100,000 bytes and no further, and
// the system refuses writes past that; under Wine, which has no such limit,
// the platform refuses them once 100,000 bytes were written.
struct FullDisk {
#ifndef _WIN32
    rlimit before{};
    FullDisk() {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &before);
        const rlimit limit{100000, before.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FullDisk() {
        setrlimit(RLIMIT_FSIZE, &before);
    }
#else
    FullDisk() {
        platformLimitWrites(100000);
    }
    ~FullDisk() {
        platformLimitWrites(kNoWriteLimit);
    }
#endif
};

TEST(Surroundings, AFullDiskCountsOnlyWholeFilesAndKeepsTheOldOne) {
    for (bool asIs : {false, true}) {
        for (bool replacing : {false, true}) {
            Scene scene(asIs);
            if (replacing) {
                writeBytes(scene.out / "sys" / "f.bin", kOld);
            }
            RecordingHost host;
            host.useFolder(utf8Of(scene.out), true);
            {
                FullDisk full;
                host.extract(scene.opened.files);
            }
            const std::string path = utf8Of(scene.out) + "\\sys\\f.bin";
            const RecordedMessage diskFull{KindError, IdsWriteDiskFull, 0, path};
            EXPECT_EQ(host.messages, std::vector<RecordedMessage>{diskFull}) << asIs << replacing;
            EXPECT_EQ(host.written, 1) << asIs << replacing;
            std::vector<std::string> left = {"data/g.bin"};
            if (replacing) {
                left.push_back("sys/f.bin");
                EXPECT_TRUE(readAll(scene.out / "sys" / "f.bin") == kOld) << asIs;
            }
            EXPECT_EQ(TempDir::filesBelow(scene.out), left) << asIs << replacing;
        }
    }
}
