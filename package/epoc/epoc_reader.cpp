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

// Conditions nest at most this deep; deeper ones are cut there.
constexpr int kMaxConditionDepth = 100;

// Reads one condition's nodes from its bytes, operands before their parent.
class ConditionReader {
  public:
    ConditionReader(const ByteSource& condition, CheckedReader& names, bool unicode,
                    uint64_t* budget, EpocScript* script)
        : in_(condition), names_(names), unicode_(unicode), budget_(budget), script_(script) {}

    uint32_t node(int depth) {
        const uint32_t type = in_.u32();
        if (!in_.ok() || depth > kMaxConditionDepth) {
            return kNoEntry;
        }
        EpocCondition node;
        node.type = type;
        if (type <= 7 || type == 10) { // a comparison, AND, OR, appcap: two operands
            node.left = this->node(depth + 1);
            node.right = this->node(depth + 1);
        } else if (type == 8 || type == 9 || type == 11) { // exists, devcap, NOT: one
            node.left = this->node(depth + 1);
        } else if (type == 12) { // a string: its length and offset
            const uint32_t length = in_.u32();
            const uint32_t offset = in_.u32();
            node.text = withinBudget(readName(names_, length, offset, unicode_).text, budget_);
        } else { // an attribute or a number, and a word not used
            node.value = in_.u32();
            in_.skip(4);
        }
        if (!in_.ok()) {
            return kNoEntry;
        }
        script_->conditions.push_back(std::move(node));
        return static_cast<uint32_t>(script_->conditions.size() - 1);
    }

  private:
    CheckedReader in_;
    CheckedReader& names_;
    const bool unicode_;
    uint64_t* budget_;
    EpocScript* script_;
};

class EpocReader {
  public:
    EpocReader(const ByteSource& package, const PackageHeader& header, EpocScript* script)
        : package_(package), header_(header), layout_(header), stream_(package), names_(package),
          nameBudget_(nameBudget(package)), script_(script) {}

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
            const uint64_t namesAt = stream_.position();
            stream_.skip(8ull * count * layout_.languages + 16);
            // Without a language an option has no text, and the record no
            // bytes that bound its count: none is kept.
            if (stream_.ok() && script_) {
                addOptions(namesAt, layout_.languages == 0 ? 0 : count);
            }
        } else if (type == RecordIf || type == RecordElseIf) {
            const uint32_t size = stream_.u32(); // a byte count and the condition's bytes
            const uint64_t conditionAt = stream_.position();
            stream_.skip(size);
            if (stream_.ok() && script_) {
                addCondition(type == RecordIf ? EpocRecordKind::If : EpocRecordKind::ElseIf,
                             package_.range(conditionAt, size));
            }
        } else if ((type == 5 || type == 6) && script_) { // ELSE and ENDIF: the type word alone
            EpocRecord step;
            step.kind = type == 5 ? EpocRecordKind::Else : EpocRecordKind::EndIf;
            script_->records.push_back(std::move(step));
        } // unknown types are the type word alone
        return stream_.ok();
    }

    // The options' texts: for each option its lengths in every language, then
    // its offsets. The record lay whole in the package, which bounds the count.
    void addOptions(uint64_t at, uint32_t count) {
        EpocRecord step;
        step.kind = EpocRecordKind::Options;
        step.at = static_cast<uint32_t>(script_->options.size());
        step.count = count;
        CheckedReader block(package_);
        for (uint32_t i = 0; i < count; ++i) {
            script_->options.push_back(namesPerLanguage(block, at + 8ull * layout_.languages * i,
                                                        layout_.languages, names_, layout_.unicode,
                                                        &nameBudget_));
        }
        script_->records.push_back(std::move(step));
    }

    void addCondition(EpocRecordKind kind, const ByteSource& bytes) {
        EpocRecord step;
        step.kind = kind;
        step.at = ConditionReader(bytes, names_, layout_.unicode, &nameBudget_, script_).node(0);
        script_->records.push_back(std::move(step));
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
        EpocRecord step;
        step.fileType = kind;
        step.details = record.unused1;
        if (kind > FileOpenDuringInstall) {
            addStep(std::move(step)); // no line, nothing extracted
            return;
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
        PackageEntry placed = entry;
        placeData(type, fixedStart, record, &placed);
        if (kind == FileShowDuringInstall && script_) { // listed, never extracted
            step.at = static_cast<uint32_t>(script_->shownTexts.size());
            script_->shownTexts.push_back(placed);
        } else if (kind != FileShowDuringInstall && kind != FileUninstallOnly) {
            entry = placed;
        }
        step.entry = static_cast<uint32_t>(contents_.entries.size());
        if (kind == FileOpenDuringInstall && !layout_.release5 && script_) {
            step.mimeType = static_cast<uint32_t>(script_->mimeTypes.size());
            script_->mimeTypes.push_back(mimeTypeOf(fixedStart + layout_.fixedSize(type) - 8));
        }
        contents_.entries.push_back(entry);
        addStep(std::move(step));
    }

    // Where the files of a record lie, as extraction takes them.
    void placeData(int32_t type, uint64_t fixedStart, const FileRecord& record,
                   PackageEntry* entry) const {
        const uint32_t kind = record.fileType;
        if (type == RecordMultiLanguageFile && (kind == FileInstall || layout_.languages != 1)) {
            // A multi-language record's own words hold one variant only when
            // the package has exactly one language; an installed file is
            // numbered always. Its variants' words follow the six leading
            // words of the fixed part, which lies whole in the package.
            entry->languageVariants = true;
            entry->withOriginalLengths = !layout_.release5;
            entry->fileCount = static_cast<uint16_t>(layout_.languages);
            entry->dataOffset = fixedStart + 24;
        } else {
            entry->fileCount = 1;
            entry->dataOffset = record.storedOffset;
            entry->dataLength = record.storedLength;
            entry->coding =
                codingWhereStored(package_, entry->dataOffset, entry->dataLength, entry->coding);
        }
    }

    // The MIME type whose length and offset lie at `at`.
    std::string mimeTypeOf(uint64_t at) {
        CheckedReader words(package_);
        const uint32_t length = words.u32At(at);
        const uint32_t offset = words.u32At(at + 4);
        if (!words.ok()) {
            return std::string();
        }
        return std::string(
            withinBudget(readName(names_, length, offset, layout_.unicode).text, &nameBudget_));
    }

    void addStep(EpocRecord step) {
        if (script_) {
            script_->records.push_back(std::move(step));
        }
    }

    const ByteSource& package_;
    const PackageHeader& header_;
    const StreamLayout layout_;
    CheckedReader stream_;
    CheckedReader names_;
    uint64_t nameBudget_;
    EpocScript* script_;
    Contents contents_;
};

} // namespace

Contents readEpocContents(const ByteSource& package, const PackageHeader& header,
                          EpocScript* script) {
    return EpocReader(package, header, script).read();
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
