#include "package/file_functions.h"

OpenResult FileFunctions::OpenSISFile(const std::string& path) {
    closePackage();
    path_ = path;
    return take(std::make_unique<OpenedPackage>(path));
}

OpenResult FileFunctions::openMemory(const void* data, size_t size, const std::string& path) {
    closePackage();
    path_ = path;
    return take(std::make_unique<OpenedPackage>(data, size, path));
}

OpenResult FileFunctions::take(std::unique_ptr<OpenedPackage> opened) {
    const OpenResult result = opened->result();
    package = opened->package();
    file_ = std::move(opened);
    return result;
}

void FileFunctions::closePackage() {
    enclosing.clear();
    package.reset();
    file_.reset();
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

int32_t FileFunctions::extract(const FileChoice& chosen, const ExtractSettings& settings,
                               ExtractHost& host) {
    if (!package) {
        return 0;
    }
    ExtractionRun run(package->source, package->contents, path_.c_str(), settings, host);
    extractFiles(run, *package, chosen);
    return run.extractedCount();
}

int32_t FileFunctions::extractAll(const ExtractSettings& settings, ExtractHost& host) {
    return extract(nullptr, settings, host);
}

int32_t FileFunctions::extractEntries(const std::vector<uint32_t>& entries,
                                      const ExtractSettings& settings, ExtractHost& host) {
    return extract(filesOfLines(entries), settings, host);
}
