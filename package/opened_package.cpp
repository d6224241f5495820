#include "package/opened_package.h"

#include "common/string_ids.h"

OpenedPackage::OpenedPackage(const std::string& path) : path_(path) {
    file_ = platformOpenForRead(path.c_str());
    if (file_ != kInvalidFile) {
        source_ = ByteSource::fromFile(file_);
        read();
    }
}

OpenedPackage::OpenedPackage(const void* data, size_t size, const std::string& path)
    : path_(path), source_(ByteSource::fromMemory(data, size)) {
    read();
}

void OpenedPackage::read() {
    if (source_.size() == 0) {
        result_ = OpenResult::Empty;
        return;
    }
    package_ = readPackage(source_);
    result_ = package_ ? OpenResult::Opened : OpenResult::NotAPackage;
}

OpenedPackage::~OpenedPackage() {
    if (file_ != kInvalidFile) {
        platformClose(file_);
    }
}

int openMessage(OpenResult result) {
    switch (result) {
    case OpenResult::CannotOpen:
        return IdsOpenFailed;
    case OpenResult::Empty:
        return IdsCantRead;
    case OpenResult::NotAPackage:
        return IdsNotAPackage;
    default:
        return 0;
    }
}

int refusalMessage(const OpenedPackage& opened) {
    if (opened.package() == nullptr) {
        return openMessage(opened.result());
    }
    return opened.package()->readable() ? 0 : static_cast<int>(IdsCantRead);
}

int innerMessage(InnerResult result) {
    switch (result) {
    case InnerResult::NotAPackage:
        return IdsNotAPackage;
    case InnerResult::Unreadable:
        return IdsCantRead;
    case InnerResult::TooLarge:
        return IdsInnerTooLarge;
    case InnerResult::TooDeep:
        return IdsInnerTooDeep;
    default:
        return 0;
    }
}
