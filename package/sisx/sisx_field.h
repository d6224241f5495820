#pragma once
// The field encoding of Symbian OS 9 packages: typed, length-prefixed values
// nested inside each other, read so that no length can reach past its parent.
#include <cstdint>
#include <string>

#include "package/io/byte_source.h"

namespace sisx {

// Field types this program reads or steps over.
enum FieldType : uint32_t {
    kString = 1,
    kArray = 2,
    kCompressed = 3,
    kVersion = 4,
    kVersionRange = 5,
    kDate = 6,
    kTime = 7,
    kDateTime = 8,
    kUid = 9,
    kLanguage = 11,
    kContents = 12,
    kController = 13,
    kInfo = 14,
    kSupportedLanguages = 15,
    kSupportedOptions = 16,
    kPrerequisites = 17,
    kDependency = 18,
    kProperties = 19,
    kProperty = 20,
    kCertificateChain = 22,
    kLogo = 23,
    kFileDescription = 24,
    kHash = 25,
    kIf = 26,
    kElseIf = 27,
    kInstallBlock = 28,
    kExpression = 29,
    kData = 30,
    kDataUnit = 31,
    kFileData = 32,
    kSupportedOption = 33,
    kControllerChecksum = 34,
    kDataChecksum = 35,
    kSignature = 36,
    kBlob = 37,
    kSignatureAlgorithm = 38,
    kSignatureCertificateChain = 39,
    kDataIndex = 40,
    kCapabilities = 41,
};

// Where one field lies: its header, its value, and where the next field of the
// same parent starts (after the padding that the parent still has room for).
struct Span {
    uint64_t start = 0; // of the type word, or of the length for an array element
    uint64_t begin = 0; // of the value
    uint64_t end = 0;   // past the value
    uint64_t next = 0;  // past the padding
    uint64_t length() const { return end - begin; }
};

// A span over a whole source, for the outermost field.
inline Span wholeOf(const ByteSource& source) {
    Span span;
    span.end = source.size();
    span.next = source.size();
    return span;
}

// Reads fields through one checked reader. Any field that does not fit in its
// parent, or is not of the type the layout requires, fails the reader; once
// failed, every later call returns empty spans, so callers test ok() when it
// suits them and loops stop on it.
class FieldReader {
  public:
    explicit FieldReader(const ByteSource& source, uint64_t position = 0)
        : reader_(source, position) {}

    bool ok() const { return reader_.ok(); }
    void fail() { reader_.fail(); }
    CheckedReader& raw() { return reader_; }
    uint64_t position() const { return reader_.position(); }

    // The field of `type` at the position, inside `parent`; the position moves to its value.
    Span field(uint32_t type, const Span& parent);
    // Whether the field at the position, inside `parent`, is of `type` (an optional member).
    bool peek(uint32_t type, const Span& parent);
    // An Array field of `elementType`; the position moves to its first element.
    Span array(uint32_t elementType, const Span& parent);
    // Whether another element of `array` starts at the position.
    bool more(const Span& array) const;
    // The next element of `array` (length and value, no type word).
    Span element(const Span& array);
    // Fails unless `count` bytes of raw members are left in `parent` at the position.
    void require(uint64_t count, const Span& parent);
    // Moves past `span` and its padding.
    void leave(const Span& span) { reader_.seek(span.next); }
    // Steps over an Array of `elementType`, element by element, so that each
    // element's length is checked too.
    void skipArray(uint32_t elementType, const Span& parent);
    // Steps over a whole field of `type`.
    void skip(uint32_t type, const Span& parent) { leave(field(type, parent)); }

    // A String field's text as UTF-8, cut to fit `maxBytes` at a character boundary.
    std::string string(const Span& parent, size_t maxBytes = 259);
    // The value of a String (a whole field or an array element) as UTF-8.
    std::string text(const Span& value, size_t maxBytes);
    // A String field that names a file: kept whole up to kMaxNameUnits units;
    // `tooLong` tells whether it went on beyond them.
    std::string name(const Span& parent, bool* tooLong);

  private:
    Span body(uint64_t start, const Span& parent);

    CheckedReader reader_;
};

} // namespace sisx
