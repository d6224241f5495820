// The two package formats behind one open package: the older EPOC format read
// through its header, and Symbian OS 9 read through its controller.
#include "package/chunk_writer.h"
#include "package/extract_buffers.h"
#include "package/file_functions.h"
#include "package/sisx.h"

namespace {

constexpr uint32_t kEpocUid = 0x10000419; // word 2 of every older package

} // namespace

FileFunctions::FileFunctions() = default;
FileFunctions::~FileFunctions() = default;

PackageFormat FileFunctions::recognisePackage(const PackageHeader& header) {
    sisx.reset();
    if (isSisxUid1(header.appUid())) {
        sisx = std::make_unique<SisxPackage>(source);
        format = PackageFormat::Sisx;
    } else if (header.appUid2() == kEpocUid) {
        format = PackageFormat::Epoc;
    } else {
        format = PackageFormat::NotAPackage;
    }
    return format;
}

bool FileFunctions::walkPackage(const PackageHeader& header, WalkMode mode,
                                const WalkOutputs& outputs) {
    if (format != PackageFormat::Sisx) {
        return walkRecords(header, mode, outputs);
    }
    startRun();
    if (sisx) {
        sisx->walk(mode, outputs);
    }
    endRun();
    destPath[0] = '\0';
    return extractedCount != 0;
}

uint32_t FileFunctions::fileLineCount(const PackageHeader& header) const {
    if (format == PackageFormat::Sisx) {
        return sisx ? sisx->summary().fileCount : 0;
    }
    return header.pkgLinesProcessed();
}
