#include "package/sisx/sisx_data.h"

namespace sisx {

namespace {

StoredLocation missing() {
    StoredLocation data;
    data.coding = StoredCoding::Missing;
    return data;
}

// The FileData whose value `in` is at.
StoredLocation readFileData(FieldReader& in, const Span& element) {
    const Span compressed = in.field(kCompressed, element);
    in.require(12, compressed);
    const uint32_t algorithm = in.raw().u32();
    in.raw().u64(); // the inflated size: the description's length is the one that counts
    if (!in.ok()) {
        return missing();
    }
    StoredLocation data;
    data.offset = in.position();
    data.length = compressed.end - in.position();
    data.coding = algorithm == 0   ? StoredCoding::AsIs
                  : algorithm == 1 ? StoredCoding::Zlib
                                   : StoredCoding::Unknown;
    return data;
}

// Fills the results of the keys from `k` on that ask for unit `unit`, whose
// value `in` is at; returns the first key of a later unit. A broken FileData
// costs its own file only: the reader starts afresh after it.
size_t readUnit(FieldReader& in, const Span& element, uint64_t unit,
                const std::vector<DataKey>& keys, size_t k, std::vector<StoredLocation>* results) {
    const Span files = in.array(kFileData, element);
    for (uint32_t index = 0; k < keys.size() && keys[k].unit == unit && in.more(files); ++index) {
        const Span file = in.element(files);
        if (!in.ok()) {
            break;
        }
        if (keys[k].fileIndex == index) {
            (*results)[k++] = readFileData(in, file);
        }
        in.raw().restart(file.next);
    }
    while (k < keys.size() && keys[k].unit == unit) {
        ++k; // beyond the unit's files: left Missing
    }
    return k;
}

} // namespace

std::vector<StoredLocation> findStoredData(const ByteSource& package, const Span& data,
                                           const std::vector<DataKey>& keys) {
    std::vector<StoredLocation> results(keys.size(), missing());
    FieldReader in(package, data.begin);
    const Span units = in.array(kDataUnit, data);
    size_t k = 0;
    for (uint64_t unit = 0; k < keys.size() && in.more(units); ++unit) {
        const Span element = in.element(units);
        if (!in.ok()) {
            break;
        }
        if (keys[k].unit == unit) {
            k = readUnit(in, element, unit, keys, k, &results);
        }
        // A broken unit costs its own files only.
        in.raw().restart(element.next);
    }
    return results;
}

} // namespace sisx
