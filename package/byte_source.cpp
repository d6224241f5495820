#include "package/byte_source.h"

#include <cstring>

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
    if (kind_ != Kind::File) {
        return 0;
    }
    // The platform moves at most 4 GB less one at a time.
    size_t total = 0;
    while (total < count) {
        const size_t step = count - total < 0x40000000u ? count - total : 0x40000000u;
        const uint32_t got = platformReadAt(file_, base_ + offset + total,
                                            static_cast<unsigned char*>(buffer) + total,
                                            static_cast<uint32_t>(step));
        total += got;
        if (got != step) {
            break;
        }
    }
    return total;
}

CheckedReader::CheckedReader(const ByteSource& source, uint64_t position)
    : source_(source), position_(position) {
    ok_ = position <= source.size();
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
    if (ok_ && fits(offset, count) && source_.readSome(offset, out, count) == count) {
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

size_t CheckedReader::someAt(uint64_t offset, void* out, size_t count) const {
    if (offset >= size()) {
        return 0;
    }
    if (count > size() - offset) {
        count = static_cast<size_t>(size() - offset);
    }
    return source_.readSome(offset, out, count);
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
