// Feeds arbitrary bytes through a stream, as Explorer hands a package to the
// preview and property handlers: read in pieces, at times failing part way,
// without the checksums over the whole package, then everything the preview
// shows. The input's own length picks the pieces' size and where the stream
// fails, so that every seed stays a package.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "package/details/details.h"
#include "package/view/file_lines.h"
#include "package/view/header_view.h"
#include "package/view/identity.h"
#include "tests/support/stream_input.h"

namespace {

void touch(const std::string& text) {
    // Reading every byte shows a missing terminator.
    volatile size_t length = std::strlen(text.c_str());
    (void)length;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const size_t piece = 1 + (size * 31) % 4099;
    const uint64_t failAt = size % 3 == 0 ? size - size / 5 : UINT64_MAX;
    const testsupport::PiecewiseInput input(data, size, piece, failAt);
    const auto package = readPackage(ByteSource::fromStream(input), WholeChecks::Skipped);
    if (!package) {
        return 0;
    }
    for (const std::string& box : headerBoxes(*package)) {
        touch(box);
    }
    touch(formatName(*package) + packageUid(*package) + packageVendor(*package));
    for (const std::string& name : packageNames(*package)) {
        touch(name);
    }
    for (const std::string& platform : packagePlatforms(*package)) {
        touch(platform);
    }
    for (const PackageEntry& entry : package->contents.entries) {
        for (int column = 0; column < fileColumnCount(*package); ++column) {
            touch(cellText(*package, entry, column));
        }
    }
    touch(detailsText(describePackage(*package, 1800000000)));
    return 0;
}
