// Every shared Symbian OS 9 package, sound or damaged, extracted to disk against
// what the finished program must write.
#include <filesystem>
#include <cstring>
#include <fstream>

#include "common/string_ids.h"
#include "package/sisx/sisx_package.h"
#include "tests/package/package_fixture.h"
#include "tests/support/json_reader.h"
#include "tests/support/sha256.h"

namespace {

using testsupport::JsonValue;

fs::path sisxFolder() {
    return pathOfUtf8(VORANDECK_TESTDATA) / "sisx";
}

struct SisxCase {
    fs::path package;
    JsonValue expected;
};

// The packages of `folder` that have an expectation beside them, sorted.
std::vector<SisxCase> casesIn(const fs::path& folder) {
    std::vector<fs::path> packages;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".sis") {
            packages.push_back(entry.path());
        }
    }
    std::sort(packages.begin(), packages.end());
    std::vector<SisxCase> cases;
    for (const fs::path& package : packages) {
        SisxCase c{package, {}};
        const fs::path json =
            folder / "expected" / pathOfUtf8(utf8Of(package.filename()) + ".json");
        std::string message;
        EXPECT_TRUE(testsupport::readJsonFile(utf8Of(json), &c.expected, &message))
            << utf8Of(json) << ": " << message;
        cases.push_back(std::move(c));
    }
    return cases;
}

} // namespace

TEST(SisxRealPackages, ExtractedToDiskAsExpected) {
    if (!fs::exists(sisxFolder() / "expected")) {
        GTEST_SKIP() << "shared Symbian OS 9 packages not found at " << utf8Of(sisxFolder());
    }
    std::vector<SisxCase> cases = casesIn(sisxFolder());
    for (SisxCase& c : casesIn(sisxFolder() / "damaged")) {
        cases.push_back(std::move(c));
    }
    for (const SisxCase& c : cases) {
        SCOPED_TRACE(utf8Of(c.package.filename()));
        TempDir out;
        FileFunctions files;
        const std::string path = utf8Of(c.package);
        ASSERT_EQ(files.OpenSISFile(path.c_str()), OpenResult::Opened);
        ASSERT_EQ(files.package->kind, PackageKind::Sisx);
        RecordingHost host;
        host.useFolder(out.utf8(), true); // a later file of the same path replaces the earlier
        const bool any = host.extract(files);

        std::vector<RecordedMessage> expectedMessages;
        std::vector<std::string> expectedFiles;
        int counted = 0;
        for (const JsonValue& e : c.expected["extract"].items) {
            const std::string& result = e["result"].text;
            if (result == "unsafe") {
                expectedMessages.push_back({KindError, IdsUnsafeName, 0, e["name"].text});
            } else if (result == "checksum") {
                expectedMessages.push_back(extractError(IdsChecksumDiffers));
            } else if (result != "ok") {
                expectedMessages.push_back(extractError(std::stoi(result.substr(8))));
            }
            if (e.has("size")) {
                ++counted;
                expectedFiles.push_back(e["path"].text);
                const fs::path file = out.path() / pathOfUtf8(e["path"].text);
                EXPECT_EQ(fs::file_size(file), static_cast<uintmax_t>(e["size"].number));
                EXPECT_EQ(testsupport::sha256File(file), e["sha256"].text);
            }
        }
        std::sort(expectedFiles.begin(), expectedFiles.end());
        expectedFiles.erase(std::unique(expectedFiles.begin(), expectedFiles.end()),
                            expectedFiles.end());
        EXPECT_EQ(out.files(), expectedFiles);
        EXPECT_EQ(host.messages, expectedMessages);
        EXPECT_EQ(host.written, counted);
        EXPECT_EQ(any, counted != 0);
    }
}
