#include "package/file_functions.h"

#include "package/extract/extraction_run.h"

namespace {

// Writes the files of line `entry`; false once the user has ended the run.
bool extractEntry(ExtractionRun& run, const Package& package, uint32_t entry) {
    for (const PackageFile& file : filesOf(package.source, package.contents, entry)) {
        if (run.extract(file).result == FileResult::RunEnded) {
            return false;
        }
    }
    return true;
}

} // namespace

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
    enclosing.clear();
    package.reset();
    if (input_ != kInvalidFile) {
        platformClose(input_);
        input_ = kInvalidFile;
    }
}

InnerResult FileFunctions::openInner(uint32_t entry) {
    if (!package || !namesInnerPackage(*package, entry)) {
        return InnerResult::NoPackage;
    }
    if (enclosing.size() >= kMaxInnerDepth) {
        return InnerResult::TooDeep;
    }
    InnerPackage inner = readInnerPackage(*package, entry);
    if (inner.result != InnerResult::Opened) {
        return inner.result;
    }
    enclosing.push_back({std::move(package), entry});
    package = std::move(inner.package);
    return InnerResult::Opened;
}

bool FileFunctions::closeInner() {
    if (enclosing.empty()) {
        return false;
    }
    package = std::move(enclosing.back().package);
    enclosing.pop_back();
    return true;
}

std::vector<uint32_t> FileFunctions::innerChain() const {
    std::vector<uint32_t> chain;
    for (const EnclosingPackage& outer : enclosing) {
        chain.push_back(outer.entry);
    }
    return chain;
}

int32_t FileFunctions::extractAll(const ExtractSettings& settings, ExtractHost& host) {
    extractedCount = 0;
    if (!package) {
        return 0;
    }
    ExtractionRun run(package->source, package->contents, packagePath, settings, host);
    forEachFile(package->source, package->contents, [&run](const PackageFile& file) {
        return run.extract(file).result != FileResult::RunEnded;
    });
    extractedCount = run.extractedCount();
    return extractedCount;
}

int32_t FileFunctions::extractEntries(const std::vector<uint32_t>& entries,
                                      const ExtractSettings& settings, ExtractHost& host) {
    extractedCount = 0;
    if (!package) {
        return 0;
    }
    const Contents& contents = package->contents;
    ExtractionRun run(package->source, contents, packagePath, settings, host);
    for (uint32_t entry : entries) {
        if (!extractEntry(run, *package, entry)) {
            break;
        }
    }
    extractedCount = run.extractedCount();
    return extractedCount;
}
