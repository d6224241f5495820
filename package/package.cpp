#include "package/package.h"

#include "package/epoc/epoc_reader.h"

namespace {

constexpr uint32_t kEpocUid = 0x10000419; // word 2 of every older package

std::unique_ptr<Package> readSisx(std::unique_ptr<Package> package, PackageKind kind) {
    package->kind = kind;
    package->sisx = std::make_unique<SisxPackage>(package->source);
    // A stub has no mark of its own: a controller that cannot be read makes it no package.
    if (kind == PackageKind::SisxStub && !package->sisx->readable()) {
        return nullptr;
    }
    package->contents = package->sisx->contents();
    return package;
}

} // namespace

std::unique_ptr<Package> readPackage(const ByteSource& source) {
    auto package = std::make_unique<Package>();
    package->source = source;
    CheckedReader(source).someAt(0, package->epocHeader.bytes, sizeof package->epocHeader.bytes);
    const PackageHeader& header = package->epocHeader;
    if (isSisxUid1(header.appUid())) {
        return readSisx(std::move(package), PackageKind::Sisx);
    }
    if (header.appUid2() == kEpocUid) {
        package->kind = PackageKind::Epoc;
        package->epocCrc = packageCrc(source);
        package->contents = readEpocContents(source, header);
        return package;
    }
    if (isSisxStubStart(header.appUid())) {
        return readSisx(std::move(package), PackageKind::SisxStub);
    }
    return nullptr;
}
