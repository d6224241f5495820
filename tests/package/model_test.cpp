// Every shared package, of either format, damaged or a stub, read into its
// contents once: kind, header boxes, list lines, languages and the files an
// extraction gets, against what the finished program must show and extract.
#include <cstring>

#include "package/view/header_view.h"
#include "tests/package/package_fixture.h"
#include "tests/support/json_reader.h"
#include "tests/support/real_packages.h"

namespace {

using testsupport::JsonValue;

std::vector<std::string> textsOf(const JsonValue& list) {
    std::vector<std::string> texts;
    for (const JsonValue& item : list.items) {
        texts.push_back(item.text);
    }
    return texts;
}

// What the extraction gets, in the expectation's words: the name, and for the
// older format where its data lies.
std::string requestText(const ExtractRequest& request, bool epoc) {
    return request.name + (epoc ? " " + std::to_string(request.storedLength) + " " +
                                      std::to_string(request.storedOffset) + " " +
                                      std::to_string(request.originalLength)
                                : "");
}

std::string expectedRequestText(const JsonValue& e, bool epoc) {
    const auto number = [&](const char* key) {
        return std::to_string(static_cast<uint64_t>(e[key].number));
    };
    return e["name"].text + (epoc ? " " + number("storedLength") + " " + number("storedOffset") +
                                        " " + number("originalLength")
                                  : "");
}

void checkPackage(const std::string& folder, const std::string& name) {
    SCOPED_TRACE(folder + "/" + name);
    JsonValue expected;
    std::string error;
    ASSERT_TRUE(
        testsupport::readJsonFile(folder + "/expected/" + name + ".json", &expected, &error))
        << error;
    FileFunctions files;
    const std::string path = folder + "/" + name;
    ASSERT_EQ(files.OpenSISFile(path.c_str()), OpenResult::Opened);
    const Package& package = *files.package;
    const bool stub = expected.has("stub");
    EXPECT_EQ(package.kind == PackageKind::SisxStub, stub);
    EXPECT_EQ(package.readable(), expected["message"].text != "message 17");
    // The expectations number the header's fields from 1002, in the header's order.
    const HeaderBoxes boxes = headerBoxes(package);
    for (int field = 0; field < 26; ++field) {
        EXPECT_EQ(boxes[field], expected["header"][std::to_string(1002 + field)].text) << field;
    }

    const Listed listed = listedOf(package);
    std::vector<std::string> lines;
    for (const ListEntry& line : listed.lines) {
        ASSERT_LE(line.kind, 5u);
        lines.push_back(kListPrefixes[line.kind] + line.name);
    }
    EXPECT_EQ(lines, textsOf(expected["lines"]));
    EXPECT_EQ(package.contents.languages.size(), expected["languages"].items.size());

    const bool epoc = package.kind == PackageKind::Epoc;
    std::vector<std::string> requests;
    for (const ExtractRequest& request : listed.requests) {
        requests.push_back(requestText(request, epoc));
    }
    std::vector<std::string> expectedRequests;
    for (const JsonValue& e : expected["extract"].items) {
        expectedRequests.push_back(expectedRequestText(e, epoc));
    }
    EXPECT_EQ(requests, expectedRequests);
}

} // namespace

TEST(PackageModel, EverySharedPackageReadsAsExpected) {
    const struct {
        const char* folder;
        size_t count;
    } folders[] = {{"real", 48}, {"sisx", 61}, {"sisx/damaged", 15}, {"sisx/stubs", 11}};
    for (const auto& f : folders) {
        const std::string folder = testsupport::sharedPackageFolder(f.folder);
        if (folder.empty()) {
            GTEST_SKIP() << "shared test data not found in " << VORANDECK_TESTDATA;
        }
        const std::vector<std::string> names = testsupport::packageNamesIn(folder);
        EXPECT_EQ(names.size(), f.count) << f.folder;
        for (const std::string& name : names) {
            checkPackage(folder, name);
        }
    }
}
