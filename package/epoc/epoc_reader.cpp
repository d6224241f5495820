#include "package/epoc/epoc_reader.h"

#include <algorithm>
#include <cstring>
#include <string_view>

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
// It stays on the stack: a name is copied once, into the package's names.
struct ReadName {
    char text[kMaxNameBytes]; // UTF-8, ended by a zero byte
    bool tooLong = false;
};

ReadName readName(CheckedReader& names, uint32_t lengthInBytes, uint32_t offset, bool unicode) {
    ReadName name;
    name.text[0] = '\0';
    // Offset 0 names the start of the package, never a name.
    if (lengthInBytes == 0 || offset == 0) {
        return name;
    }
    const uint32_t limit = unicode ? 2 * kMaxNameUnits : kMaxNameUnits;
    unsigned char raw[2 * kMaxNameUnits];
    const size_t got = names.someAt(offset, raw, lengthInBytes < limit ? lengthInBytes : limit);
    const bool ended = decodeName(raw, got, unicode, name.text, sizeof name.text);
    name.tooLong = lengthInBytes > limit && got == limit && !ended;
    return name;
}

// `name` while `budget` (bytes, with each name's zero byte) lasts, and empty
// once it does not: records that all point at one long name cost no more than
// a few times the package's own size.
std::string_view withinBudget(std::string_view name, uint64_t* budget) {
    if (name.size() + 1 > *budget) {
        return std::string_view();
    }
    *budget -= name.size() + 1;
    return name;
}

// The names of one block in every language: `count` lengths, then `count`
// offsets, from `at` on. Stops at the first word the package does not hold;
// names are kept while `budget` lasts.
std::vector<std::string> namesPerLanguage(CheckedReader& block, uint64_t at, uint32_t count,
                                          CheckedReader& names, bool unicode, uint64_t* budget) {
    std::vector<std::string> out;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t length = block.u32At(at + 4ull * i);
        const uint32_t offset = block.u32At(at + 4ull * count + 4ull * i);
        if (!block.ok()) {
            break;
        }
        std::string name;
        if (*budget > 0) {
            name = withinBudget(readName(names, length, offset, unicode).text, budget);
        }
        out.push_back(std::move(name));
    }
    return out;
}

// The bytes of names kept of one package: a few times its own size.
uint64_t nameBudget(const ByteSource& package) {
    return 4 * package.size() + (1u << 20);
}

class EpocReader {
  public:
    EpocReader(const ByteSource& package, const PackageHeader& header)
        : package_(package), header_(header), layout_(header), stream_(package), names_(package),
          nameBudget_(nameBudget(package)) {}

    Contents read() {
        readLanguages();
        contents_.entries.reserve(entryRoom());
        // Names take about as many bytes as the records that point at them:
        // room for that much saves copying the names as they grow.
        contents_.names.reserve(std::min<size_t>(streamBytes(), 64u << 20));
        stream_.seek(header_.packageLinesOffset());
        while (takeRecord()) {
        }
        return std::move(contents_);
    }

  private:
    // Room for as many entries as the record stream can hold, up to a bound,
    // so that the entries are not moved as they grow: pages reserved and never
    // written cost no memory. A file record takes 36 bytes at least.
    size_t entryRoom() const {
        constexpr uint64_t kSmallestFileRecord = 36;
        constexpr uint64_t kMostReserved = 1u << 20;
        return static_cast<size_t>(std::min(streamBytes() / kSmallestFileRecord, kMostReserved));
    }

    // The bytes of the record stream that the package holds.
    uint64_t streamBytes() const {
        const uint64_t end = std::min<uint64_t>(header_.dependenciesOffset(), package_.size());
        const uint64_t start = header_.packageLinesOffset();
        return end > start ? end - start : 0;
    }

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
        entry.name = contents_.addName(withinBudget(name.text, &nameBudget_));
        entry.kind = static_cast<uint8_t>(kind);
        entry.nameTooLong = name.tooLong;
        entry.storedLength = record.storedLength;
        entry.originalLength = record.originalLength;
        entry.coding = storesUncompressed(header_) ? StoredCoding::AsIs : StoredCoding::Zlib;
        if (kind == FileShowDuringInstall || kind == FileUninstallOnly) {
            // listed, never extracted
        } else if (type == RecordMultiLanguageFile &&
                   (kind == FileInstall || layout_.languages != 1)) {
            // A multi-language record's own words hold one variant only when
            // the package has exactly one language; an installed file is
            // numbered always. Its variants' words follow the six leading
            // words of the fixed part, which lies whole in the package.
            entry.languageVariants = true;
            entry.withOriginalLengths = !layout_.release5;
            entry.fileCount = static_cast<uint16_t>(layout_.languages);
            entry.dataOffset = fixedStart + 24;
        } else {
            entry.fileCount = 1;
            entry.dataOffset = record.storedOffset;
            entry.dataLength = record.storedLength;
            entry.coding =
                codingWhereStored(package_, entry.dataOffset, entry.dataLength, entry.coding);
        }
        contents_.entries.push_back(entry);
    }

    const ByteSource& package_;
    const PackageHeader& header_;
    const StreamLayout layout_;
    CheckedReader stream_;
    CheckedReader names_;
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
    uint64_t budget = nameBudget(package);
    if (header.filenamesOffset() != 0) {
        CheckedReader block(package);
        facts.componentNames =
            namesPerLanguage(block, header.filenamesOffset(), languages, names, unicode, &budget);
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
        requisite.names = namesPerLanguage(block, at + 12, languages, names, unicode, &budget);
        facts.requisites.push_back(std::move(requisite));
        at += 12 + 8ull * languages;
    }
    return facts;
}
