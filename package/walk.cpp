// The one pass over the record stream that both listing and extraction rest on.
#include <cstring>

#include "common/paths.h"
#include "package/file_functions.h"
#include "package/names.h"

namespace {

// Variants' arrays are read this many entries at a time, so memory stays fixed
// whatever the language count.
constexpr uint32_t kVariantBatch = 64;

// The generations differ in record layout, name encoding and nothing else here.
struct StreamLayout {
    bool release5;
    bool unicode;
    uint32_t languages;

    explicit StreamLayout(const PackageHeader& header)
        : release5(isRelease5(header)), unicode(hasUnicodeNames(header)),
          languages(languageCountAsCount(header)) {}

    // Bytes after the type word of a file record (type 0 or 1).
    uint64_t fixedPartSize(int32_t type) const {
        if (type == RecordSimpleFile) {
            return release5 ? 32 : 44;
        }
        return release5 ? 24 + 8ull * languages : 32 + 12ull * languages;
    }
    // Bytes of it that hold the simple record's words; Release 5 has no
    // originalLength or trailing words.
    uint32_t heldBytes() const { return release5 ? 32 : 44; }
};

// Reads the fixed part of a file record into `record`; false when the package
// ends within it (such a record is not acted on).
bool takeFileRecord(CheckedReader& reader, const StreamLayout& layout, int32_t type,
                    RecordArea& record) {
    uint64_t size = layout.fixedPartSize(type);
    uint32_t held = size < layout.heldBytes() ? static_cast<uint32_t>(size) : layout.heldBytes();
    unsigned char raw[44] = {};
    std::memset(&record, 0, sizeof record);
    reader.bytes(raw, held);
    reader.skip(size - held);
    if (!reader.ok()) {
        return false;
    }
    FileRecord& r = record.file;
    uint32_t* const words[11] = {&r.fileType,         &r.unused1,        &r.sourceNameLength,
                                 &r.sourceNameOffset, &r.destNameLength, &r.destNameOffset,
                                 &r.storedLength,     &r.storedOffset,   &r.originalLength,
                                 &r.unused2,          &r.unused3};
    for (uint32_t i = 0; i < held / 4; ++i) {
        *words[i] = le32(raw + 4 * i);
    }
    if (layout.release5) {
        r.originalLength = r.storedLength; // Release 5 stores files as they are
    }
    return true;
}

// Options: a count k, then k option names in every language (a length and an
// offset each), then four selection words.
void passOptions(CheckedReader& reader, const StreamLayout& layout) {
    const uint32_t count = reader.u32();
    reader.skip(8ull * count * layout.languages + 16);
}

// IF and ELSEIF: a byte count and the condition's bytes.
void passCondition(CheckedReader& reader) {
    reader.skip(reader.u32());
}

// A component lands in the top of the destination: keep its last element with
// the backslash before it. A name without a backslash is kept whole.
void cutToLastElement(char* name) {
    char* last = std::strrchr(name, '\\');
    if (last != nullptr && last != name) {
        std::memmove(name, last, std::strlen(last) + 1);
    }
}

// Base name followed by at most the first two digits of `number`; the base is
// cut at a character boundary when name and digits would not fit.
void composeVariantName(char* dest, const char* base, uint32_t number) {
    char digits[12];
    size_t digitCount = 0;
    char reversed[12];
    size_t n = 0;
    do {
        reversed[n++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number != 0 && n < sizeof reversed);
    while (n > 0 && digitCount < 2) {
        digits[digitCount++] = reversed[--n];
    }
    size_t room = kPathSize - digitCount; // base, digits and terminator
    size_t length = std::strlen(base);
    if (length >= kPathSize) {
        length = kPathSize - 1;
    }
    std::memcpy(dest, base, length);
    length = cutUtf8(dest, length, room);
    std::memcpy(dest + length, digits, digitCount);
    dest[length + digitCount] = '\0';
}

void emitStored(const WalkOutputs& outputs, const char* name, uint32_t storedLength,
                uint32_t storedOffset, uint32_t originalLength) {
    if (outputs.extractStored != nullptr) {
        outputs.extractStored(outputs.context, name, storedLength, storedOffset, originalLength);
    }
}

void extractToDiskThunk(void* context, const char* name, uint32_t storedLength,
                        uint32_t storedOffset, uint32_t originalLength) {
    static_cast<FileFunctions*>(context)->extractStored(name, storedLength, storedOffset,
                                                        originalLength);
}

void extractDataThunk(void* context, const char* name, const StoredData& data) {
    static_cast<FileFunctions*>(context)->extractData(name, data);
}

bool runEndedThunk(void* context) {
    return static_cast<FileFunctions*>(context)->runEnded;
}

} // namespace

FileFunctions::NextRecord FileFunctions::takeNextRecord(CheckedReader& reader,
                                                        const PackageHeader& header) {
    const StreamLayout layout(header);
    NextRecord next = {};
    if (reader.position() >= header.dependenciesOffset()) {
        return next;
    }
    next.type = static_cast<int32_t>(reader.u32());
    next.fixedStart = static_cast<uint32_t>(reader.position());
    if (next.type == RecordSimpleFile || next.type == RecordMultiLanguageFile) {
        next.isFile = takeFileRecord(reader, layout, next.type, record);
    } else if (next.type == RecordOptions) {
        passOptions(reader, layout);
    } else if (next.type == RecordIf || next.type == RecordElseIf) {
        passCondition(reader);
    } // ELSE, ENDIF and unknown types are the type word alone
    next.taken = reader.ok();
    return next;
}

void FileFunctions::actOnFileRecord(const NextRecord& next, const PackageHeader& header,
                                    WalkMode mode, const WalkOutputs& outputs) {
    const StreamLayout layout(header);
    const uint32_t fileType = record.file.fileType;
    if (fileType > FileOpenDuringInstall) {
        return;
    }
    const bool bySource = fileType == FileShowDuringInstall || fileType == FileComponent;
    readName(record.name, bySource ? record.file.sourceNameLength : record.file.destNameLength,
             bySource ? record.file.sourceNameOffset : record.file.destNameOffset, layout.unicode);
    if (mode == WalkList) {
        if (outputs.addListEntry != nullptr) {
            outputs.addListEntry(outputs.context, fileType, record.name);
        }
        return;
    }
    if (fileType == FileShowDuringInstall || fileType == FileUninstallOnly) {
        return;
    }
    if (fileType == FileComponent) {
        cutToLastElement(record.name);
    }
    // A multi-language record's own words hold one variant only when the
    // package has exactly one language; an installed file is numbered always.
    const bool variants =
        next.type == RecordMultiLanguageFile && (fileType == FileInstall || layout.languages != 1);
    if (variants) {
        char base[sizeof record.name];
        std::memcpy(base, record.name, sizeof base);
        extractLanguages(header, next.fixedStart, base, outputs);
    } else {
        emitStored(outputs, record.name, record.file.storedLength, record.file.storedOffset,
                   record.file.originalLength);
    }
}

bool FileFunctions::walkRecords(PackageHeader header, WalkMode mode, const WalkOutputs& outputs) {
    storedCoding = storesUncompressed(header) ? StoredCoding::AsIs : StoredCoding::Zlib;
    startRun();
    CheckedReader reader(source, header.packageLinesOffset());
    while (!runEnded) {
        const NextRecord next = takeNextRecord(reader, header);
        if (!next.taken) {
            break;
        }
        if (next.isFile) {
            actOnFileRecord(next, header, mode, outputs);
        }
    }
    endRun();
    cursor = static_cast<uint32_t>(reader.position());
    destPath[0] = '\0';
    madeFolder[0] = '\0';
    return extractedCount != 0;
}

void FileFunctions::extractLanguages(const PackageHeader& header, uint32_t fixedStart,
                                     const char* baseName, const WalkOutputs& outputs) {
    const StreamLayout layout(header);
    const uint32_t n = layout.languages;
    // storedLengths, storedOffsets and (later generation) originalLengths follow
    // the six leading words.
    const uint64_t arrays = static_cast<uint64_t>(fixedStart) + 24;
    for (uint32_t first = 0; first < n && !runEnded; first += kVariantBatch) {
        const uint32_t count = n - first < kVariantBatch ? n - first : kVariantBatch;
        uint32_t values[3][kVariantBatch] = {};
        const uint32_t arrayCount = layout.release5 ? 2 : 3;
        for (uint32_t a = 0; a < arrayCount; ++a) {
            const uint64_t at = arrays + 4ull * n * a + 4ull * first;
            unsigned char raw[4 * kVariantBatch] = {};
            if (at != 0 && at <= 0xFFFFFFFFull) {
                readAt(raw, 4 * count, static_cast<uint32_t>(at));
            }
            for (uint32_t j = 0; j < count; ++j) {
                values[a][j] = le32(raw + 4 * j);
            }
        }
        for (uint32_t j = 0; j < count && !runEnded; ++j) {
            const uint32_t original = layout.release5 ? values[0][j] : values[2][j];
            composeVariantName(record.name, baseName, first + j + 1);
            emitStored(outputs, record.name, values[0][j], values[1][j], original);
        }
    }
}

WalkOutputs extractToDisk(FileFunctions& files) {
    WalkOutputs outputs = {};
    outputs.context = &files;
    outputs.extractStored = extractToDiskThunk;
    outputs.extractData = extractDataThunk;
    outputs.runEnded = runEndedThunk;
    return outputs;
}
