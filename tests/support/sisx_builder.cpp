#include "tests/support/sisx_builder.h"

#include "package/checks/file_crc.h"

#include <fstream>

#include "package/epoc/format.h"
#include "package/checks/digests.h"
#include "tests/support/sis_builder.h"

namespace sisxbuild {

namespace {

void append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

void append32(Bytes& out, uint32_t value) {
    append(out, le32(value));
}

void append64(Bytes& out, uint64_t value) {
    append32(out, static_cast<uint32_t>(value));
    append32(out, static_cast<uint32_t>(value >> 32));
}

Bytes utf16(const std::string& text) {
    Bytes out;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < text.size(); ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        i += 1 + extra;
        if (cp >= 0x10000) {
            const uint32_t v = cp - 0x10000;
            const uint32_t high = 0xD800 + (v >> 10);
            const uint32_t low = 0xDC00 + (v & 0x3FF);
            out.insert(out.end(),
                       {uint8_t(high), uint8_t(high >> 8), uint8_t(low), uint8_t(low >> 8)});
        } else {
            out.insert(out.end(), {uint8_t(cp), uint8_t(cp >> 8)});
        }
    }
    return out;
}

class Writer {
  public:
    explicit Writer(const Sisx& d) : d_(d) {}

    // A length in the short form, or the long form (low 31 bits, then the rest from bit 31).
    void length(Bytes& out, uint64_t value) const {
        if (!d_.longLengths && value < 0x80000000u) {
            append32(out, static_cast<uint32_t>(value));
            return;
        }
        append32(out, static_cast<uint32_t>(value & 0x7FFFFFFF) | 0x80000000u);
        append32(out, static_cast<uint32_t>(value >> 31));
    }

    // Length, value and padding; `hidden` zero bytes count in the length but
    // are left for the caller to place (they end the file).
    Bytes element(const Bytes& value, uint64_t hidden = 0) const {
        Bytes out;
        const uint64_t size = value.size() + hidden;
        length(out, size);
        append(out, value);
        if (hidden == 0) {
            out.resize(out.size() + (4 - size % 4) % 4, 0);
        }
        return out;
    }

    Bytes field(uint32_t type, const Bytes& value, uint64_t hidden = 0) const {
        Bytes out;
        append32(out, type);
        append(out, element(value, hidden));
        return out;
    }

    Bytes array(uint32_t elementType, const std::vector<Bytes>& values, uint64_t hidden = 0) const {
        Bytes value;
        append32(value, elementType);
        for (size_t i = 0; i < values.size(); ++i) {
            append(value, element(values[i], i + 1 == values.size() ? hidden : 0));
        }
        return field(2, value, hidden);
    }

    Bytes string(const std::string& text) const { return field(1, utf16(text)); }

    Bytes u32Field(uint32_t type, uint32_t value) const { return field(type, le32(value)); }

    Bytes controller(const Package& p, uint64_t unit);
    Bytes data();

  private:
    Bytes info(const Package& p) const;
    Bytes prerequisites(const Package& p) const;
    Bytes block(const Block& b, uint64_t unit);
    Bytes file(const File& f, uint64_t unit);
    Bytes condition(int depth) const;
    Bytes languageCondition(uint32_t language) const;
    Bytes chain(const std::string& algorithm) const;

    const Sisx& d_;
    std::vector<std::vector<Bytes>> units_; // FileData values by absolute unit
    uint64_t nextUnit_ = 0;
};

Bytes Writer::info(const Package& p) const {
    Bytes value = u32Field(9, p.uid);
    append(value, string("Vendor unique name"));
    std::vector<Bytes> names;
    for (const std::string& name : p.names) {
        names.push_back(utf16(name));
    }
    append(value, array(1, names));
    append(value, array(1, std::vector<Bytes>(p.names.size(), utf16("Vendor"))));
    Bytes version;
    append32(version, static_cast<uint32_t>(p.versionMajor));
    append32(version, static_cast<uint32_t>(p.versionMinor));
    append32(version, static_cast<uint32_t>(p.versionBuild));
    append(value, field(4, version));
    Bytes dateTime = field(6, {0xD6, 0x07, 5, 20});
    append(dateTime, field(7, {7, 30, 0}));
    append(value, field(8, dateTime));
    value.push_back(p.installType);
    value.push_back(p.installFlags);
    return field(14, value);
}

Bytes Writer::prerequisites(const Package& p) const {
    auto dependencies = [&](uint32_t count, uint32_t firstUid) {
        std::vector<Bytes> list;
        for (uint32_t i = 0; i < count; ++i) {
            Bytes dependency = u32Field(9, firstUid + i);
            Bytes from;
            for (uint32_t part : {1u, 0u, 0u}) {
                append32(from, part);
            }
            append(dependency, field(5, field(4, from)));
            append(dependency, array(1, {utf16("Dependency")}));
            list.push_back(dependency);
        }
        return array(18, list);
    };
    Bytes value = dependencies(p.targetDevices, 0x101F7961);
    append(value, dependencies(p.dependencies, 0x20001000));
    return field(17, value);
}

Bytes Writer::condition(int depth) const {
    // ELSE as makesis writes it, NOT(number 0), made deeper by more NOTs.
    Bytes value;
    append32(value, depth <= 1 ? 16 : 9);
    append32(value, 0);
    if (depth > 1) {
        append(value, condition(depth - 1));
    }
    return field(29, value);
}

// LANGUAGE = `language`: the variable 0x1000 compared with a number.
Bytes Writer::languageCondition(uint32_t language) const {
    Bytes variable, number, value;
    append32(variable, 15);
    append32(variable, 0x1000);
    append32(number, 16);
    append32(number, language);
    append32(value, 1);
    append32(value, 0);
    append(value, field(29, variable));
    append(value, field(29, number));
    return field(29, value);
}

Bytes Writer::file(const File& f, uint64_t unit) {
    uint32_t index = 0;
    if (f.fileIndex) {
        index = *f.fileIndex;
    } else {
        std::vector<Bytes>& files = units_[static_cast<size_t>(unit)];
        index = static_cast<uint32_t>(files.size());
        Bytes stored;
        append32(stored, f.compress ? 1 : 0);
        append64(stored, f.content.size());
        append(stored, f.compress ? sis::deflateBytes(f.content) : f.content);
        files.push_back(field(3, stored));
    }
    Bytes target = f.targetBytes ? *f.targetBytes : utf16(f.target);
    Bytes value = field(1, target);
    if (f.targetLengthField) {
        const Bytes stored = le32(*f.targetLengthField);
        std::copy(stored.begin(), stored.end(), value.begin() + 4);
    }
    append(value, string(""));
    Bytes hash;
    append32(hash, f.hashIsSha1 ? 1 : 2);
    Sha1 sha1;
    sha1.update(f.content.data(), f.content.size());
    Bytes digest(Sha1::kDigestSize);
    sha1.final(digest.data());
    append(hash, field(37, digest));
    append(value, field(25, hash));
    append32(value, f.operation);
    append32(value, f.options);
    const uint64_t stored = f.compress ? sis::deflateBytes(f.content).size() : f.content.size();
    append64(value, stored);
    append64(value, f.uncompressedLength ? *f.uncompressedLength : f.content.size());
    append32(value, index);
    return value;
}

Bytes Writer::block(const Block& b, uint64_t unit) {
    std::vector<Bytes> files;
    for (const File& f : b.files) {
        files.push_back(file(f, unit));
    }
    std::vector<Bytes> embedded;
    for (const Package& p : b.embedded) {
        embedded.push_back(controller(p, unit));
    }
    std::vector<Bytes> ifs;
    for (const If& i : b.ifs) {
        Bytes value;
        std::vector<Bytes> elseIfs;
        for (size_t k = 0; k < i.branches.size(); ++k) {
            Bytes branch = k < i.languageTests.size() ? languageCondition(i.languageTests[k])
                                                      : condition(i.conditionDepth);
            append(branch, block(i.branches[k], unit));
            if (k == 0) {
                value = branch;
            } else {
                elseIfs.push_back(branch);
            }
        }
        append(value, array(27, elseIfs));
        ifs.push_back(value);
    }
    Bytes value = array(24, files);
    append(value, array(13, embedded));
    append(value, array(26, ifs));
    return field(28, value);
}

Bytes Writer::chain(const std::string& algorithm) const {
    Bytes signature = field(38, string(algorithm));
    append(signature, field(37, Bytes(128, 0x5A)));
    Bytes value = array(36, {signature});
    append(value, field(22, field(37, Bytes(300, 0x30))));
    return field(39, value);
}

// The value of a controller (its field's type and length are the caller's).
Bytes Writer::controller(const Package& p, uint64_t parentUnit) {
    const uint64_t unit = nextUnit_++;
    units_.resize(static_cast<size_t>(nextUnit_));
    Bytes value = info(p);
    append(value, field(16, array(33, {})));
    std::vector<Bytes> languages;
    for (uint32_t code : p.languages) {
        languages.push_back(le32(code));
    }
    append(value, field(15, array(11, languages)));
    append(value, prerequisites(p));
    append(value, field(19, array(20, {})));
    if (p.logo) {
        File logo;
        logo.target = "!:\\logo.png";
        append(value, field(23, field(24, file(logo, unit))));
    }
    append(value, block(p.block, unit));
    for (const std::string& algorithm : p.chains) {
        append(value, chain(algorithm));
    }
    const uint64_t relative = unit - parentUnit;
    append(value, u32Field(40, p.dataIndex ? *p.dataIndex : static_cast<uint32_t>(relative)));
    return value;
}

Bytes Writer::data() {
    size_t count = d_.dataUnits ? std::min(*d_.dataUnits, units_.size()) : units_.size();
    std::vector<Bytes> units;
    for (size_t u = 0; u < count; ++u) {
        units.push_back(array(32, units_[u]));
    }
    if (d_.zeroTail != 0 && units.empty()) {
        units.push_back(array(32, {}));
    }
    return field(30, array(31, units, d_.zeroTail), d_.zeroTail);
}

} // namespace

Bytes le32(uint32_t value) {
    return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
}

Built build(const Sisx& d) {
    Writer w(d);
    Built built;
    // The top's parent unit is its own, so that it stores 0 as makesis does.
    built.controller = w.field(13, w.controller(d.package, 0));
    Bytes compressed;
    const uint32_t algorithm =
        d.controllerAlgorithm ? *d.controllerAlgorithm : (d.compressController ? 1 : 0);
    append32(compressed, algorithm);
    append64(compressed,
             d.declaredControllerSize ? *d.declaredControllerSize : built.controller.size());
    append(compressed,
           d.compressController ? sis::deflateBytes(built.controller) : built.controller);
    const Bytes controllerField = w.field(3, compressed);
    const Bytes dataField = w.data();

    Bytes contents;
    if (d.controllerChecksum) {
        append(contents,
               w.field(
                   34,
                   {uint8_t(crc16Xmodem(0, controllerField.data(), controllerField.size())),
                    uint8_t(crc16Xmodem(0, controllerField.data(), controllerField.size()) >> 8)}));
    }
    if (d.dataChecksum) {
        const uint16_t crc = crc16Xmodem(0, dataField.data(), dataField.size());
        append(contents, w.field(35, {uint8_t(crc), uint8_t(crc >> 8)}));
    }
    built.controllerStart = 16 + contents.size() + (d.longLengths ? 12 : 8);
    append(contents, controllerField);
    built.dataStart = 16 + contents.size() + (d.longLengths ? 12 : 8);
    append(contents, dataField);

    PackageHeader header = {};
    const uint32_t words[3] = {0x10201A7A, 0, d.uid3 ? *d.uid3 : d.package.uid};
    for (int i = 0; i < 3; ++i) {
        const Bytes word = le32(words[i]);
        std::copy(word.begin(), word.end(), header.bytes + 4 * i);
    }
    built.bytes.assign(header.bytes, header.bytes + 12);
    append32(built.bytes, UidChecksum(header));
    append(built.bytes, w.field(12, contents, d.zeroTail));
    for (const auto& patch : d.patches) {
        std::copy(patch.second.begin(), patch.second.end(), built.bytes.begin() + patch.first);
    }
    built.zeroTail = d.zeroTail;
    return built;
}

bool writeFile(const std::filesystem::path& path, const Built& built) {
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(built.bytes.data()),
                  static_cast<std::streamsize>(built.bytes.size()));
        if (!out) {
            return false;
        }
    }
    std::error_code error;
    if (built.zeroTail != 0) {
        std::filesystem::resize_file(path, built.bytes.size() + built.zeroTail, error);
    }
    return !error;
}

} // namespace sisxbuild
