#include "package/io/byte_source.h"

#include <cstring>
#include <new>

// The record walk reads a few bytes at a time: a type word, a record, a name.
// Under Wine every ReadFile is a round trip to the wine server of some 25 us,
// which made listing a large package take seconds. Reads smaller than a
// quarter block are served from a few blocks (one for the record stream, the
// others for the names and data it points into); larger ones go to the file.
struct CheckedReader::ReadAhead {
    static constexpr size_t kBlockSize = 16384;
    static constexpr size_t kBlockCount = 4;
    static constexpr size_t kLargestServed = kBlockSize / 4;

    struct Block {
        uint64_t start = 0;
        size_t length = 0;
        uint64_t lastUse = 0;
        unsigned char bytes[kBlockSize];
    };
    Block blocks[kBlockCount];
    uint64_t clock = 0;

    // The block holding all of [at, at + count), or null.
    Block* holding(uint64_t at, size_t count) {
        for (Block& block : blocks) {
            if (block.length != 0 && at >= block.start && at - block.start <= block.length &&
                count <= block.length - (at - block.start)) {
                return &block;
            }
        }
        return nullptr;
    }

    Block& leastRecentlyUsed() {
        Block* oldest = &blocks[0];
        for (Block& block : blocks) {
            if (block.lastUse < oldest->lastUse) {
                oldest = &block;
            }
        }
        return *oldest;
    }
};

ByteSource ByteSource::fromFile(FileHandle file) {
    ByteSource source;
    if (file == kInvalidFile) {
        return source;
    }
    source.kind_ = Kind::File;
    source.file_ = file;
    source.size_ = platformFileSize(file);
    return source;
}

ByteSource ByteSource::fromMemory(const void* data, uint64_t size) {
    ByteSource source;
    source.kind_ = Kind::Memory;
    source.memory_ = static_cast<const unsigned char*>(data);
    source.size_ = data != nullptr ? size : 0;
    return source;
}

ByteSource ByteSource::fromStream(const StreamInput& input) {
    ByteSource source;
    source.kind_ = Kind::Stream;
    source.stream_ = &input;
    source.size_ = input.size();
    return source;
}

ByteSource ByteSource::range(uint64_t offset, uint64_t count) const {
    ByteSource part = *this;
    if (offset > size_) {
        offset = size_;
    }
    part.base_ = base_ + offset;
    part.size_ = count < size_ - offset ? count : size_ - offset;
    return part;
}

size_t ByteSource::readSome(uint64_t offset, void* buffer, size_t count) const {
    if (offset >= size_ || count == 0) {
        return 0;
    }
    if (count > size_ - offset) {
        count = static_cast<size_t>(size_ - offset);
    }
    if (kind_ == Kind::Memory) {
        std::memcpy(buffer, memory_ + base_ + offset, count);
        return count;
    }
    switch (kind_) {
    case Kind::File:
        return readFile(base_ + offset, buffer, count);
    case Kind::Stream:
        return readStream(base_ + offset, buffer, count);
    default:
        return 0;
    }
}

size_t ByteSource::readFile(uint64_t at, void* buffer, size_t count) const {
    // The platform moves at most 4 GB less one at a time.
    size_t total = 0;
    while (total < count) {
        const size_t step = count - total < 0x40000000u ? count - total : 0x40000000u;
        const uint32_t got =
            platformReadAt(file_, at + total, static_cast<unsigned char*>(buffer) + total,
                           static_cast<uint32_t>(step));
        total += got;
        if (got != step) {
            break;
        }
    }
    return total;
}

size_t ByteSource::readStream(uint64_t at, void* buffer, size_t count) const {
    // A stream may hand over fewer bytes than asked for before its end.
    size_t total = 0;
    while (total < count) {
        const size_t got =
            stream_->readAt(at + total, static_cast<unsigned char*>(buffer) + total, count - total);
        if (got == 0 || got > count - total) {
            break;
        }
        total += got;
    }
    return total;
}

CheckedReader::CheckedReader(const ByteSource& source, uint64_t position)
    : source_(source), position_(position) {
    ok_ = position <= source.size();
}

CheckedReader::~CheckedReader() = default;

CheckedReader::CheckedReader(const CheckedReader& other)
    : source_(other.source_), position_(other.position_), ok_(other.ok_) {}

CheckedReader& CheckedReader::operator=(const CheckedReader& other) {
    source_ = other.source_;
    position_ = other.position_;
    ok_ = other.ok_;
    readAhead_.reset();
    return *this;
}

CheckedReader::CheckedReader(CheckedReader&& other) noexcept = default;
CheckedReader& CheckedReader::operator=(CheckedReader&& other) noexcept = default;

void CheckedReader::restart(uint64_t offset) {
    ok_ = offset <= size();
    position_ = ok_ ? offset : position_;
}

size_t CheckedReader::read(uint64_t offset, void* out, size_t count) {
    const bool costly =
        source_.kind() == ByteSource::Kind::File || source_.kind() == ByteSource::Kind::Stream;
    if (!costly || count > ReadAhead::kLargestServed) {
        return source_.readSome(offset, out, count);
    }
    if (!readAhead_) {
        readAhead_.reset(new (std::nothrow) ReadAhead);
        if (!readAhead_) {
            return source_.readSome(offset, out, count);
        }
    }
    ReadAhead& ahead = *readAhead_;
    ReadAhead::Block* block = ahead.holding(offset, count);
    if (block == nullptr) {
        block = &ahead.leastRecentlyUsed();
        block->start = offset;
        block->length = source_.readSome(offset, block->bytes, ReadAhead::kBlockSize);
        if (count > block->length) {
            count = block->length; // the source ended or failed, as a direct read would say
        }
    }
    block->lastUse = ++ahead.clock;
    std::memcpy(out, block->bytes + (offset - block->start), count);
    return count;
}

void CheckedReader::seek(uint64_t offset) {
    if (!ok_ || offset > size()) {
        ok_ = false;
        return;
    }
    position_ = offset;
}

void CheckedReader::skip(uint64_t count) {
    if (!ok_ || !fits(position_, count)) {
        ok_ = false;
        return;
    }
    position_ += count;
}

bool CheckedReader::bytes(void* out, size_t count) {
    if (!bytesAt(position_, out, count)) {
        return false;
    }
    position_ += count;
    return true;
}

bool CheckedReader::bytesAt(uint64_t offset, void* out, size_t count) {
    if (ok_ && fits(offset, count) && read(offset, out, count) == count) {
        return true;
    }
    ok_ = false;
    std::memset(out, 0, count);
    return false;
}

uint8_t CheckedReader::u8() {
    unsigned char b[1];
    bytes(b, 1);
    return b[0];
}

uint16_t CheckedReader::u16() {
    unsigned char b[2];
    bytes(b, 2);
    return le16(b);
}

uint32_t CheckedReader::u32() {
    unsigned char b[4];
    bytes(b, 4);
    return le32(b);
}

uint64_t CheckedReader::u64() {
    unsigned char b[8];
    bytes(b, 8);
    return le64(b);
}

uint32_t CheckedReader::u32At(uint64_t offset) {
    unsigned char b[4];
    bytesAt(offset, b, 4);
    return le32(b);
}

size_t CheckedReader::someAt(uint64_t offset, void* out, size_t count) {
    if (offset >= size()) {
        return 0;
    }
    if (count > size() - offset) {
        count = static_cast<size_t>(size() - offset);
    }
    return read(offset, out, count);
}

ByteSource CheckedReader::take(uint64_t count) {
    if (!ok_ || !fits(position_, count)) {
        ok_ = false;
        return ByteSource();
    }
    ByteSource part = source_.range(position_, count);
    position_ += count;
    return part;
}
