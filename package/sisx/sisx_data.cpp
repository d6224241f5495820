#include "package/sisx_data.h"

namespace sisx {

namespace {

StoredData missing() {
    StoredData data;
    data.coding = StoredCoding::Missing;
    return data;
}

StoredData readFileData(const ByteSource& package, const Span& element) {
    FieldReader in(package, element.begin);
    const Span compressed = in.field(kCompressed, element);
    in.require(12, compressed);
    const uint32_t algorithm = in.raw().u32();
    in.raw().u64(); // the inflated size: the description's length is the one that counts
    if (!in.ok()) {
        return missing();
    }
    StoredData data;
    data.bytes = package.range(in.position(), compressed.end - in.position());
    data.coding = algorithm == 0   ? StoredCoding::AsIs
                  : algorithm == 1 ? StoredCoding::Zlib
                                   : StoredCoding::Unknown;
    return data;
}

// Fills the results of the keys from `k` on that ask for unit `unit`, held by
// `element`; returns the first key of a later unit.
size_t readUnit(const ByteSource& package, const Span& element, uint64_t unit,
                const std::vector<DataKey>& keys, size_t k, std::vector<StoredData>* results) {
    // A reader of its own: a broken unit costs its own files only.
    FieldReader in(package, element.begin);
    const Span files = in.array(kFileData, element);
    for (uint32_t index = 0; k < keys.size() && keys[k].unit == unit && in.more(files); ++index) {
        const Span file = in.element(files);
        if (!in.ok()) {
            break;
        }
        if (keys[k].fileIndex == index) {
            (*results)[k++] = readFileData(package, file);
        }
        in.leave(file);
    }
    while (k < keys.size() && keys[k].unit == unit) {
        ++k; // beyond the unit's files: left Missing
    }
    return k;
}

} // namespace

std::vector<StoredData> findStoredData(const ByteSource& package, const Span& data,
                                       const std::vector<DataKey>& keys) {
    std::vector<StoredData> results(keys.size(), missing());
    FieldReader in(package, data.begin);
    const Span units = in.array(kDataUnit, data);
    size_t k = 0;
    for (uint64_t unit = 0; k < keys.size() && in.more(units); ++unit) {
        const Span element = in.element(units);
        if (!in.ok()) {
            break;
        }
        if (keys[k].unit == unit) {
            k = readUnit(package, element, unit, keys, k, &results);
        }
        in.leave(element);
    }
    return results;
}

} // namespace sisx
