// A package read through a stream, as Explorer's handlers read it, shows what
// the same file shows, but for the checksums over the whole package, which a
// preview leaves uncalculated.
#include "package/details/details.h"
#include "package/opened_package.h"
#include "package/view/file_lines.h"
#include "package/view/header_view.h"
#include "tests/package/package_fixture.h"
#include "tests/support/real_packages.h"
#include "tests/support/stream_input.h"

namespace {

// Everything the window and the preview show of a package, but its calculated checksums.
std::string shownText(const Package& package) {
    std::string text = detailsText(describePackage(package, 1800000000));
    const HeaderBoxes boxes = headerBoxes(package);
    for (int field = 0; field < kHeaderFieldCount; ++field)
        if (field != static_cast<int>(HeaderField::CalculatedCheck))
            text += boxes[static_cast<size_t>(field)] + "\n";
    for (const PackageEntry& entry : package.contents.entries)
        for (int column = 0; column < fileColumnCount(package); ++column)
            text += cellText(package, entry, column) + "\t";
    return text;
}

} // namespace

TEST(StreamSource, EverySharedPackageReadsAsFromItsFile) {
    const std::vector<std::string> paths = testsupport::allSharedPackages();
    if (paths.empty())
        GTEST_SKIP() << "shared packages not found at " << VORANDECK_TESTDATA;
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const OpenedPackage file(path);
        const sis::Bytes bytes = readAll(pathOfUtf8(path));
        const testsupport::PiecewiseInput input(bytes.data(), bytes.size(), 4093);
        const auto streamed = readPackage(ByteSource::fromStream(input), WholeChecks::Skipped);
        ASSERT_EQ(streamed != nullptr, file.package() != nullptr);
        if (!streamed)
            continue;
        EXPECT_EQ(shownText(*streamed), shownText(*file.package()));
        const std::string calculated = boxOf(headerBoxes(*streamed), HeaderField::CalculatedCheck);
        EXPECT_EQ(calculated.find_first_of("0123456789"), std::string::npos)
            << calculated << ": no checksum is calculated";
    }
}
