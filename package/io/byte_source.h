#pragma once
// Where package bytes come from: an open file, a block of memory, a stream that
// only a reader of its own can reach, or a range of any of them. Every read is
// positioned and checked against the source's size.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "package/io/little_endian.h"
#include "package/io/platform.h"

// Bytes behind a reader of their own, such as the IStream that Explorer hands
// its handlers: read at an offset, perhaps fewer than asked for at a time.
class StreamInput {
  public:
    virtual ~StreamInput() = default;
    // Its size as it said when it was opened; reads past it are never asked for.
    virtual uint64_t size() const = 0;
    // Reads up to `count` bytes at `offset`; returns how many were read, 0 at
    // the end or when the stream fails. Called from one thread at a time, or
    // guarded by the input itself.
    virtual size_t readAt(uint64_t offset, void* buffer, size_t count) const = 0;
};

class ByteSource {
  public:
    enum class Kind { None, File, Memory, Stream };

    ByteSource() = default;
    // The file is not owned: whoever opened it closes it.
    static ByteSource fromFile(FileHandle file);
    static ByteSource fromMemory(const void* data, uint64_t size);
    // The input is not owned and must outlive every copy of the source.
    static ByteSource fromStream(const StreamInput& input);

    Kind kind() const { return kind_; }
    uint64_t size() const { return size_; }

    // The bytes from `offset` on, at most `count` of them; a range reaching past
    // the end is cut at the end, and one starting past it is empty.
    ByteSource range(uint64_t offset, uint64_t count) const;
    // Reads up to `count` bytes at `offset`; returns how many were read, fewer
    // only at the end of the source or when the file or stream fails. Every call
    // goes to the file, memory or stream: a source keeps no state, so copies of
    // a file or memory source may be read from any thread.
    size_t readSome(uint64_t offset, void* buffer, size_t count) const;

  private:
    size_t readFile(uint64_t at, void* buffer, size_t count) const;
    size_t readStream(uint64_t at, void* buffer, size_t count) const;

    Kind kind_ = Kind::None;
    FileHandle file_ = kInvalidFile;
    const unsigned char* memory_ = nullptr;
    const StreamInput* stream_ = nullptr;
    uint64_t base_ = 0; // where offset 0 lies in the file or memory
    uint64_t size_ = 0;
};

// Reads fields from a source at a moving position. The first read that does not
// fit sets a failure that sticks: every later read yields zeros and fails too,
// so a record's reads can go on unchecked and the caller tests ok() once.
// Small reads of a file or stream come from a few blocks that this reader, and only it,
// keeps: a copy starts with none of its own.
class CheckedReader {
  public:
    explicit CheckedReader(const ByteSource& source, uint64_t position = 0);
    ~CheckedReader();
    CheckedReader(const CheckedReader& other);
    CheckedReader& operator=(const CheckedReader& other);
    CheckedReader(CheckedReader&& other) noexcept;
    CheckedReader& operator=(CheckedReader&& other) noexcept;

    bool ok() const { return ok_; }
    void fail() { ok_ = false; }
    uint64_t position() const { return position_; }
    uint64_t size() const { return source_.size(); }
    uint64_t remaining() const { return position_ <= size() ? size() - position_ : 0; }
    const ByteSource& source() const { return source_; }

    // Whether `count` bytes at `offset` lie inside the source; never overflows.
    bool fits(uint64_t offset, uint64_t count) const {
        return count <= size() && offset <= size() - count;
    }

    void seek(uint64_t offset);
    // Moves to `offset` and forgets any failure: the reader starts afresh there.
    void restart(uint64_t offset);
    void skip(uint64_t count);
    bool bytes(void* out, size_t count);
    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    uint64_t u64();

    // Positioned reads: the position stays where it is; a miss fails the reader.
    bool bytesAt(uint64_t offset, void* out, size_t count);
    uint32_t u32At(uint64_t offset);

    // Up to `count` bytes at `offset`, as many as the source holds there; a read
    // that comes back short leaves the reader as it was. Returns the count read.
    size_t someAt(uint64_t offset, void* out, size_t count);

    // The next `count` bytes as a source of their own, and the position past them.
    ByteSource take(uint64_t count);

  private:
    struct ReadAhead;
    size_t read(uint64_t offset, void* out, size_t count);

    ByteSource source_;
    uint64_t position_;
    bool ok_ = true;
    // Made at the first small read of a file; null for memory, or when it could not be had.
    std::unique_ptr<ReadAhead> readAhead_;
};
