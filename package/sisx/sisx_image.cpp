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

// Where unit `base + units[k]` of the Data field `data` lies, for each k whose
// unit is there and readable; `found` tells which. One pass, bounded by the
// elements the field holds.
std::vector<Span> findUnits(const ByteSource& source, const Span& data, uint64_t base,
                            const std::vector<uint64_t>& units, std::vector<bool>* found) {
    std::vector<Span> spans(units.size());
    found->assign(units.size(), false);
    FieldReader in(source, data.begin);
    const Span list = in.array(kDataUnit, data);
    size_t k = 0;
    for (uint64_t unit = 0; k < units.size() && in.more(list); ++unit) {
        const Span element = in.element(list);
        if (!in.ok()) {
            break;
        }
        if (base + units[k] == unit) {
            spans[k] = element;
            (*found)[k++] = true;
        }
        in.raw().restart(element.next);
    }
    return spans;
}

// The value of the new Data field: an Array of DataUnit whose unit n is the
// outer package's unit `base + n` where the controllers read it, and an empty
// unit in every place between. False when it would exceed `maxSize`.
bool dataValue(const SisxPackage& package, uint64_t maxSize, Bytes* out) {
    const Controller& top = package.controller();
    std::vector<uint64_t> units;
    collectUnits(top, top.dataIndex, &units);
    std::sort(units.begin(), units.end());
    units.erase(std::unique(units.begin(), units.end()), units.end());
    const Span* data = package.dataField();
    std::vector<bool> found(units.size(), false);
    const std::vector<Span> spans =
        data ? findUnits(package.source(), *data, package.baseUnit(), units, &found)
             : std::vector<Span>(units.size());
    // Units past the last one found would all be empty: they are left out.
    size_t last = units.size();
    while (last > 0 && !found[last - 1]) {
        --last;
    }
    const uint64_t count = last == 0 ? 0 : units[last - 1] + 1;
    uint64_t size = 4; // the element type
    uint64_t copied = 0;
    for (size_t k = 0; k < last; ++k) {
        if (found[k]) {
            size += spans[k].end - spans[k].start + padding(spans[k].length());
            ++copied;
        }
    }
    // At most one empty unit per unit of the outer package, which holds them all.
    size += (count - copied) * kEmptyUnitElement;
    if (size > maxSize) {
        return false;
    }
    out->reserve(static_cast<size_t>(size));
    append32(out, kDataUnit);
    size_t k = 0;
    for (uint64_t unit = 0; unit < count; ++unit) {
        if (k < last && units[k] == unit && found[k]) {
            const Span& span = spans[k];
            const size_t start = out->size();
            out->resize(start + static_cast<size_t>(span.end - span.start));
            if (package.source().readSome(span.start, out->data() + start,
                                          static_cast<size_t>(span.end - span.start)) !=
                span.end - span.start) {
                return false;
            }
            appendPadding(out, span.length());
        } else {
            // Its length, then an Array field of no FileData.
            const unsigned char emptyUnit[kEmptyUnitElement] = {12, 0, 0, 0, 2,  0, 0, 0,
                                                                4,  0, 0, 0, 32, 0, 0, 0};
            out->insert(out->end(), emptyUnit, emptyUnit + sizeof emptyUnit);
        }
        k += k < last && units[k] == unit ? 1 : 0;
    }
    return true;
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
    out->insert(out->end(), deflated.begin(), deflated.begin() + static_cast<std::ptrdiff_t>(length));
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
    Bytes unitArray;
    if (!compressedValue(controller, &compressed)) {
        return ImageResult::Failed;
    }
    if (compressed.size() > maxSize ||
        !dataValue(package, maxSize - compressed.size(), &unitArray)) {
        return ImageResult::TooLarge;
    }
    Bytes controllerPart;
    appendField(&controllerPart, kCompressed, compressed.data(), compressed.size());
    Bytes dataPart;
    Bytes dataArray;
    appendField(&dataArray, kArray, unitArray.data(), unitArray.size());
    unitArray = Bytes();
    appendField(&dataPart, kData, dataArray.data(), dataArray.size());
    // The data checksum covers the Data field without its padding.
    const size_t dataEnd = dataPart.size() - static_cast<size_t>(padding(dataArray.size()));

    Bytes contents;
    appendChecksum(&contents, kControllerChecksum,
                   crc16Xmodem(0, controllerPart.data(), controllerPart.size()));
    appendChecksum(&contents, kDataChecksum, crc16Xmodem(0, dataPart.data(), dataEnd));
    contents.insert(contents.end(), controllerPart.begin(), controllerPart.end());
    contents.insert(contents.end(), dataPart.begin(), dataPart.end());
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
