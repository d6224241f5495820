#include "package/file_functions.h"

#include "package/extract/extraction_run.h"

OpenResult FileFunctions::OpenSISFile() {
    closePackage();
    input_ = platformOpenForRead(packagePath);
    if (input_ == kInvalidFile) {
        return OpenResult::CannotOpen;
    }
    return open(ByteSource::fromFile(input_));
}

OpenResult FileFunctions::openMemory(const void* data, size_t size) {
    closePackage();
    return open(ByteSource::fromMemory(data, size));
}

OpenResult FileFunctions::open(const ByteSource& source) {
    if (source.size() == 0) {
        return OpenResult::Empty;
    }
    package = readPackage(source);
    return package ? OpenResult::Opened : OpenResult::NotAPackage;
}

void FileFunctions::closePackage() {
    package.reset();
    if (input_ != kInvalidFile) {
        platformClose(input_);
        input_ = kInvalidFile;
    }
}

int32_t FileFunctions::extractAll(const ExtractSettings& settings, ExtractHost& host) {
    extractedCount = 0;
    if (!package) {
        return 0;
    }
    ExtractionRun run(package->source, package->contents, packagePath, settings, host);
    for (const PackageFile& file : package->contents.files) {
        if (run.extract(file).result == FileResult::RunEnded) {
            break;
        }
    }
    extractedCount = run.extractedCount();
    return extractedCount;
}
