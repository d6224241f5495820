#include "package/sisx/sisx_field.h"

#include <vector>

#include "package/io/names.h"

namespace sisx {

namespace {

constexpr uint32_t kLongLength = 0x80000000u;

bool roomFor(uint64_t position, uint64_t count, const Span& parent) {
    return position <= parent.end && parent.end - position >= count;
}

} // namespace

Span FieldReader::body(uint64_t start, const Span& parent) {
    Span span;
    span.start = start;
    if (!roomFor(reader_.position(), 4, parent)) {
        reader_.fail();
    }
    uint64_t length = reader_.u32();
    if ((length & kLongLength) != 0) {
        // The flag bit is not part of the length: the high word goes on from bit 31.
        if (!roomFor(reader_.position(), 4, parent)) {
            reader_.fail();
        }
        length = (length & ~static_cast<uint64_t>(kLongLength)) |
                 (static_cast<uint64_t>(reader_.u32()) << 31);
    }
    const uint64_t begin = reader_.position();
    if (!reader_.ok() || !roomFor(begin, length, parent)) {
        reader_.fail();
        span.begin = span.end = span.next = begin;
        return span;
    }
    span.begin = begin;
    span.end = begin + length;
    const uint64_t padding = (4 - length % 4) % 4;
    span.next = parent.end - span.end < padding ? parent.end : span.end + padding;
    return span;
}

Span FieldReader::field(uint32_t type, const Span& parent) {
    const uint64_t start = reader_.position();
    if (!roomFor(start, 4, parent) || reader_.u32() != type) {
        reader_.fail();
    }
    return body(start, parent);
}

void FieldReader::require(uint64_t count, const Span& parent) {
    if (!roomFor(reader_.position(), count, parent)) {
        reader_.fail();
    }
}

bool FieldReader::peek(uint32_t type, const Span& parent) {
    const uint64_t at = reader_.position();
    return reader_.ok() && roomFor(at, 4, parent) && reader_.u32At(at) == type;
}

Span FieldReader::array(uint32_t elementType, const Span& parent) {
    Span span = field(kArray, parent);
    if (span.length() < 4 || reader_.u32() != elementType) {
        reader_.fail();
    }
    return span;
}

bool FieldReader::more(const Span& array) const {
    return reader_.ok() && roomFor(reader_.position(), 4, array);
}

void FieldReader::skipArray(uint32_t elementType, const Span& parent) {
    const Span span = array(elementType, parent);
    while (more(span)) {
        leave(element(span));
    }
    leave(span);
}

Span FieldReader::element(const Span& array) {
    return body(reader_.position(), array);
}

std::string FieldReader::text(const Span& value, size_t maxBytes) {
    // Every unit gives at least one byte of UTF-8, so a few more units than
    // bytes are all the text that can show; an odd last byte is no character.
    uint64_t count = value.length() / 2;
    if (count > maxBytes + 2) {
        count = maxBytes + 2;
    }
    std::vector<unsigned char> raw(static_cast<size_t>(count) * 2);
    if (!raw.empty() && !reader_.bytesAt(value.begin, raw.data(), raw.size())) {
        return std::string();
    }
    std::vector<uint16_t> units(static_cast<size_t>(count));
    for (size_t i = 0; i < units.size(); ++i) {
        units[i] = le16(&raw[2 * i]);
    }
    std::string out(maxBytes + 1, '\0');
    out.resize(utf16ToUtf8(units.data(), units.size(), &out[0], out.size()));
    return out;
}

std::string FieldReader::name(const Span& parent, bool* tooLong) {
    const Span span = field(kString, parent);
    const uint64_t declared = span.length() / 2;
    const size_t count = static_cast<size_t>(declared < kMaxNameUnits ? declared : kMaxNameUnits);
    std::vector<unsigned char> raw(count * 2);
    std::vector<uint16_t> units(count);
    *tooLong = false;
    if (!raw.empty() && !reader_.bytesAt(span.begin, raw.data(), raw.size())) {
        leave(span);
        return std::string();
    }
    bool ended = false;
    for (size_t i = 0; i < count; ++i) {
        units[i] = le16(&raw[2 * i]);
        ended = ended || units[i] == 0;
    }
    // A name that stops at a zero unit within the limit is whole.
    *tooLong = declared > kMaxNameUnits && !ended;
    std::string out(kMaxNameBytes, '\0');
    out.resize(utf16ToUtf8(units.data(), units.size(), &out[0], out.size()));
    leave(span);
    return out;
}

std::string FieldReader::string(const Span& parent, size_t maxBytes) {
    const Span span = field(kString, parent);
    std::string out = text(span, maxBytes);
    leave(span);
    return out;
}

} // namespace sisx
