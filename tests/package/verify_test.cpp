// Checking files without writing them, and a run stopped part way through a
// file: the same outcomes as extraction, and nothing left on disk.
#include "common/string_ids.h"
#include "package/extract/extraction_run.h"
#include "tests/package/package_fixture.h"

namespace {

struct Collected final : ContentSink {
    sis::Bytes bytes;
    void take(const unsigned char* data, uint32_t count) override {
        bytes.insert(bytes.end(), data, data + count);
    }
};

// Says stop once it has been asked `after` times.
struct StoppingHost : RecordingHost {
    int after = 0;
    bool stopRequested() override { return after-- <= 0; }
};

TEST(Verify, GivesWhatExtractionGivesAndWritesNothing) {
    const sis::Bytes content = sis::patternBytes(3 * 1024 * 1024 + 5);
    sis::Package package;
    sis::Record good = sis::simpleFile(0, "s", "!:\\sys\\good.bin", content);
    sis::Record corrupt = sis::simpleFile(0, "s", "!:\\sys\\corrupt.bin", content);
    sis::Bytes stream = sis::deflateBytes(content);
    stream[stream.size() / 2] ^= 0xFF;
    corrupt.variants[0].stored = stream;
    sis::Record longer = sis::simpleFile(0, "s", "!:\\sys\\longer.bin", content);
    longer.variants[0].originalLength = 1000;
    package.records = {good, corrupt, longer};
    OpenPackage opened(package);
    RecordingHost host;
    host.useFolder(utf8Of(opened.dir.path() / "out"));
    const Package& read = *opened.files.package;
    ExtractionRun checking(read.source, read.contents, opened.files.path().c_str(), host.settings,
                           host);
    ExtractionRun writing(read.source, read.contents, opened.files.path().c_str(), host.settings,
                          host);
    const int expected[] = {0, IdsInflateError, IdsSizeDiffers};
    const std::vector<PackageFile> files = allFiles(read.source, read.contents);
    std::vector<Collected> produced(files.size());
    std::vector<FileOutcome> checked;
    for (size_t i = 0; i < files.size(); ++i) {
        checked.push_back(checking.verify(files[i], &produced[i]));
    }
    EXPECT_FALSE(fs::exists(opened.dir.path() / "out"));
    for (size_t i = 0; i < files.size(); ++i) {
        const FileOutcome written = writing.extract(files[i]);
        EXPECT_EQ(checked[i].result, written.result) << i;
        EXPECT_EQ(checked[i].message, expected[i]) << i;
        EXPECT_EQ(written.message, expected[i]) << i;
        const std::string name = read.contents.extractionName(files[i]).substr(7);
        const fs::path file = opened.dir.path() / "out" / "sys" / name;
        EXPECT_EQ(fs::exists(file), written.result == FileResult::Written) << i;
        EXPECT_TRUE(!fs::exists(file) || produced[i].bytes == readAll(file)) << i;
    }
}

TEST(Verify, AStopHalfWayRemovesTheFileBeingWritten) {
    const sis::Bytes content = sis::patternBytes(8 * 1024 * 1024);
    sis::Package package;
    package.records = {sis::simpleFile(0, "s", "!:\\sys\\big.bin", content),
                       sis::simpleFile(0, "s", "!:\\sys\\next.bin", content)};
    for (bool asIs : {false, true}) {
        package.noCompress = asIs;
        OpenPackage opened(package);
        StoppingHost host;
        host.after = 3; // asked before the file, then before each piece of it
        host.useFolder(utf8Of(opened.dir.path() / "out"));
        const Package& read = *opened.files.package;
        ExtractionRun run(read.source, read.contents, opened.files.path().c_str(), host.settings,
                          host);
        const std::vector<PackageFile> files = allFiles(read.source, read.contents);
        EXPECT_EQ(run.extract(files[0]).result, FileResult::RunEnded) << asIs;
        EXPECT_EQ(run.extract(files[1]).result, FileResult::RunEnded) << asIs;
        EXPECT_TRUE(fs::exists(opened.dir.path() / "out" / "sys")) << asIs;
        EXPECT_EQ(TempDir::filesBelow(opened.dir.path() / "out").size(), 0u) << asIs;
        EXPECT_TRUE(host.messages.empty()) << asIs;
    }
}

} // namespace
