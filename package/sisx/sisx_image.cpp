#include "package/sisx/sisx_image.h"

#include <zlib.h>

#include <algorithm>
#include <cstddef>

#include "package/checks/file_crc.h"
#include "package/sisx/sisx_field.h"

namespace sisx {

namespace {

using Bytes = std::vector<unsigned char>;

constexpr uint64_t kFieldHeader = 8; // type and a short length
constexpr uint64_t kEmptyUnitElement = 16;

uint64_t padding(uint64_t length) {
    return (4 - length % 4) % 4;
}

void append32(Bytes* out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out->push_back(static_cast<unsigned char>(value >> shift));
    }
}

void append64(Bytes* out, uint64_t value) {
    append32(out, static_cast<uint32_t>(value));
    append32(out, static_cast<uint32_t>(value >> 32));
}

// A length as the format writes it: short below 2^31, else the long form.
void appendLength(Bytes* out, uint64_t length) {
    if (length < 0x80000000u) {
        append32(out, static_cast<uint32_t>(length));
        return;
    }
    append32(out, static_cast<uint32_t>(length & 0x7FFFFFFF) | 0x80000000u);
    append32(out, static_cast<uint32_t>(length >> 31));
}

void appendPadding(Bytes* out, uint64_t length) {
    out->resize(out->size() + static_cast<size_t>(padding(length)), 0);
}

// Type, length, `value` and padding.
void appendField(Bytes* out, uint32_t type, const unsigned char* value, size_t length) {
    append32(out, type);
    appendLength(out, length);
    out->insert(out->end(), value, value + length);
    appendPadding(out, length);
}

void appendChecksum(Bytes* out, uint32_t type, uint16_t crc) {
    const unsigned char value[2] = {static_cast<unsigned char>(crc),
                                    static_cast<unsigned char>(crc >> 8)};
    appendField(out, type, value, sizeof value);
}

// The data units `controller` and the packages it embeds read, as numbers
// relative to the unit its own DataIndex counts from.
void collectUnits(const InstallBlock& block, uint64_t unit, std::vector<uint64_t>* units);

void collectUnits(const Controller& controller, uint64_t unit, std::vector<uint64_t>* units) {
    units->push_back(unit);
    collectUnits(controller.block, unit, units);
}

void collectUnits(const InstallBlock& block, uint64_t unit, std::vector<uint64_t>* units) {
    for (const Controller& embedded : block.embedded) {
        collectUnits(embedded, unit + embedded.dataIndex, units);
    }
    for (const InstallBlock& branch : block.branches) {
        collectUnits(branch, unit, units);
    }
}

// A unit of the new package copied from the outer one: its number there, and
// where it lies in the outer package (the element, length word included).
struct CopiedUnit {
    uint64_t unit;
    Span span;
};

// The units of the outer package that `units` (sorted, numbered from `base`)
// name and that are there to read, found in one pass bounded by the elements
// of the Data field `data`.
std::vector<CopiedUnit> findUnits(const ByteSource& source, const Span& data, uint64_t base,
                                  const std::vector<uint64_t>& units) {
    std::vector<CopiedUnit> found;
    FieldReader in(source, data.begin);
    const Span list = in.array(kDataUnit, data);
    size_t k = 0;
    for (uint64_t unit = 0; k < units.size() && in.more(list); ++unit) {
        const Span element = in.element(list);
        if (!in.ok()) {
            break;
        }
        if (base + units[k] == unit) {
            found.push_back({units[k++], element});
        }
        in.raw().restart(element.next);
    }
    return found;
}

// What the new package's units copy: those that `package`'s controller and the
// packages it embeds read, numbered as their DataIndex fields number them.
std::vector<CopiedUnit> unitsToCopy(const SisxPackage& package) {
    const Span* data = package.dataField();
    if (data == nullptr) {
        return {};
    }
    const Controller& top = package.controller();
    std::vector<uint64_t> units;
    collectUnits(top, top.dataIndex, &units);
    std::sort(units.begin(), units.end());
    units.erase(std::unique(units.begin(), units.end()), units.end());
    return findUnits(package.source(), *data, package.baseUnit(), units);
}

// The value of the new Data field: an Array of DataUnit holding each copied
// unit at its number and an empty unit in every place between; the units past
// the last copied one would all be empty, and are left out.
ImageResult dataValue(const SisxPackage& package, uint64_t maxSize, Bytes* out) {
    const std::vector<CopiedUnit> copies = unitsToCopy(package);
    const uint64_t count = copies.empty() ? 0 : copies.back().unit + 1;
    // The outer package holds every unit counted, so `count` is bounded by its size.
    const uint64_t empty = count - copies.size();
    if (empty > maxSize / kEmptyUnitElement) {
        return ImageResult::TooLarge;
    }
    uint64_t size = 4 + empty * kEmptyUnitElement; // the element type first
    for (const CopiedUnit& copy : copies) {
        size += copy.span.end - copy.span.start + padding(copy.span.length());
    }
    if (size > maxSize) {
        return ImageResult::TooLarge;
    }
    out->reserve(static_cast<size_t>(size));
    append32(out, kDataUnit);
    // Its length, then an Array field of no FileData.
    const unsigned char emptyUnit[kEmptyUnitElement] = {12, 0, 0, 0, 2,  0, 0, 0,
                                                        4,  0, 0, 0, 32, 0, 0, 0};
    auto copy = copies.begin();
    for (uint64_t unit = 0; unit < count; ++unit) {
        if (copy->unit != unit) {
            out->insert(out->end(), emptyUnit, emptyUnit + sizeof emptyUnit);
            continue;
        }
        const size_t length = static_cast<size_t>(copy->span.end - copy->span.start);
        const size_t at = out->size();
        out->resize(at + length);
        if (package.source().readSome(copy->span.start, out->data() + at, length) != length) {
            return ImageResult::Failed;
        }
        appendPadding(out, copy->span.length());
        ++copy;
    }
    return ImageResult::Made;
}

// The top controller as a whole field: a type and length of its own around its
// value as the package holds it.
Bytes controllerField(const SisxPackage& package) {
    const Controller& top = package.controller();
    const Bytes& bytes = package.controllerBytes();
    Bytes field;
    if (top.firstMemberOffset <= top.endOffset && top.endOffset <= bytes.size()) {
        appendField(&field, kController, bytes.data() + top.firstMemberOffset,
                    static_cast<size_t>(top.endOffset - top.firstMemberOffset));
    }
    return field;
}

// The value of a Compressed field holding `controller` deflated.
bool compressedValue(const Bytes& controller, Bytes* out) {
    uLongf length = compressBound(static_cast<uLong>(controller.size()));
    Bytes deflated(length);
    if (compress2(deflated.data(), &length, controller.data(),
                  static_cast<uLong>(controller.size()), Z_BEST_COMPRESSION) != Z_OK) {
        return false;
    }
    append32(out, 1); // deflated, in a zlib stream
    append64(out, controller.size());
    out->insert(out->end(), deflated.begin(),
                deflated.begin() + static_cast<std::ptrdiff_t>(length));
    return true;
}

} // namespace

ImageResult packageImage(const SisxPackage& package, uint64_t maxSize, Bytes* out) {
    out->clear();
    const Bytes controller = controllerField(package);
    if (controller.empty()) {
        return ImageResult::Failed;
    }
    if (package.isStub()) {
        if (controller.size() > maxSize) {
            return ImageResult::TooLarge;
        }
        *out = controller;
        return ImageResult::Made;
    }
    Bytes compressed;
    if (!compressedValue(controller, &compressed)) {
        return ImageResult::Failed;
    }
    if (compressed.size() > maxSize) {
        return ImageResult::TooLarge;
    }
    Bytes unitArray;
    const ImageResult units = dataValue(package, maxSize - compressed.size(), &unitArray);
    if (units != ImageResult::Made) {
        return units;
    }
    Bytes compressedField;
    appendField(&compressedField, kCompressed, compressed.data(), compressed.size());
    Bytes dataField;
    Bytes dataArray;
    appendField(&dataArray, kArray, unitArray.data(), unitArray.size());
    unitArray = Bytes();
    appendField(&dataField, kData, dataArray.data(), dataArray.size());
    // The data checksum covers the Data field without its padding.
    const size_t dataEnd = dataField.size() - static_cast<size_t>(padding(dataArray.size()));

    Bytes contents;
    appendChecksum(&contents, kControllerChecksum,
                   crc16Xmodem(0, compressedField.data(), compressedField.size()));
    appendChecksum(&contents, kDataChecksum, crc16Xmodem(0, dataField.data(), dataEnd));
    contents.insert(contents.end(), compressedField.begin(), compressedField.end());
    contents.insert(contents.end(), dataField.begin(), dataField.end());
    if (16 + kFieldHeader + contents.size() > maxSize) {
        return ImageResult::TooLarge;
    }
    append32(out, kSisxUid1);
    append32(out, 0);
    append32(out, package.controller().uid);
    append32(out, uidChecksum(out->data()));
    appendField(out, kContents, contents.data(), contents.size());
    return ImageResult::Made;
}

} // namespace sisx
