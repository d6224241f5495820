#include "tests/support/sis_builder.h"

#include <fstream>

#include <zlib.h>

#include "package/epoc/format.h"

namespace sis {
namespace {

constexpr uint32_t kUidLater = 0x10003A12;
constexpr uint32_t kUidRelease5 = 0x1000006D;

void put16(Bytes& out, size_t at, uint16_t value) {
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void put32(Bytes& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

void append32(Bytes& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

// UTF-8 to code points; the tests only hand in well-formed text.
std::vector<uint32_t> codePoints(const std::string& text) {
    std::vector<uint32_t> points;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < text.size(); ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        points.push_back(cp);
        i += 1 + extra;
    }
    return points;
}

Bytes encodeUtf16(const std::string& text) {
    Bytes out;
    for (uint32_t cp : codePoints(text)) {
        if (cp >= 0x10000) {
            uint32_t v = cp - 0x10000;
            uint16_t high = static_cast<uint16_t>(0xD800 + (v >> 10));
            uint16_t low = static_cast<uint16_t>(0xDC00 + (v & 0x3FF));
            out.push_back(static_cast<uint8_t>(high));
            out.push_back(static_cast<uint8_t>(high >> 8));
            out.push_back(static_cast<uint8_t>(low));
            out.push_back(static_cast<uint8_t>(low >> 8));
        } else {
            out.push_back(static_cast<uint8_t>(cp));
            out.push_back(static_cast<uint8_t>(cp >> 8));
        }
    }
    return out;
}

Bytes encodeWindows1252(const std::string& text) {
    static const uint16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    Bytes out;
    for (uint32_t cp : codePoints(text)) {
        uint8_t byte = '?';
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            byte = static_cast<uint8_t>(cp);
        } else {
            for (int i = 0; i < 32; ++i) {
                if (kHigh[i] == cp) {
                    byte = static_cast<uint8_t>(0x80 + i);
                }
            }
        }
        out.push_back(byte);
    }
    return out;
}

uint64_t recordSize(const Record& record, bool release5, uint64_t languages) {
    switch (record.kind) {
    case Record::Kind::File:
        if (record.type == 0) {
            return 4 + (release5 ? 32 : 44);
        }
        return 4 + (release5 ? 24 + 8 * record.variants.size() : 32 + 12 * record.variants.size());
    case Record::Kind::Options:
        return 4 + 4 + 8ull * record.optionCount * languages + 16;
    case Record::Kind::Condition:
        return 4 + 4 + record.condition.size();
    case Record::Kind::TypeOnly:
        return 4;
    case Record::Kind::Raw:
        return record.raw.size();
    }
    return 0;
}

// The data area behind the records: names, option names and stored files.
class DataArea {
  public:
    explicit DataArea(uint32_t start) : start_(start) {}

    uint32_t place(const Bytes& bytes) {
        uint32_t at = start_ + static_cast<uint32_t>(data_.size());
        data_.insert(data_.end(), bytes.begin(), bytes.end());
        return at;
    }
    const Bytes& bytes() const { return data_; }

  private:
    uint32_t start_;
    Bytes data_;
};

} // namespace

Record simpleFile(uint32_t fileType, const std::string& source, const std::string& dest,
                  const Bytes& content) {
    Record record;
    record.type = 0;
    record.fileType = fileType;
    record.source.text = source;
    record.dest.text = dest;
    record.variants.push_back(Variant{content, {}, {}, {}, {}});
    return record;
}

Record multiFile(uint32_t fileType, const std::string& source, const std::string& dest,
                 const std::vector<Bytes>& contents) {
    Record record;
    record.type = 1;
    record.fileType = fileType;
    record.source.text = source;
    record.dest.text = dest;
    for (const Bytes& content : contents) {
        record.variants.push_back(Variant{content, {}, {}, {}, {}});
    }
    return record;
}

Record options(uint32_t optionCount) {
    Record record;
    record.kind = Record::Kind::Options;
    record.type = 2;
    record.optionCount = optionCount;
    return record;
}

Record condition(int32_t type, const Bytes& expression) {
    Record record;
    record.kind = Record::Kind::Condition;
    record.type = type;
    record.condition = expression;
    return record;
}

Record typeOnly(int32_t type) {
    Record record;
    record.kind = Record::Kind::TypeOnly;
    record.type = type;
    return record;
}

Record raw(const Bytes& bytes) {
    Record record;
    record.kind = Record::Kind::Raw;
    record.raw = bytes;
    return record;
}

Built build(const Package& package) {
    const bool release5 = package.release5;
    const bool uncompressed = release5 || package.noCompress;
    const uint32_t headerSize = release5 ? 68 : 100;
    const uint16_t languageCount =
        package.languageCountField.value_or(static_cast<uint16_t>(package.languages.size()));
    const uint64_t n = languageCount >= 0x8000 ? 0 : languageCount;

    Built built;
    const uint32_t languagesAt = headerSize;
    uint32_t recordsAt = languagesAt + static_cast<uint32_t>(2 * package.languages.size());
    uint64_t recordsSize = 0;
    for (const Record& record : package.records) {
        recordsSize += recordSize(record, release5, n);
    }
    built.packageLinesOffset = package.packageLinesOffset.value_or(recordsAt);
    built.recordsEnd = recordsAt + static_cast<uint32_t>(recordsSize);
    built.dependenciesOffset = package.dependenciesOffset.value_or(built.recordsEnd);

    auto encodeName = [&](const Name& name) {
        if (name.bytes) {
            return *name.bytes;
        }
        return package.unicode ? encodeUtf16(name.text) : encodeWindows1252(name.text);
    };

    DataArea data(built.recordsEnd);
    Bytes stream;
    for (const Record& record : package.records) {
        if (record.kind == Record::Kind::Raw) {
            stream.insert(stream.end(), record.raw.begin(), record.raw.end());
            continue;
        }
        const uint32_t recordOffset = recordsAt + static_cast<uint32_t>(stream.size());
        append32(stream, static_cast<uint32_t>(record.type));
        if (record.kind == Record::Kind::TypeOnly) {
            continue;
        }
        if (record.kind == Record::Kind::Condition) {
            append32(stream, record.conditionSizeField.value_or(
                                 static_cast<uint32_t>(record.condition.size())));
            stream.insert(stream.end(), record.condition.begin(), record.condition.end());
            continue;
        }
        if (record.kind == Record::Kind::Options) {
            append32(stream, record.optionCountField.value_or(record.optionCount));
            for (uint32_t option = 0; option < record.optionCount; ++option) {
                std::vector<uint32_t> lengths;
                std::vector<uint32_t> offsets;
                for (uint64_t language = 0; language < n; ++language) {
                    Bytes label =
                        encodeName(Name{"Option " + std::to_string(option + 1), {}, {}, {}});
                    lengths.push_back(static_cast<uint32_t>(label.size()));
                    offsets.push_back(data.place(label));
                }
                for (uint32_t v : lengths) {
                    append32(stream, v);
                }
                for (uint32_t v : offsets) {
                    append32(stream, v);
                }
            }
            for (int i = 0; i < 4; ++i) {
                append32(stream, 0); // selection words
            }
            continue;
        }

        BuiltFile file;
        file.recordOffset = recordOffset;
        Bytes source = encodeName(record.source);
        Bytes dest = encodeName(record.dest);
        file.sourceNameOffset = record.source.offset.value_or(data.place(source));
        file.destNameOffset = record.dest.offset.value_or(data.place(dest));
        for (const Variant& variant : record.variants) {
            Bytes stored = variant.stored ? *variant.stored
                           : uncompressed ? variant.content
                                          : deflateBytes(variant.content);
            uint32_t at = data.place(stored);
            file.storedLengths.push_back(
                variant.storedLength.value_or(static_cast<uint32_t>(stored.size())));
            file.storedOffsets.push_back(variant.storedOffset.value_or(at));
            file.originalLengths.push_back(
                variant.originalLength.value_or(static_cast<uint32_t>(variant.content.size())));
        }
        append32(stream, record.fileType);
        append32(stream, 0);
        append32(stream, record.source.length.value_or(static_cast<uint32_t>(source.size())));
        append32(stream, file.sourceNameOffset);
        append32(stream, record.dest.length.value_or(static_cast<uint32_t>(dest.size())));
        append32(stream, file.destNameOffset);
        if (record.type == 0) {
            const bool has = !file.storedLengths.empty();
            append32(stream, has ? file.storedLengths[0] : 0);
            append32(stream, has ? file.storedOffsets[0] : 0);
            if (!release5) {
                append32(stream, has ? file.originalLengths[0] : 0);
                append32(stream, 0);
                append32(stream, 0);
            }
        } else {
            for (uint32_t v : file.storedLengths) {
                append32(stream, v);
            }
            for (uint32_t v : file.storedOffsets) {
                append32(stream, v);
            }
            if (!release5) {
                for (uint32_t v : file.originalLengths) {
                    append32(stream, v);
                }
                append32(stream, 0);
                append32(stream, 0);
            }
        }
        built.files.push_back(file);
    }

    Bytes& out = built.bytes;
    out.assign(headerSize, 0);
    put32(out, 0, package.appUid);
    put32(out, 4, package.appUid1.value_or(release5 ? kUidRelease5 : kUidLater));
    put32(out, 8, package.appUid2);
    PackageHeader uids = {};
    for (int i = 0; i < 12; ++i) {
        uids.bytes[i] = out[i];
    }
    put32(out, 12, UidChecksum(uids));
    put16(out, 18, languageCount);
    put16(out, 20, static_cast<uint16_t>(package.records.size()));
    put32(out, 32, release5 ? 100 : 200);
    uint16_t flags = package.otherFlags;
    if (package.unicode) {
        flags |= 0x0001;
    }
    if (package.noCompress) {
        flags |= 0x0008;
    }
    put16(out, 36, flags);
    put16(out, 40, 1);
    put32(out, 48, package.languagesOffset.value_or(languagesAt));
    put32(out, 52, built.packageLinesOffset);
    put32(out, 56, built.dependenciesOffset);
    put32(out, 64, built.recordsEnd);
    if (!release5) {
        put32(out, 72, built.recordsEnd);
    }
    for (uint16_t code : package.languages) {
        out.push_back(static_cast<uint8_t>(code));
        out.push_back(static_cast<uint8_t>(code >> 8));
    }
    out.insert(out.end(), stream.begin(), stream.end());
    out.insert(out.end(), data.bytes().begin(), data.bytes().end());

    for (const auto& patch : package.patches) {
        if (patch.first < out.size()) {
            out[patch.first] = patch.second;
        }
    }
    if (package.truncateTo && *package.truncateTo < out.size()) {
        out.resize(*package.truncateTo);
    }
    return built;
}

bool writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

Bytes deflateBytes(const Bytes& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 9) != Z_OK) {
        return {};
    }
    out.resize(size);
    return out;
}

Bytes patternBytes(size_t size, uint32_t seed) {
    Bytes out(size);
    uint32_t state = seed * 2654435761u + 12345;
    for (size_t i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        out[i] = static_cast<uint8_t>(state);
    }
    return out;
}

Bytes textBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

} // namespace sis
