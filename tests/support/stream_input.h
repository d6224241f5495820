#pragma once
// A stream over bytes in memory that behaves as streams may: it hands over at
// most `piece` bytes a call, and from `failAt` on it fails, as a network file
// or a damaged disk does part way through.
#include <cstdint>
#include <cstring>

#include "package/io/byte_source.h"

namespace testsupport {

class PiecewiseInput : public StreamInput {
  public:
    PiecewiseInput(const void* data, uint64_t size, size_t piece, uint64_t failAt = UINT64_MAX)
        : data_(static_cast<const unsigned char*>(data)), size_(size), piece_(piece),
          failAt_(failAt) {}

    uint64_t size() const override { return size_; }
    size_t readAt(uint64_t offset, void* buffer, size_t count) const override {
        const uint64_t end = size_ < failAt_ ? size_ : failAt_;
        if (offset >= end) {
            return 0;
        }
        size_t step = count < piece_ ? count : piece_;
        if (step > end - offset) {
            step = static_cast<size_t>(end - offset);
        }
        std::memcpy(buffer, data_ + offset, step);
        return step;
    }

  private:
    const unsigned char* data_;
    uint64_t size_;
    size_t piece_;
    uint64_t failAt_;
};

} // namespace testsupport
