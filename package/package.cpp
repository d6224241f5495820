#include "package/package.h"

#include "package/epoc/epoc_reader.h"
#include "package/io/inflate_stream.h"

namespace {

constexpr uint32_t kEpocUid = 0x10000419; // word 2 of every older package

std::unique_ptr<Package> readSisx(std::unique_ptr<Package> package, PackageKind kind,
                                  WholeChecks checks) {
    package->kind = kind;
    package->sisx =
        std::make_unique<SisxPackage>(package->source, checks == WholeChecks::Calculated);
    // A stub has no mark of its own: a controller that cannot be read makes it no package.
    if (kind == PackageKind::SisxStub && !package->sisx->readable()) {
        return nullptr;
    }
    package->contents = package->sisx->contents();
    return package;
}

// The whole file that `data` describes, in memory.
bool storedBytes(const ByteSource& package, const StoredLocation& data,
                 std::vector<unsigned char>* out) {
    const ByteSource stored = package.range(data.offset, data.length);
    const size_t size = static_cast<size_t>(data.originalLength);
    switch (data.coding) {
    case StoredCoding::Zlib:
        return inflateWhole(stored, size, out);
    case StoredCoding::AsIs:
        out->resize(size);
        return size == 0 || stored.readSome(0, out->data(), size) == size;
    default:
        return false;
    }
}

// A component of the older format: its file, inflated, read as a package.
InnerPackage readComponent(const Package& outer, const PackageFile& file) {
    InnerPackage inner;
    if (file.data.originalLength > kMaxInnerPackageSize) {
        inner.result = InnerResult::TooLarge;
        return inner;
    }
    std::vector<unsigned char> bytes;
    if (!storedBytes(outer.source, file.data, &bytes) || bytes.empty()) {
        inner.result = InnerResult::Unreadable;
        return inner;
    }
    inner.package = readPackage(ByteSource::fromMemory(bytes.data(), bytes.size()));
    if (!inner.package) {
        inner.result = InnerResult::NotAPackage;
        return inner;
    }
    // A vector moved keeps its buffer, which the package's source reads.
    inner.package->heldBytes = std::move(bytes);
    inner.result = InnerResult::Opened;
    return inner;
}

// Which embedded package line `entry` names: in a Symbian OS 9 package only
// embedded packages have component lines, one each, in the order they are met.
uint32_t componentOrdinal(const Contents& contents, uint32_t entry) {
    uint32_t ordinal = 0;
    for (uint32_t i = 0; i < entry; ++i) {
        ordinal += contents.entries[i].kind == FileComponent ? 1 : 0;
    }
    return ordinal;
}

InnerPackage readEmbedded(const Package& outer, uint32_t entry) {
    InnerPackage inner;
    auto package = std::make_unique<Package>();
    package->kind = outer.kind;
    package->source = outer.source;
    package->sisx =
        std::make_unique<SisxPackage>(*outer.sisx, componentOrdinal(outer.contents, entry));
    if (!package->sisx->readable()) {
        inner.result = InnerResult::Unreadable;
        return inner;
    }
    package->contents = package->sisx->contents();
    inner.package = std::move(package);
    inner.result = InnerResult::Opened;
    return inner;
}

} // namespace

std::unique_ptr<Package> readPackage(const ByteSource& source, WholeChecks checks) {
    auto package = std::make_unique<Package>();
    package->source = source;
    CheckedReader(source).someAt(0, package->epocHeader.bytes, sizeof package->epocHeader.bytes);
    const PackageHeader& header = package->epocHeader;
    if (isSisxUid1(header.appUid())) {
        return readSisx(std::move(package), PackageKind::Sisx, checks);
    }
    if (header.appUid2() == kEpocUid) {
        package->kind = PackageKind::Epoc;
        if (checks == WholeChecks::Calculated) {
            package->epocCrc = packageCrc(source);
        }
        package->contents = readEpocContents(source, header, &package->epocScript);
        package->epocFacts = readEpocFacts(source, header);
        return package;
    }
    if (isSisxStubStart(header.appUid())) {
        return readSisx(std::move(package), PackageKind::SisxStub, checks);
    }
    return nullptr;
}

bool namesInnerPackage(const Package& package, uint32_t entry) {
    if (entry >= package.contents.entries.size()) {
        return false;
    }
    const PackageEntry& line = package.contents.entries[entry];
    return line.kind == FileComponent && (package.sisx || line.fileCount > 0);
}

InnerPackage readInnerPackage(const Package& outer, uint32_t entry) {
    if (!namesInnerPackage(outer, entry)) {
        return InnerPackage();
    }
    if (outer.sisx) {
        return readEmbedded(outer, entry);
    }
    // Of a component in several languages, the first language's package.
    return readComponent(outer, filesOf(outer.source, outer.contents, entry).front());
}
