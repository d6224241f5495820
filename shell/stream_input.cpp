#include "shell/stream_input.h"

namespace {

// Read takes a 32-bit count; the checked reader asks for far less at a time.
constexpr size_t kLargestRead = 1u << 30;

} // namespace

IStreamInput::IStreamInput(IStream* stream, ULONGLONG deadline)
    : stream_(stream), deadline_(deadline) {
    if (stream_ == nullptr) {
        return;
    }
    stream_->AddRef();
    STATSTG stat = {};
    if (SUCCEEDED(stream_->Stat(&stat, STATFLAG_NONAME))) {
        size_ = stat.cbSize.QuadPart;
        sized_ = true;
        return;
    }
    LARGE_INTEGER zero = {};
    ULARGE_INTEGER end = {};
    if (SUCCEEDED(stream_->Seek(zero, STREAM_SEEK_END, &end))) {
        size_ = end.QuadPart;
        sized_ = true;
    }
}

IStreamInput::~IStreamInput() {
    if (stream_ != nullptr) {
        stream_->Release();
    }
}

size_t IStreamInput::readAt(uint64_t offset, void* buffer, size_t count) const {
    if (stream_ == nullptr || offset > static_cast<uint64_t>(INT64_MAX)) {
        return 0;
    }
    AcquireSRWLockExclusive(&lock_);
    ULONG got = 0;
    if (GetTickCount64() > deadline_) {
        stopped_ = true;
    } else {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        const ULONG wanted = static_cast<ULONG>(count < kLargestRead ? count : kLargestRead);
        if (FAILED(stream_->Seek(at, STREAM_SEEK_SET, nullptr)) ||
            FAILED(stream_->Read(buffer, wanted, &got)) || got > wanted) {
            got = 0;
        }
    }
    ReleaseSRWLockExclusive(&lock_);
    return got;
}

bool IStreamInput::stopped() const {
    AcquireSRWLockExclusive(&lock_);
    const bool stopped = stopped_;
    ReleaseSRWLockExclusive(&lock_);
    return stopped;
}
