#pragma once
// A package as Explorer hands it to a handler: an IStream, read at offsets
// through Seek and Read. Reads stop at a deadline, after which the stream reads
// as one that failed: the checked reader then ends every walk at once, and the
// handler shows what was read by then.
#include <windows.h>

#include <objidl.h>

#include "package/io/byte_source.h"

class IStreamInput : public StreamInput {
  public:
    // Holds a reference to `stream` while it lives; `deadline` is a GetTickCount64 time.
    IStreamInput(IStream* stream, ULONGLONG deadline);
    ~IStreamInput() override;
    IStreamInput(const IStreamInput&) = delete;
    IStreamInput& operator=(const IStreamInput&) = delete;

    uint64_t size() const override { return size_; }
    size_t readAt(uint64_t offset, void* buffer, size_t count) const override;
    // Whether the stream could say its size; a stream that cannot is read as empty.
    bool sized() const { return sized_; }
    // Whether a read was refused because the deadline had passed.
    bool stopped() const;

  private:
    IStream* stream_;
    ULONGLONG deadline_;
    uint64_t size_ = 0;
    bool sized_ = false;
    mutable bool stopped_ = false;
    // Seek and Read are two calls: a lock keeps them together.
    mutable SRWLOCK lock_ = SRWLOCK_INIT;
};
