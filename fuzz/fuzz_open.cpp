// Feeds arbitrary bytes, from memory, through all that Open does with a package
// of either format: the format decided, the header and its checksums, the
// languages, every entry and file of the contents, and the package details with
// their certificates and signatures, every package inside saved as a package
// of its own, which must open again, and the package's source. Nothing is
// written to disk.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "package/details/details.h"
#include "package/file_functions.h"
#include "package/inner_package_image.h"
#include "package/source/package_source.h"
#include "package/view/file_lines.h"
#include "package/view/header_view.h"

namespace {

void touch(const char* text) {
    // Reading every byte shows a missing terminator.
    volatile size_t length = std::strlen(text);
    (void)length;
}

// Each package inside, as "Save package as..." writes it, reads as a package.
void saveInnerPackages(const Package& package) {
    for (uint32_t entry = 0; entry < package.contents.entries.size(); ++entry) {
        if (!namesInnerPackage(package, entry)) {
            continue;
        }
        const InnerPackageImage image = innerPackageImage(package, entry);
        if (image.result == InnerResult::Opened &&
            !readPackage(ByteSource::fromMemory(image.bytes.data(), image.bytes.size()))) {
            __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FileFunctions files;
    if (files.openMemory(data, size) == OpenResult::Opened) {
        const Package& package = *files.package;
        UidChecksum(package.epocHeader);
        const Contents& contents = package.contents;
        for (const PackageEntry& entry : contents.entries) {
            touch(contents.text(entry.name));
            for (int column = 0; column < fileColumnCount(package); ++column) {
                touch(cellText(package, entry, column).c_str());
            }
        }
        for (const std::string& box : headerBoxes(package)) {
            touch(box.c_str());
        }
        volatile bool whole = integrityOf(package).whole();
        (void)whole;
        forEachFile(package.source, contents, [&contents](const PackageFile& file) {
            touch(contents.extractionName(file).c_str());
            return true;
        });
        volatile uint32_t lines = package.fileLineCount();
        (void)lines;
        touch(detailsText(describePackage(package, 1800000000)).c_str());
        saveInnerPackages(package);
        touch(packageSource(package, SourceOrigin(), SourcePlaces()).c_str());
    }
    files.closePackage();
    return 0;
}
