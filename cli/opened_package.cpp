#include "cli/opened_package.h"

#include "common/string_ids.h"

OpenedPackage::OpenedPackage(const std::string& path) : path_(path) {
    file_ = platformOpenForRead(path.c_str());
    if (file_ == kInvalidFile) {
        return;
    }
    source_ = ByteSource::fromFile(file_);
    if (source_.size() == 0) {
        state_ = OpenState::Empty;
        return;
    }
    package_ = readPackage(source_);
    state_ = package_ ? OpenState::Read : OpenState::NotAPackage;
}

OpenedPackage::~OpenedPackage() {
    package_.reset();
    platformClose(file_);
}

int openMessage(OpenState state) {
    switch (state) {
    case OpenState::CannotOpen:
        return IdsOpenFailed;
    case OpenState::Empty:
        return IdsCantRead;
    case OpenState::NotAPackage:
        return IdsNotAPackage;
    default:
        return 0;
    }
}

int refusalMessage(const OpenedPackage& opened) {
    if (opened.package() == nullptr) {
        return openMessage(opened.state());
    }
    return opened.package()->readable() ? 0 : static_cast<int>(IdsCantRead);
}
