#include "package/epoc/epoc_reader.h"

#include <cstring>

namespace {

// The generations differ in record layout, name encoding and nothing else here.
struct StreamLayout {
    bool release5;
    bool unicode;
    uint32_t languages;

    explicit StreamLayout(const PackageHeader& header)
        : release5(isRelease5(header)), unicode(hasUnicodeNames(header)),
          languages(languageCountAsCount(header)) {}

    // Bytes after the type word of a file record (type 0 or 1).
    uint64_t fixedSize(int32_t type) const {
        if (type == RecordSimpleFile) {
            return release5 ? 32 : 44;
        }
        return release5 ? 24 + 8ull * languages : 32 + 12ull * languages;
    }
    // Bytes of it that hold the simple record's words; Release 5 has no
    // originalLength or trailing words.
    uint32_t heldBytes() const { return release5 ? 32 : 44; }
};

// A name as the package holds it, read whole up to kMaxNameUnits characters.
struct ReadName {
    std::string text; // UTF-8
    bool tooLong = false;
};

ReadName readName(CheckedReader& names, uint32_t lengthInBytes, uint32_t offset, bool unicode) {
    ReadName name;
    // Offset 0 names the start of the package, never a name.
    if (lengthInBytes == 0 || offset == 0) {
        return name;
    }
    const uint32_t limit = unicode ? 2 * kMaxNameUnits : kMaxNameUnits;
    unsigned char raw[2 * kMaxNameUnits];
    const size_t got = names.someAt(offset, raw, lengthInBytes < limit ? lengthInBytes : limit);
    char text[kMaxNameBytes];
    const bool ended = decodeName(raw, got, unicode, text, sizeof text);
    name.text = text;
    name.tooLong = lengthInBytes > limit && got == limit && !ended;
    return name;
}

// The names of one block in every language: `count` lengths, then `count`
// offsets, from `at` on. Stops at the first word the package does not hold.
std::vector<std::string> namesPerLanguage(CheckedReader& block, uint64_t at, uint32_t count,
                                          CheckedReader& names, bool unicode) {
    std::vector<std::string> out;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t length = block.u32At(at + 4ull * i);
        const uint32_t offset = block.u32At(at + 4ull * count + 4ull * i);
        if (!block.ok()) {
            break;
        }
        out.push_back(readName(names, length, offset, unicode).text);
    }
    return out;
}

class EpocReader {
  public:
    EpocReader(const ByteSource& package, const PackageHeader& header)
        : package_(package), header_(header), layout_(header), stream_(package), names_(package),
          arrays_(package), nameBudget_(4 * package.size() + (1u << 20)) {}

    Contents read() {
        readLanguages();
        stream_.seek(header_.packageLinesOffset());
        while (takeRecord()) {
        }
        return std::move(contents_);
    }

  private:
    // The language codes: a code the package does not hold ends the list.
    void readLanguages() {
        const int16_t count = static_cast<int16_t>(header_.languageCount());
        CheckedReader codes(package_, header_.languagesOffset());
        for (int16_t i = 0; i < count; ++i) {
            const uint16_t code = codes.u16();
            if (!codes.ok()) {
                return;
            }
            contents_.languages.push_back(code);
        }
    }

    // One record of the stream; false when the stream ends or cannot be taken whole.
    bool takeRecord() {
        if (stream_.position() >= header_.dependenciesOffset()) {
            return false;
        }
        const int32_t type = static_cast<int32_t>(stream_.u32());
        const uint64_t fixedStart = stream_.position();
        if (type == RecordSimpleFile || type == RecordMultiLanguageFile) {
            FileRecord record;
            if (takeFileRecord(type, &record)) {
                addFileRecord(type, fixedStart, record);
            }
        } else if (type == RecordOptions) {
            // A count k, k option names in every language (a length and an
            // offset each), then four selection words.
            const uint32_t count = stream_.u32();
            stream_.skip(8ull * count * layout_.languages + 16);
        } else if (type == RecordIf || type == RecordElseIf) {
            stream_.skip(stream_.u32()); // a byte count and the condition's bytes
        }                                // ELSE, ENDIF and unknown types are the type word alone
        return stream_.ok();
    }

    // The fixed part of a file record; false when the package ends within it.
    bool takeFileRecord(int32_t type, FileRecord* record) {
        const uint64_t size = layout_.fixedSize(type);
        const uint32_t held =
            size < layout_.heldBytes() ? static_cast<uint32_t>(size) : layout_.heldBytes();
        unsigned char raw[44] = {};
        stream_.bytes(raw, held);
        stream_.skip(size - held);
        if (!stream_.ok()) {
            return false;
        }
        uint32_t words[11] = {};
        for (uint32_t i = 0; i < held / 4; ++i) {
            words[i] = le32(raw + 4 * i);
        }
        static_assert(sizeof words == sizeof *record, "the record is its eleven words");
        std::memcpy(record, words, sizeof words);
        if (layout_.release5) {
            record->originalLength = record->storedLength; // stored as they are
        }
        return true;
    }

    // Names cost no more memory than a few times the package's own size,
    // however many records point at one long name.
    TextRef keepName(const std::string& name) {
        if (name.size() + 1 > nameBudget_) {
            return contents_.addName(std::string());
        }
        nameBudget_ -= name.size() + 1;
        return contents_.addName(name);
    }

    void addFileRecord(int32_t type, uint64_t fixedStart, const FileRecord& record) {
        const uint32_t kind = record.fileType;
        if (kind > FileOpenDuringInstall) {
            return; // no line, nothing extracted
        }
        const bool bySource = kind == FileShowDuringInstall || kind == FileComponent;
        const ReadName name =
            readName(names_, bySource ? record.sourceNameLength : record.destNameLength,
                     bySource ? record.sourceNameOffset : record.destNameOffset, layout_.unicode);
        PackageEntry entry;
        entry.name = keepName(name.text);
        entry.kind = kind;
        entry.firstFile = static_cast<uint32_t>(contents_.files.size());
        entry.storedLength = record.storedLength;
        entry.originalLength = record.originalLength;
        const uint32_t index = static_cast<uint32_t>(contents_.entries.size());
        contents_.entries.push_back(entry);
        if (kind == FileShowDuringInstall || kind == FileUninstallOnly) {
            return;
        }
        PackageFile file;
        file.entry = index;
        file.name = entry.name;
        file.nameTooLong = name.tooLong;
        if (kind == FileComponent) {
            file.name = lastElement(file.name);
        }
        // A multi-language record's own words hold one variant only when the
        // package has exactly one language; an installed file is numbered always.
        if (type == RecordMultiLanguageFile && (kind == FileInstall || layout_.languages != 1)) {
            addVariants(fixedStart, file);
        } else {
            file.data = location(record.storedLength, record.storedOffset, record.originalLength);
            contents_.files.push_back(file);
        }
        contents_.entries.back().fileCount =
            static_cast<uint32_t>(contents_.files.size()) - entry.firstFile;
    }

    // A component lands in the top of the destination: its last element with
    // the backslash before it. A name without a backslash is kept whole.
    TextRef lastElement(TextRef name) const {
        const char* text = contents_.text(name);
        const char* last = std::strrchr(text, '\\');
        if (last != nullptr && last != text) {
            const uint32_t cut = static_cast<uint32_t>(last - text);
            name.offset += cut;
            name.length -= cut;
        }
        return name;
    }

    StoredLocation location(uint32_t storedLength, uint32_t storedOffset,
                            uint32_t originalLength) const {
        StoredLocation data;
        data.offset = storedOffset;
        data.length = storedLength;
        data.originalLength = originalLength;
        data.coding = storesUncompressed(header_) ? StoredCoding::AsIs : StoredCoding::Zlib;
        // Offset 0 is the package's start; data of which the package holds not
        // a byte cannot be written either.
        if (storedOffset == 0 || package_.range(storedOffset, storedLength).size() == 0) {
            data.coding = StoredCoding::Missing;
        }
        return data;
    }

    // Every variant of a multi-language record, numbered by its place among the
    // package's languages: storedLengths, storedOffsets and (later generation)
    // originalLengths follow the six leading words of the fixed part, which
    // lies whole in the package.
    void addVariants(uint64_t fixedStart, PackageFile file) {
        const uint32_t n = layout_.languages;
        const uint64_t arrays = fixedStart + 24;
        // One reader for every record's arrays: its blocks read ahead serve the
        // next records too.
        CheckedReader& values = arrays_;
        values.restart(0);
        for (uint32_t j = 0; j < n; ++j) {
            const uint32_t stored = values.u32At(arrays + 4ull * j);
            const uint32_t offset = values.u32At(arrays + 4ull * n + 4ull * j);
            const uint32_t original =
                layout_.release5 ? stored : values.u32At(arrays + 8ull * n + 4ull * j);
            file.number = firstTwoDigits(j + 1);
            file.language = j < contents_.languages.size() ? contents_.languages[j] : kNoLanguage;
            file.data = location(stored, offset, original);
            contents_.files.push_back(file);
        }
    }

    // A variant's name carries at most the first two digits of its number.
    static uint32_t firstTwoDigits(uint32_t number) {
        while (number >= 100) {
            number /= 10;
        }
        return number;
    }

    const ByteSource& package_;
    const PackageHeader& header_;
    const StreamLayout layout_;
    CheckedReader stream_;
    CheckedReader names_;
    CheckedReader arrays_;
    uint64_t nameBudget_;
    Contents contents_;
};

} // namespace

Contents readEpocContents(const ByteSource& package, const PackageHeader& header) {
    return EpocReader(package, header).read();
}

EpocFacts readEpocFacts(const ByteSource& package, const PackageHeader& header) {
    EpocFacts facts;
    const uint32_t languages = languageCountAsCount(header);
    const bool unicode = hasUnicodeNames(header);
    CheckedReader names(package);
    if (header.filenamesOffset() != 0) {
        CheckedReader block(package);
        facts.componentNames =
            namesPerLanguage(block, header.filenamesOffset(), languages, names, unicode);
    }
    // Each requisite: its UID, version and variant, then its names.
    CheckedReader block(package);
    uint64_t at = header.dependenciesOffset();
    for (uint32_t i = 0; i < header.dependencyCount() && header.dependenciesOffset() != 0; ++i) {
        EpocRequisite requisite;
        unsigned char fixed[12];
        if (!block.bytesAt(at, fixed, sizeof fixed)) {
            break;
        }
        requisite.uid = le32(fixed);
        requisite.versionMajor = le16(fixed + 4);
        requisite.versionMinor = le16(fixed + 6);
        requisite.variant = le32(fixed + 8);
        requisite.names = namesPerLanguage(block, at + 12, languages, names, unicode);
        facts.requisites.push_back(std::move(requisite));
        at += 12 + 8ull * languages;
    }
    return facts;
}
